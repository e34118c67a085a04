#include "game/window/QorBest.h"

#include "game/rules/GameRules.h"

#include "platform/ErrorGuard.h"
#include "platform/MousePointer.h"
#include "platform/MsgBox.h"
#include "platform/Twips.h"
#include "support/DisabledText.h"
#include "support/Zeptools.h"

#include <QKeyEvent>
#include <QLocale>
#include <QScreen>

namespace gamewindow {

using platform::twipsRect;
using platform::twipsToPixels;

QString formatPoints(int32_t points) { return rules::formatPoints(points); }

QString pointsCaption(int32_t points)
{
    return (points > 0 ? formatPoints(points) : QStringLiteral("-")) + QStringLiteral(" Punkte");
}

QorBest::QorBest(HighScoreTable table, HighScoreWindowPlace place)
    : QDialog(place.parent), m_table(table), m_place(place)
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(twipsToPixels(6195), twipsToPixels(2955));
    for (int i = 0; i < 5; ++i) {
        m_lblPlace[i] = new QLabel(this);
        m_lblPlace[i]->setGeometry(twipsRect(120, 240 + 420 * i, 795, 255));
        m_txtBest[i] = new QLineEdit(this);
        support::keepDisabledTextReadable(m_txtBest[i]);
        m_txtBest[i]->setGeometry(twipsRect(1140, 180 + 420 * i, 3075, 315));
        m_txtBest[i]->setEnabled(false);
        m_lblPoints[i] = new QLabel(this);
        m_lblPoints[i]->setGeometry(twipsRect(4320, 240 + 420 * i, 1635, 255));
        m_lblPoints[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    m_delButton = new QPushButton(this);
    m_delButton->setGeometry(twipsRect(2700, 2400, 1875, 375));
    m_delButton->setAutoDefault(false);
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setGeometry(twipsRect(4800, 2400, 1215, 375));
    m_okButton->setDefault(true);
    connect(m_delButton, &QPushButton::clicked, this, &QorBest::DelBestMovesButton_Click);
    connect(m_okButton, &QPushButton::clicked, this, &QorBest::OkButton_Click);
    Form_Load();
}

void QorBest::enableNameBox(int index)
{
    platform::checkSubscript(index, 0, 4);
    m_txtBest[index]->setEnabled(true);
}

void QorBest::Form_Load()
{
    const bool english = m_place.english;
    setWindowTitle(english ? QStringLiteral("Highscores") : QStringLiteral("Bestenliste"));
    for (int i = 0; i < 5; ++i)
        m_lblPlace[i]->setText((english ? QStringLiteral("No. %1:") : QStringLiteral("Platz %1:")).arg(i + 1));
    m_delButton->setText(english ? QStringLiteral("Delete &Highscores") : QStringLiteral("Highscores &löschen"));

    zeptools::CenterForm(this);
    if (m_place.resultPanelBottom)
        move(x(), *m_place.resultPanelBottom + 30);

    for (int i = 0; i < 5; ++i) {
        m_txtBest[i]->setText(m_table.names[i]);
        m_lblPoints[i]->setText(pointsCaption(m_table.points[i]));
    }
}

void QorBest::Form_Activate()
{
    for (QLineEdit *box : m_txtBest)
        if (box->isEnabled()) {
            box->selectAll();
            box->setFocus();
        }
}

void QorBest::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void QorBest::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void QorBest::OkButton_Click()
{
    for (int i = 0; i < 5; ++i)
        if (m_txtBest[i]->isEnabled())
            m_table.names[i] = m_txtBest[i]->text(); // as typed: blanks kept, empty allowed
    accept();
}

void QorBest::DelBestMovesButton_Click()
{
    const int answer = platform::MsgBox(m_place.english ? QStringLiteral("Delete all highscores ?")
                                                        : QStringLiteral("Alle Highscores löschen ?"),
                                        platform::vbYesNoCancel | platform::vbQuestion);
    if (answer != platform::vbYes)
        return;
    for (int i = 0; i < 5; ++i) {
        m_table.points[i] = 0;
        m_table.names[i].clear();
    }
    Form_Load();
}

void CheckHighScore(HighScoreTable table, int32_t totalPoints, const HighScoreWindowPlace &place)
{
    platform::guardedSub(QStringLiteral("CheckHighScore"), [&](platform::Step &step) {
        if (totalPoints == 0)
            return;
        int i = 0;
        while (i < 5 && totalPoints < table.points[i])
            ++i;
        if (i == 5)
            return;
        step([&] {
            for (int j = 4; j > i; --j) {
                table.points[j] = table.points[j - 1];
                table.names[j] = table.names[j - 1];
            }
            table.points[i] = totalPoints;
            table.names[i].clear();
        });
        step([&] {
            platform::setMousePointer(platform::vbHourglass);
            QorBest window(table, place);
            platform::setMousePointer(platform::vbDefault);
            window.enableNameBox(i);
            window.exec();
        });
    });
}

} // namespace gamewindow
