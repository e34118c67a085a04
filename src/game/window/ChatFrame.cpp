// The chat frame's controls and what the session shows in them; the online lamp. The window
// previews the keys of the chat line, so the game's keys still work while it has the focus.
#include "game/window/ChatFrame.h"

#include "game/net/NetSession.h"
#include "game/window/ClickableLabel.h"
#include "game/window/OnlineLamp.h"
#include "game/window/PictureBox.h"
#include "platform/KeyCodes.h"

#include "platform/ErrorGuard.h"
#include "platform/HeldKey.h"
#include "platform/RichTextBox.h"
#include "platform/Twips.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextEdit>

#include <cmath>

namespace gamewindow {

QColor colorFromBgr(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

OnlineLamp::OnlineLamp(QWidget *parent) : QWidget(parent) {}

void OnlineLamp::setFillColor(int32_t bgr)
{
    m_fill = bgr;
    update();
}

void OnlineLamp::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(colorFromBgr(m_fill));
    p.drawEllipse(rect().adjusted(1, 1, -2, -2));
}

namespace {
int pixels(int twips) { return platform::twipsToPixels(twips); }

// Runs an event handler so that a run-time error inside it (a failed send, a file that cannot be
// read) shows the common error box instead of ending the program.
template <class F>
void guarded(const char *name, F &&handler)
{
    platform::guardedSub(QString::fromLatin1(name), [&](platform::Step &step) { step(handler); });
}

// The stripe a transfer bar shows: 408 x 4 pixels, shaded, with a dark outline.
QPixmap barStripe(const QColor &light, const QColor &dark)
{
    QPixmap pix(408, 4);
    QPainter p(&pix);
    p.fillRect(0, 0, 408, 4, dark);
    p.fillRect(1, 1, 406, 1, light.lighter(130));
    p.fillRect(1, 2, 406, 1, light);
    return pix;
}
} // namespace

// Routes the chat line's keys and the record label's mouse buttons to the window's and the
// frame's handlers.
class ChatFrame::Events : public QObject {
public:
    // The watched controls are kept here: the filter also sees the events of the frame's
    // destruction, when the frame's members must not be called any more.
    Events(ChatFrame *frame, QObject *line, QObject *record)
        : QObject(frame), m_f(frame), m_line(line), m_record(record),
          m_heldKey([this](int code, int shift) {
              m_f->m_window.keyUp(code, shift);
              guarded("txtSendmessage_KeyUp", [&] { m_f->txtSendmessage_KeyUp(code, shift); });
          })
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_line) {
            if (event->type() == QEvent::KeyPress) {
                auto *key = static_cast<QKeyEvent *>(event);
                int code = platform::virtualKey(key);
                if (!m_heldKey.pressIsRepeat(key) || code == 13) {
                    m_f->m_window.keyDown(code, platform::shiftState(key));
                    if (code == 0)
                        return true;
                }
                if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                    int16_t ascii = 13;
                    guarded("txtSendmessage_KeyPress", [&] { m_f->txtSendmessage_KeyPress(ascii); });
                    return ascii == 0;
                }
            } else if (event->type() == QEvent::KeyRelease) {
                m_heldKey.released(static_cast<QKeyEvent *>(event));
            }
        } else if (watched == m_record) {
            if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
                auto *mouse = static_cast<QMouseEvent *>(event);
                const QPointF at = mouse->position() * platform::TwipsPerPixel;
                if (event->type() == QEvent::MouseButtonPress)
                    guarded("lblRecord_MouseDown", [&] {
                        m_f->lblRecord_MouseDown(int(mouse->button()), platform::shiftState(mouse), at.x(), at.y());
                    });
                else
                    guarded("lblRecord_MouseUp", [&] {
                        m_f->lblRecord_MouseUp(int(mouse->button()), platform::shiftState(mouse), at.x(), at.y());
                    });
                return true;
            }
        }
        return false;
    }

private:
    ChatFrame *m_f;
    QObject *m_line;
    QObject *m_record;
    // One held key of the chat line: its repeats neither move the chip nor toggle F9 again.
    platform::HeldKey m_heldKey;
};

namespace {
constexpr int32_t LampNoLink = 0xE0E0E0;
constexpr int ChatDisplayLines = 500;
} // namespace

ChatFrame::ChatFrame(Window window, QWidget *parent)
    : QGroupBox(QStringLiteral("    Chat "), parent), m_window(std::move(window))
{
    // Below the board; the window grows to show it when a link stands.
    setObjectName(QStringLiteral("frmChat"));
    setGeometry(pixels(45), pixels(5880), pixels(6270), pixels(1980));
    // The caption (the won-games tally) stands on the black window.
    QPalette caption = palette();
    caption.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    setPalette(caption);
    hide();

    for (int i = 0; i < 2; ++i) {
        m_picSend[i] = new PictureBox(i, this);
        m_picSend[i]->setObjectName(QStringLiteral("picSend(%1)").arg(i));
        m_picSend[i]->setPicture(std::make_shared<const QPixmap>(
            i == 0 ? barStripe(QColor(230, 40, 40), QColor(90, 0, 0)) : barStripe(QColor(240, 220, 40), QColor(100, 80, 0))));
        m_picSend[i]->setTwipsGeometry(75, i == 0 ? 225 : 300, 6120, 60);
        m_picSendWidth[i] = 6120;
        m_picSend[i]->hide();
    }

    m_txtInMessage = new platform::RichTextBox(this);
    m_txtInMessage->setObjectName(QStringLiteral("txtInMessage"));
    m_txtInMessage->setGeometry(pixels(75), pixels(390), pixels(6120), pixels(1005));
    // Black behind the text only. The scroll bars take the style's own colours, not the light
    // text of the black window: their arrows must stand out from the buttons' face.
    QPalette ground = m_txtInMessage->view()->palette();
    ground.setColor(QPalette::Base, Qt::black);
    m_txtInMessage->view()->setPalette(ground);
    for (QScrollBar *bar : {m_txtInMessage->view()->verticalScrollBar(), m_txtInMessage->view()->horizontalScrollBar()})
        bar->setPalette(bar->style()->standardPalette());
    m_txtInMessage->setText(QStringLiteral(" "));

    m_txtSendmessage = new QLineEdit(this);
    m_txtSendmessage->setObjectName(QStringLiteral("txtSendmessage"));
    m_txtSendmessage->setGeometry(pixels(75), pixels(1470), pixels(3540), pixels(345));

    m_shpOnlineLamp = new OnlineLamp(this);
    m_shpOnlineLamp->setObjectName(QStringLiteral("shpOnlineLamp"));
    m_shpOnlineLamp->setGeometry(pixels(3690), pixels(1500), pixels(285), pixels(285));

    m_lblRepeat = new ClickableLabel(QStringLiteral("W"), this);
    m_lblRepeat->setObjectName(QStringLiteral("lblRepeat"));
    m_lblRepeat->setGeometry(pixels(4035), pixels(1470), pixels(300), pixels(345));
    m_lblRepeat->setAlignment(Qt::AlignCenter);
    m_lblRepeat->setFrameStyle(QFrame::Panel | QFrame::Raised);
    connect(static_cast<ClickableLabel *>(m_lblRepeat), &ClickableLabel::clicked, this, [this] { guarded("lblRepeat_Click", [this] { lblRepeat_Click(); }); });

    m_lblRecord = new QLabel(QStringLiteral("Aufnahme"), this);
    m_lblRecord->setObjectName(QStringLiteral("lblRecord"));
    m_lblRecord->setGeometry(pixels(4395), pixels(1470), pixels(840), pixels(345));
    m_lblRecord->setAlignment(Qt::AlignCenter);
    m_lblRecord->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_lblRecord->setEnabled(false);
    // Both labels act as buttons: they have a button's face, on which the button text colour
    // of the record label can be read.
    for (QLabel *label : {m_lblRepeat, m_lblRecord}) {
        QPalette face = label->palette();
        const QPalette standard = label->style()->standardPalette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            face.setColor(group, QPalette::Window, standard.color(group, QPalette::Button));
            face.setColor(group, QPalette::WindowText, standard.color(group, QPalette::ButtonText));
        }
        label->setPalette(face);
        label->setAutoFillBackground(true);
    }

    m_cmdP2PClose = new QPushButton(QStringLiteral("Beenden"), this);
    m_cmdP2PClose->setObjectName(QStringLiteral("cmdP2PClose"));
    m_cmdP2PClose->setGeometry(pixels(5295), pixels(1470), pixels(900), pixels(345));
    m_cmdP2PClose->setEnabled(false);

    auto *events = new Events(this, m_txtSendmessage, m_lblRecord);
    m_txtSendmessage->installEventFilter(events);
    m_lblRecord->installEventFilter(events);

    m_mci = std::make_unique<platform::WaveRecorder>();
    m_mci->setDeviceType(QStringLiteral("WaveAudio"));

    // The Close button and the lamp of the chat frame; the button works only while a link stands.
    m_cmdP2PClose->setFocusPolicy(Qt::NoFocus);
    connect(m_cmdP2PClose, &QPushButton::clicked, this, [this] { m_window.session().cmdP2PClose_Click(); });
    m_shpOnlineLamp->setFillColor(LampNoLink);

    m_barFollow.setSingleShot(true);
    m_barFollow.setInterval(16); // about one frame of the screen
    connect(&m_barFollow, &QTimer::timeout, this, [this] {
        applyBarWidth(0);
        applyBarWidth(1);
    });
}

ChatFrame::~ChatFrame() = default;

QString ChatFrame::chatLineText() const { return m_txtSendmessage->text(); }

void ChatFrame::focusChatLine() { m_txtSendmessage->setFocus(); }

void ChatFrame::txtSendmessage_KeyPress(int16_t &KeyAscii)
{
    if (KeyAscii != 13)
        return;
    const QString text = m_txtSendmessage->text();
    if (!text.isEmpty()) {
        gamenet::NetSession &net = m_window.session();
        const QString name = net.GetNick(0, text);
        m_txtSendmessage->clear();
        net.SendChatLine(text, !name.isEmpty());
    }
    KeyAscii = 0;
}

void ChatFrame::ShowChatLine(const QString &Line, int32_t Color)
{
    platform::RichTextBox &box = *m_txtInMessage;
    if (box.text().isEmpty())
        box.setText(QStringLiteral(" "));
    const int length = int(box.text().size());
    box.setSelStart(length - 1);
    box.setSelLength(1);
    const QString lead = length == 1 ? QString() : QStringLiteral("\r\n");
    box.setSelText(lead + Line + QStringLiteral(" "));
    const int start = length - 1 + int(lead.size());
    box.setSelStart(start);
    box.setSelLength(int(box.text().size()) - start);
    box.setSelColor(Color);
    // The display shows the recent lines only (the log keeps them all): a flood of lines costs
    // neither memory without end nor time that grows with the display.
    box.keepLastLines(ChatDisplayLines);
    box.setSelStart(int(box.text().size()));
    box.refresh();
}

void ChatFrame::ResetChatDisplay() { m_txtInMessage->setText(QStringLiteral(" ")); }

void ChatFrame::SetChatCaption(const QString &Caption) { setTitle(Caption); }

void ChatFrame::SetLampColor(int32_t Color) { m_shpOnlineLamp->setFillColor(Color); }

void ChatFrame::SetBarWidth(int16_t Index, float WidthTwips)
{
    m_picSendWidth[Index] = WidthTwips;
    // A voice message moves its bar at every block, thousands of times a second: a bar in sight
    // follows at screen rate, so that no painting stands between a block and its answer. A full
    // bar is shown at once, so that a message never ends on a bar still catching up.
    const bool full = platform::twipsToPixels(std::lround(WidthTwips)) >= platform::twipsToPixels(m_transferBarWidth);
    if (full || !m_picSend[Index]->isVisible())
        applyBarWidth(Index);
    else if (!m_barFollow.isActive())
        m_barFollow.start();
}

void ChatFrame::applyBarWidth(int Index)
{
    PictureBox *bar = m_picSend[Index];
    bar->setTwipsGeometry(bar->leftTwips(), bar->topTwips(), int(std::lround(m_picSendWidth[Index])), 60);
    bar->update();
}

void ChatFrame::ShowBar(int16_t Index, float WidthTwips, bool Visible)
{
    m_picSendWidth[Index] = WidthTwips;
    PictureBox *bar = m_picSend[Index];
    bar->setTwipsGeometry(bar->leftTwips(), bar->topTwips(), int(std::lround(WidthTwips)), 60);
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Window, Qt::white);
    bar->setPalette(pal);
    bar->setAutoFillBackground(true);
    bar->setVisible(Visible);
    bar->repaint();
}

void ChatFrame::SetRecordLabelEnabled(bool Enabled)
{
    m_lblRecord->setEnabled(Enabled);
    m_lblRecord->repaint();
}

void ChatFrame::RepaintRecordLabel() { m_lblRecord->repaint(); }

void ChatFrame::RestoreRecordLabel()
{
    platform::WaveRecorder &mci = *m_mci;
    mci.setWait(true);
    mci.setCommand(QStringLiteral("Stop"));
    mci.setCommand(QStringLiteral("Close"));
    setRecordColor(int32_t(0x80000012));
    m_lblRecord->setEnabled(true);
    m_lblRecord->repaint();
}

void ChatFrame::EnableCloseButton(bool Enabled) { m_cmdP2PClose->setEnabled(Enabled); }

void ChatFrame::giveChatLineTheKeys()
{
    if (isVisible() && m_txtSendmessage->isVisible() && m_txtSendmessage->isEnabled())
        m_txtSendmessage->setFocus(Qt::OtherFocusReason);
}

void ChatFrame::ChangeLanguage(bool English, platform::Step &step)
{
    step([&] { m_cmdP2PClose->setText(English ? QStringLiteral("Close") : QStringLiteral("Beenden")); });
    step([&] { m_lblRepeat->setText(English ? QStringLiteral("R") : QStringLiteral("W")); });
    step([&] { m_lblRecord->setText(English ? QStringLiteral("Record") : QStringLiteral("Aufnahme")); });
}

void ChatFrame::setRecordColor(int32_t color)
{
    m_lblRecordColor = color;
    QPalette pal = m_lblRecord->palette();
    if (color == int32_t(0x80000012)) {
        const QPalette standard = m_lblRecord->style()->standardPalette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(group, QPalette::WindowText, standard.color(group, QPalette::ButtonText));
    } else {
        pal.setColor(QPalette::WindowText, colorFromBgr(color));
    }
    m_lblRecord->setPalette(pal);
}

} // namespace gamewindow
