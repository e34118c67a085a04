// The main window's life cycle: loading (work folder, random seed, line tables, stored settings
// and high scores), centring the board when the window is resized, storing everything when it
// unloads, closing the title window when it is first activated, and its network control Pelkin.
#include "game/window/Ostrel.h"

#include "game/window/ChatFrame.h"
#include "game/window/QorTitle.h"
#include "platform/ErrorGuard.h"
#include "platform/HelpViewer.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"
#include "support/IniHandler.h"
#include "support/IniKeys.h"
#include "support/NumberText.h"
#include "support/Zeptools.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

namespace gamewindow {

using platform::Step;

namespace {

// The width of the voice transfer bars as the chat frame is designed, in twips.
constexpr int16_t SendBarDesignWidth = 6120;

// Points as the settings file keeps them: a blank in the sign position of a number not below 0.
QString pointsText(int32_t points)
{
    return points >= 0 ? QStringLiteral(" ") + QString::number(points) : QString::number(points);
}
} // namespace

void Ostrel::CreatePelkin()
{
    m_pelkinProblem.clear();
    m_net->setPelkin(HarbexHost::create(m_programFolder, this, *m_net, &m_pelkinProblem));
}

void Ostrel::Load()
{
    CreatePelkin();
    Form_Load();
}

void Ostrel::Form_Load()
{
    rules::GameState &s = m_state;
    platform::guardedSub(QStringLiteral("Form_load"), [&](Step &step) {
        // The work folder: one fixed folder per user under the XDG data home, apart from the
        // program folder.
        step([&] {
            m_workDir = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                            .filePath(QStringLiteral("Ostrel"));
        });
    });
    QDir().mkpath(m_workDir); // an existing folder or a failure is not reported
    s.FormLoading = true;
    zeptools::CenterForm(this);
    m_random.reseed(uint64_t(QDateTime::currentMSecsSinceEpoch()));
    m_logDialogue = true;
    m_chat->setTransferBarWidth(SendBarDesignWidth);
    m_net->ShowTransferBar(false, QStringLiteral("Send"));
    adjuststatuslbl();
    m_rules.FillCalculateMatrix();
    m_resultPanelHeight = m_resultHeight;
    s.HighNames = {};
    s.HighPoints = {};

    if (IniHandler::ReadIni(IniKeys::Settings, IniKeys::TWOPlayers).toUpper() == QLatin1String("YES")) {
        m_menTwoPlayers->setChecked(true);
        m_menOnePlayer->setChecked(false);
        m_menTimeLimit->setEnabled(false);
    } else {
        m_menTwoPlayers->setChecked(false);
        m_menOnePlayer->setChecked(true);
    }

    if (IniHandler::ReadIni(IniKeys::Settings, IniKeys::Language) == QLatin1String("GERMAN"))
        menLanGerman_Click();
    else
        menLangEnglish_Click();

    // Each run toggles the mark with its side effects, so two runs leave the wanted mark with the
    // side effects of that state even when the mark was already right.
    const bool timeLimit = IniHandler::ReadIni(IniKeys::Settings, IniKeys::TimeLimit) != QLatin1String("OFF");
    menTimeLimit_Click();
    if (m_menTimeLimit->isChecked() != timeLimit)
        menTimeLimit_Click();

    m_menSoundOn->setChecked(IniHandler::ReadIni(IniKeys::Settings, IniKeys::Sound) != QLatin1String("OFF"));

    for (int i = 0; i <= 4; ++i) {
        s.HighNames[i] = IniHandler::ReadIni(IniKeys::HighScores, IniKeys::Player(i + 1));
        const QString points = IniHandler::ReadIni(IniKeys::HighScores, IniKeys::Points(i + 1));
        // A number outside the 32-bit range is no score this program wrote: it counts as 0.
        s.HighPoints[i] = support::roundedValue<int32_t>(support::numberValue(points)).value_or(0);
    }

    platform::setOuterHeight(this, platform::twipsToPixels(6540));
    if (!isVisible())
        Form_Resize(); // a hidden window gets its resize event only when shown
    s.FormLoading = false;
}

void Ostrel::Form_Resize()
{
    if (m_net->link().NetworkGame)
        return;
    platform::guardedSub(QStringLiteral("Form_Resize"), [&](Step &step) {
        const QSize outer = platform::outerSize(this); // frame, title bar and menu bar included
        step([&] { m_board->hide(); });
        step([&] { m_board->move((outer.width() - 10) / 2 - m_board->width() / 2, m_board->y()); });
        step([&] { m_board->move(m_board->x(), (outer.height() - 50) / 2 - m_board->height() / 2); });
        step([&] {
            m_board->repaint();
            m_board->show();
        });
    });
}

void Ostrel::Form_Unload()
{
    const rules::GameState &s = m_state;
    platform::guardedSub(QStringLiteral("Form_Unload"), [&](Step &step) {
        step([&] { m_chat->MCI().setCommand(QStringLiteral("Close")); });
        step([&] { IniHandler::WriteIni(IniKeys::Settings, IniKeys::Sound, m_menSoundOn->isChecked() ? "ON" : "OFF"); });
        step([&] {
            IniHandler::WriteIni(IniKeys::Settings, IniKeys::TWOPlayers, m_menTwoPlayers->isChecked() ? "YES" : "NO");
        });
        step([&] {
            IniHandler::WriteIni(IniKeys::Settings, IniKeys::TimeLimit, m_menTimeLimit->isChecked() ? "ON" : "OFF");
        });
        step([&] { IniHandler::WriteIni(IniKeys::Settings, IniKeys::Language, s.English ? "ENGLISH" : "GERMAN"); });
        for (int i = 0; i <= 4; ++i) {
            step([&] { IniHandler::WriteIni(IniKeys::HighScores, IniKeys::Player(i + 1), s.HighNames[i]); });
            step([&] {
                IniHandler::WriteIni(IniKeys::HighScores, IniKeys::Points(i + 1),
                                     pointsText(s.HighPoints[i]));
            });
        }
        // The peer learns of the end only from the closed connection; nothing is sent.
        step([&] {
            if (m_net->link().NetworkGame) {
                m_net->CloseConnection();
                Playsound(QStringLiteral("p2pend"), false);
            }
        });
    });
}

void Ostrel::Form_Activate()
{
    if (m_title)
        m_title->Unload();
}

void Ostrel::setTitleWindow(QorTitle *title) { m_title = title; }

bool Ostrel::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    // Showing the main window makes it the active window of the program, also where the
    // desktop hands out no focus (a display without a window manager).
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        Form_Activate();
    return handled;
}

void Ostrel::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void Ostrel::closeEvent(QCloseEvent *event)
{
    // The unload is never cancelled and runs once, however often the window is asked to close.
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
        m_net->setPelkin(nullptr);
    }
    // Closing the main window ends the program: the help, a window of its own, goes with it
    // instead of keeping the program running.
    platform::closeHelp();
    event->accept();
}

} // namespace gamewindow
