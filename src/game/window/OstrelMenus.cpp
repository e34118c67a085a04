// The main window's menus: game modes, time limit, sound, language, high scores, info, exit and
// help, the captions of both languages, and the hand-over of a series total to the high-score list.
#include "game/window/Ostrel.h"
#include "game/net/Peer2Peer.h"

#include "game/window/ChatFrame.h"
#include "game/window/QorBest.h"
#include "game/window/QorInfo.h"
#include "platform/AppTitle.h"
#include "platform/ErrorGuard.h"
#include "platform/HelpViewer.h"
#include "platform/MousePointer.h"
#include "platform/MsgBox.h"
#include "platform/ToolkitLanguage.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"
#include "support/Zeptools.h"

#include <QDir>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>

namespace gamewindow {

using platform::Step;

namespace {
// The question a mode change asks while a game runs.
bool stopRunningGame(bool english, bool withCancel)
{
    QString prompt;
    if (english)
        prompt = QStringLiteral("To make this change you have to cancel the running game. Do you want to stop this game?");
    else if (withCancel)
        prompt = QStringLiteral(
            "Für diese Umstellung müssen Sie das laufende Spiel abbrechen! - Möchten Sie dieses Spiel beenden?");
    else
        prompt = QStringLiteral(
            "Für diese Umstellung müssen Sie das laufende Spiel abbrechen. Möchten Sie das laufende Spiel beenden?");
    const int style = platform::vbQuestion | (withCancel ? platform::vbYesNoCancel : platform::vbYesNo);
    return platform::MsgBox(prompt, style) == platform::vbYes;
}

// Escape in a menu of the bar closes it as a click elsewhere does. Left to itself the menu hands
// the keyboard to the bar, unmarked, for walking it with the arrow keys, and the game's next
// arrow keys would go there; the window takes the keys back instead, as before the menu opened.
class EscapeLeavesTheMenus : public QObject {
public:
    explicit EscapeLeavesTheMenus(QMainWindow *window) : QObject(window), m_window(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape)
            return false;
        static_cast<QMenu *>(watched)->close();
        // A menu opened with its Alt key leaves the bar holding the keyboard.
        if (m_window->focusWidget() == m_window->menuBar())
            m_window->setFocus(Qt::OtherFocusReason);
        return true;
    }

private:
    QMainWindow *m_window;
};
} // namespace

void Ostrel::buildShellMenus()
{
    // The network game sits between the two local modes and the time limit.
    m_menIP = new QAction(QStringLiteral("Spielen im &Netz"), m_menGame);
    m_menIP->setObjectName(QStringLiteral("menIP"));
    m_menIP->setShortcut(QKeySequence(Qt::Key_F3));
    m_menGame->insertAction(m_menTimeLimit, m_menIP);

    m_menGame->addSeparator()->setObjectName(QStringLiteral("menBreakLine"));
    m_menHighScores = m_menGame->addAction(QStringLiteral("Besten&liste"));
    m_menHighScores->setObjectName(QStringLiteral("menHighScores"));
    m_menGame->addSeparator()->setObjectName(QStringLiteral("menSeperator"));
    m_menInfo = m_menGame->addAction(QStringLiteral("Inf&o"));
    m_menInfo->setObjectName(QStringLiteral("menInfo"));
    m_menCloseAll = m_menGame->addAction(QStringLiteral("&Beenden"));
    m_menCloseAll->setObjectName(QStringLiteral("menCloseAll"));

    m_menLanguage = menuBar()->addMenu(QStringLiteral("&S&prache"));
    m_menLanguage->setObjectName(QStringLiteral("menLanguage"));
    m_menLangEnglish = m_menLanguage->addAction(QStringLiteral("&Englisch"));
    m_menLangEnglish->setObjectName(QStringLiteral("menLangEnglish"));
    m_menLangEnglish->setCheckable(true);
    m_menLanGerman = m_menLanguage->addAction(QStringLiteral("&Deutsch"));
    m_menLanGerman->setObjectName(QStringLiteral("menLanGerman"));
    m_menLanGerman->setCheckable(true);
    m_menLanGerman->setChecked(true);
    m_menHelp = menuBar()->addAction(QStringLiteral("&Hilfe!"));
    m_menHelp->setObjectName(QStringLiteral("menHelp"));

    // A click on a checkable item toggles its mark before the handler runs; the handlers keep
    // the marks themselves, so the toggle is undone first. After every command the chat line of
    // a network game has the keyboard again.
    auto handler = [this](QAction *item, void (Ostrel::*run)()) {
        connect(item, &QAction::triggered, this, [this, item, run] {
            if (item->isCheckable())
                item->setChecked(!item->isChecked());
            (this->*run)();
            m_chat->giveChatLineTheKeys();
        });
    };
    handler(m_menOnePlayer, &Ostrel::menOnePlayer_Click);
    handler(m_menTwoPlayers, &Ostrel::menTwoPlayers_Click);
    handler(m_menIP, &Ostrel::menIP_Click);
    handler(m_menTimeLimit, &Ostrel::menTimeLimit_Click);
    handler(m_menSoundOn, &Ostrel::menSoundOn_Click);
    handler(m_menHighScores, &Ostrel::menHighScores_Click);
    handler(m_menInfo, &Ostrel::menInfo_Click);
    handler(m_menCloseAll, &Ostrel::menCloseAll_Click);
    handler(m_menLangEnglish, &Ostrel::menLangEnglish_Click);
    handler(m_menLanGerman, &Ostrel::menLanGerman_Click);
    connect(m_menHelp, &QAction::triggered, this, [this] {
        menHelp_Click();
        m_chat->giveChatLineTheKeys();
    });
    auto *escape = new EscapeLeavesTheMenus(this);
    m_menGame->installEventFilter(escape);
    m_menLanguage->installEventFilter(escape);
}

void Ostrel::ClearModeMenus()
{
    m_menOnePlayer->setChecked(false);
    m_menTwoPlayers->setChecked(false);
    m_menIP->setChecked(false);
}

void Ostrel::AdjustTimebar()
{
    platform::guardedSub(QStringLiteral("AdjustTimebar"), [&](Step &step) {
        step([&] { m_menTimeLimit->setEnabled(m_menOnePlayer->isChecked()); });
        step([&] {
            if (!m_menTimeLimit->isEnabled())
                showTimeBarLook(false);
            else if (m_menTimeLimit->isChecked())
                showTimeBarLook(true);
        });
    });
}

void Ostrel::menOnePlayer_Click()
{
    rules::GameState &s = m_state;
    if (s.GameRunning && !stopRunningGame(s.English, false))
        return;
    ClearModeMenus();
    if (!m_net->link().Connecting) {
        m_menOnePlayer->setChecked(true);
        s.Level = 0;
        s.TotalPoints = 0;
    }
    AdjustTimebar();
    adjuststatuslbl();
    if (s.GameRunning) {
        s.GameRunning = false;
        menStartgame_Click();
    }
}

void Ostrel::menTwoPlayers_Click()
{
    rules::GameState &s = m_state;
    if (s.GameRunning && !stopRunningGame(s.English, false))
        return;
    ClearModeMenus();
    if (!m_net->link().NetworkGame)
        m_menTwoPlayers->setChecked(true);
    AdjustTimebar();
    adjuststatuslbl();
    if (s.GameRunning) {
        s.GameRunning = false;
        menStartgame_Click();
    }
}

void Ostrel::menTimeLimit_Click()
{
    rules::GameState &s = m_state;
    if (s.GameRunning && !stopRunningGame(s.English, true))
        return;
    m_menTimeLimit->setChecked(!m_menTimeLimit->isChecked());
    if (m_menTimeLimit->isChecked() && m_menOnePlayer->isChecked()) {
        showTimeBarLook(true);
        s.TimeLimitActive = true;
        s.TimerMode = QStringLiteral("TIMECONTROL");
        SetPlayTimerInterval(300);
    } else {
        showTimeBarLook(false);
        s.TimerMode.clear();
        s.TimeLimitActive = false;
    }
    if (s.TimeLimitActive && m_menOnePlayer->isChecked()) {
        s.PointsMode = true;
        s.Level = 0;
        if (!s.FormLoading)
            menStartgame_Click();
    } else {
        s.PointsMode = false;
    }
    adjuststatuslbl();
}

void Ostrel::menSoundOn_Click() { m_menSoundOn->setChecked(!m_menSoundOn->isChecked()); }

void Ostrel::menLangEnglish_Click()
{
    m_menLangEnglish->setChecked(true);
    m_menLanGerman->setChecked(false);
    QString language = QStringLiteral("English");
    ChangeLanguage(language);
}

void Ostrel::menLanGerman_Click()
{
    m_menLangEnglish->setChecked(false);
    m_menLanGerman->setChecked(true);
    QString language = QStringLiteral("German");
    ChangeLanguage(language);
}

void Ostrel::menIP_Click()
{
    rules::GameState &s = m_state;
    m_menTimeLimit->setEnabled(false);
    if (!Pelkin()) {
        // Without the control library the game still plays locally; the network cannot be used.
        const QString why = m_pelkinProblem.isEmpty() ? QStringLiteral("libHarbex.so") : m_pelkinProblem;
        platform::MsgBox((s.English ? QStringLiteral("Network play is not available: the control library could not be loaded.")
                                    : QStringLiteral("Spielen im Netz ist nicht möglich: die Steuerelement-Bibliothek konnte nicht geladen werden."))
                             + QStringLiteral("\r\n") + why,
                         platform::vbCritical | platform::vbOKOnly);
        return;
    }
    {
        // A fresh dialog at every opening, released when it has closed.
        gamenet::Peer2Peer dialog(*m_net, m_programFolder, [this] { prepareForConnect(); }, this);
        dialog.exec();
    }
    if (m_net->link().NetworkGame) {
        m_chat->setVisible(true);
        platform::setOuterHeight(this, platform::twipsToPixels(8595));
        zeptools::CenterForm(this);
        m_chat->focusChatLine();
    }
}

void Ostrel::menHighScores_Click()
{
    platform::guardedSub(QStringLiteral("menHighScores_Click"), [&](Step &step) {
        step([&] {
            platform::setMousePointer(platform::vbHourglass);
            HighScoreWindowPlace place;
            place.english = m_state.English;
            place.resultPanelBottom = frameGeometry().top() + m_board->y() + m_picResult->y()
                                    + platform::twipsToPixels(m_resultPanelHeight);
            place.parent = this;
            QorBest window({m_state.HighNames, m_state.HighPoints}, place);
            platform::setMousePointer(platform::vbDefault);
            window.exec();
        });
    });
}

void Ostrel::CheckHighScore()
{
    HighScoreWindowPlace place;
    place.english = m_state.English;
    place.resultPanelBottom =
        frameGeometry().top() + m_board->y() + m_picResult->y() + platform::twipsToPixels(m_resultPanelHeight);
    place.parent = this;
    gamewindow::CheckHighScore({m_state.HighNames, m_state.HighPoints}, m_state.TotalPoints, place);
}

void Ostrel::menInfo_Click()
{
    platform::setMousePointer(platform::vbHourglass);
    QorInfo window(m_state.English, this);
    platform::setMousePointer(platform::vbDefault);
    window.exec();
}

void Ostrel::menCloseAll_Click()
{
    platform::setMousePointer(platform::vbHourglass);
    close();
}

void Ostrel::menHelp_Click()
{
    platform::guardedSub(QStringLiteral("menHelp_Click"), [&](Step &step) {
        QString helpFile;
        step([&] {
            helpFile = QDir(m_programFolder)
                           .filePath(m_state.English ? QStringLiteral("Qoreng.hlp") : QStringLiteral("Qorger.hlp"));
        });
        step([&] {
            if (m_helpOpener)
                m_helpOpener(helpFile);
            else
                platform::showHelp(helpFile);
        });
    });
}

void Ostrel::ChangeLanguage(QString &Language)
{
    platform::guardedSub(QStringLiteral("ChangeLanguage"), [&](Step &step) {
        step([&] { setStatusCaption(QString()); });
        bool en = false;
        if (Language == QLatin1String("English"))
            en = true;
        else if (Language != QLatin1String("German"))
            return;
        m_state.English = en;
        // The buttons of message boxes are the toolkit's; they speak the game's language too.
        step([&] { platform::useToolkitLanguage(!en); });
        step([&] {
            platform::setAppTitle(QStringLiteral("Ostrel"));
            setWindowTitle(QStringLiteral("Ostrel"));
        });
        const struct {
            QAction *item;
            const char *english;
            const char *german;
        } captions[] = {
            {m_menGame->menuAction(), "&Gameoptions", "&Spieloptionen"},
            {m_menOnePlayer, "Player : &Computer", "Spieler : &Computer"},
            {m_menTwoPlayers, "&Player : Player", "S&pieler : Spieler"},
            {m_menIP, "&Netgame", "Spielen im &Netz"},
            {m_menTimeLimit, "&Timelimit", "&Zeitlimit"},
            {m_menSoundOn, "Sound&effects", "&Toneffekte"},
            {m_menStartgame, "&Start game", "Spiel st&arten"},
            {m_menHighScores, "&Highscores", "Besten&liste"},
            {m_menInfo, "Inf&o", "Inf&o"},
            {m_menCloseAll, "E&xit", "&Beenden"},
            {m_menLanguage->menuAction(), "&Language", "&S&prache"},
            {m_menLanGerman, "&German", "&Deutsch"},
            {m_menLangEnglish, "&English", "&Englisch"},
            {m_menHelp, "&Help!", "&Hilfe!"},
        };
        for (const auto &c : captions)
            step([&] { c.item->setText(QString::fromUtf8(en ? c.english : c.german)); });
        m_chat->ChangeLanguage(en, step);
    });
}

} // namespace gamewindow
