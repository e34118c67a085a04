#include "platform/MsgBox.h"

#include "platform/AppTitle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {
MsgBoxHook &hookSlot()
{
    static MsgBoxHook hook;
    return hook;
}

// Qt would take Abort or No as the escape button of a set without Cancel; the runtime's box
// has none there, so Escape and the window's close are refused until a button is pressed.
class RuntimeMessageBox : public QMessageBox {
public:
    RuntimeMessageBox(QWidget *parent, bool mustAnswer) : QMessageBox(parent), m_mustAnswer(mustAnswer) {}

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (m_mustAnswer && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override
    {
        if (m_mustAnswer && !clickedButton()) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

private:
    bool m_mustAnswer;
};

QMessageBox::StandardButton standardButton(int answer)
{
    switch (answer) {
    case vbOK: return QMessageBox::Ok;
    case vbCancel: return QMessageBox::Cancel;
    case vbAbort: return QMessageBox::Abort;
    case vbRetry: return QMessageBox::Retry;
    case vbIgnore: return QMessageBox::Ignore;
    case vbYes: return QMessageBox::Yes;
    case vbNo: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}
} // namespace

QList<int> msgBoxButtons(int style)
{
    switch (style & 7) {
    case vbOKCancel: return {vbOK, vbCancel};
    case vbAbortRetryIgnore: return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel: return {vbYes, vbNo, vbCancel};
    case vbYesNo: return {vbYes, vbNo};
    case vbRetryCancel: return {vbRetry, vbCancel};
    default: return {vbOK};
    }
}

int msgBoxDefaultAnswer(int style)
{
    const QList<int> buttons = msgBoxButtons(style);
    const int index = (style & 0x300) >> 8;
    return buttons.value(index, buttons.first());
}

void setMsgBoxHook(MsgBoxHook hook) { hookSlot() = std::move(hook); }
bool hasMsgBoxHook() { return static_cast<bool>(hookSlot()); }

int MsgBox(const QString &prompt, int style, const QString &title)
{
    MsgBoxRequest request{prompt, style, title.isEmpty() ? appTitle() : title};
    if (hookSlot())
        return hookSlot()(request);

    const QList<int> answers = msgBoxButtons(style);
    RuntimeMessageBox box(QApplication::activeWindow(), !answers.contains(vbCancel) && answers.size() > 1);
    box.setWindowTitle(request.title);
    box.setText(prompt);
    switch (style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    for (int answer : answers)
        box.addButton(standardButton(answer));
    box.setDefaultButton(standardButton(msgBoxDefaultAnswer(style)));
    // The closing cross answers Cancel where there is one, OK for a lone OK; the other sets must be answered.
    if (answers.contains(vbCancel))
        box.setEscapeButton(standardButton(vbCancel));
    else if (answers.size() == 1)
        box.setEscapeButton(standardButton(vbOK));
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    for (int answer : answers)
        if (clicked && box.button(standardButton(answer)) == clicked)
            return answer;
    return answers.contains(vbCancel) ? vbCancel : answers.first();
}

} // namespace platform
