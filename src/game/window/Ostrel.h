#pragma once
// The main window: the board panel with its cells, frame pieces and the floating chip, the
// status line, the time bar and the result panel; the chip's glide and fall, the play timer,
// the game start, keyboard and mouse control and the sound effects.
//
// The window owns one GameState, one GameRules and one random generator and is the rules'
// GameUi, so the computer moves through the same GoToTube and ChipReleased as a person. Nothing
// lives in globals: two windows can play in one process. Positions are twips within the board
// panel, as the procedures compute with them (15 twips per pixel).
//
// The window also carries the application shell: its load, resize and unload with the stored
// settings and high scores, the menus and both languages' captions (OstrelLifecycle.cpp,
// OstrelMenus.cpp), and one chat frame (ChatFrame.h), to which it hands on what the session
// shows there (OstrelNetUi.cpp). Network play is the session's (src/game/net/NetSession.h): the
// window owns one, creates its control Pelkin at load and is its NetUi; the window's glides,
// drops and game starts go out through it, NotifyResults hands it a shown win.
#include "game/net/NetSession.h"
#include "game/net/NetUi.h"
#include "game/rules/GameRules.h"
#include "game/rules/GameState.h"
#include "game/rules/GameUi.h"
#include "game/window/PictureBox.h"
#include "game/window/SoundOutput.h"
#include "platform/Random.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>
#include <memory>

namespace platform {
class HeldKey;
}

namespace gamewindow {

class ChatFrame;
class QorTitle;
using gamenet::HarbexHost;

class Ostrel : public QMainWindow, public rules::GameUi, public gamenet::NetUi {
    Q_OBJECT
public:
    explicit Ostrel(QWidget *parent = nullptr);
    ~Ostrel() override;

    rules::GameState &state() { return m_state; }
    rules::GameRules &gameRules() { return m_rules; }
    platform::SystemRandom &random() { return m_random; }
    // The network session; tests may put one of their own in place before Load.
    gamenet::NetSession &net() { return *m_net; }
    const gamenet::NetSession &net() const { return *m_net; }
    void setNetSession(std::unique_ptr<gamenet::NetSession> session) { m_net = std::move(session); }

    // Folder of the sound files; the executable's folder unless set.
    void setProgramFolder(const QString &folder) { m_programFolder = folder; }
    // Where sounds go; null (the default) is the program's sound player. Not owned.
    void setSoundOutput(SoundOutput *output) { m_soundOutput = output; }
    // The waits of whole seconds (a waited sound behind a waited one, the handshake's pause);
    // support::Delay unless set.
    void setDelay(std::function<void(int16_t)> delay) { m_delay = std::move(delay); }
    // False: the play timer keeps its mode and interval but never fires by itself (tests tick it).
    void setPlayTimerRunsItself(bool runs);

    // rules::GameUi
    void GoToTube(int16_t Column, bool ByComputer) override;
    void ChipReleased() override;
    void timPlayTimer_Timer() override;
    void Playsound(const QString &Name, bool Wait) override;
    void SetStatusColor(int32_t Color) override;
    void SetPlayTimerInterval(int Milliseconds) override;
    void SetResultColor(int32_t Color) override;
    void ShowResultGame(const QString &Text) override;
    void CheckHighScore() override;
    void ShowFloatingChip(int16_t Player) override;

    // gamenet::NetUi
    void ReplayStart() override { menStartgame_Click(); }
    void ReplayGlide(int16_t Column) override { GoToTube(Column, true); }
    void ReplayDrop() override { ChipReleased(); }
    void ShowChatLine(const QString &Line, int32_t Color) override;
    void ResetChatDisplay() override;
    void SetChatCaption(const QString &Caption) override;
    void SetLampColor(int32_t Color) override;
    void SetBarWidth(int16_t Index, float WidthTwips) override;
    void ShowBar(int16_t Index, float WidthTwips, bool Visible) override;
    int16_t TransferBarWidth() const override;
    void SetRecordLabelEnabled(bool Enabled) override;
    void RepaintRecordLabel() override;
    void RestoreRecordLabel() override;
    void EnableCloseButton(bool Enabled) override;
    void EnableNetworkMenu(bool Enabled) override;
    void CheckTwoPlayersMenu() override;
    void SetPingTimer(int Milliseconds) override;
    int MsgBox(const QString &Prompt, int Style) override;
    void Delay(int16_t Seconds) override;
    void DoEvents() override;
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
    QString WorkDir() const override { return m_workDir; }
    bool LogDialogue() const override { return m_logDialogue; }

    void ResetPlaygrid();
    void CheckTimer();
    void adjuststatuslbl();
    void menStartgame_Click();
    void lblStatus_DblClick();
    void HideResult();
    void timPing_Timer() {}

    // Input handlers. KeyCode is the key's virtual key number (13 Enter, 37 Left, 39 Right,
    // 40 Down, 112 F1); a handler may set it to 0 so the key goes no further.
    void Form_KeyDown(int &KeyCode, int Shift);
    void Form_KeyUp(int KeyCode, int Shift);
    void Form_MouseDown(int Button, int Shift, double X, double Y);
    void Form_Click();
    void picPlaygrid_Click(int16_t Index);
    void picPlaygrid_DblClick(int16_t Index);
    void picPlayBorder_Click(int16_t Index);
    void picChip_DblClick(int16_t Index);

    virtual void menHelp_Click();
    // The window's shown network wins go to the session.
    virtual void NotifyResults(int16_t &ActPlayer);

    // The time bar's look: the green one while the time limit is in force, else the grey one.
    void showTimeBarLook(bool enabled);

    // Life cycle (OstrelLifecycle.cpp). Load() is what loading the window does: it creates the
    // control Pelkin, then runs Form_Load; the window stays hidden.
    void Load();
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Form_Activate();
    // The title window that the first activation closes.
    void setTitleWindow(QorTitle *title);
    HarbexHost *Pelkin() const { return m_net->Pelkin(); }

    // Menus and captions (OstrelMenus.cpp).
    void menOnePlayer_Click();
    void menTwoPlayers_Click();
    void menIP_Click();
    void menTimeLimit_Click();
    void menSoundOn_Click();
    void menHighScores_Click();
    void menInfo_Click();
    void menCloseAll_Click();
    void menLangEnglish_Click();
    void menLanGerman_Click();
    void AdjustTimebar();
    void ClearModeMenus();
    void ChangeLanguage(QString &Language);
    // Opens a help file at its contents; platform::showHelp unless replaced (tests).
    void setHelpOpener(std::function<void(const QString &)> open) { m_helpOpener = std::move(open); }
    // Connect in the connection dialog: the game modes make way for the network game.
    void prepareForConnect();

    // The work folder; Form_Load sets it, tests may set their own.
    void setWorkDir(const QString &folder) { m_workDir = folder; }

    // Called by the network menu around the connection dialog; it has no effect.
    void SaveMen(bool Mode) { Q_UNUSED(Mode); }

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // Tests read the measures and state that no control shows exactly.
    friend class OstrelProbe;

    void buildBoard();
    void buildMenus();
    void buildShellMenus();
    void CreatePelkin();
    void setTimeBarWidth(float twips);
    void setResultHeight(int twips);
    void setStatusCaption(const QString &text);
    Picture store(PictureBox *box) const { return box->picture(); }

    rules::GameState m_state;
    platform::SystemRandom m_random;
    rules::GameRules m_rules;

    QString m_programFolder;
    PulseSoundOutput m_pulse;
    SoundOutput *m_soundOutput = nullptr;
    int m_voicePlaying = 0; // voice messages playing, nested in one another
    std::function<void(int16_t)> m_delay;

    QWidget *m_surface = nullptr;
    Panel *m_board = nullptr;
    std::array<PictureBox *, 43> m_playgrid{};
    std::array<PictureBox *, 30> m_border{};
    std::array<PictureBox *, 3> m_chip{};
    std::array<PictureBox *, 7> m_moveChip{};
    std::array<PictureBox *, 6> m_anim{};
    PictureBox *m_timeBar = nullptr;
    Picture m_timeBarEnabled;
    Picture m_timeBarDisabled;
    StatusLabel *m_lblStatus = nullptr;
    Panel *m_picResult = nullptr;
    QLabel *m_lblResult = nullptr;

    QMenu *m_menGame = nullptr;
    QAction *m_menOnePlayer = nullptr;
    QAction *m_menTwoPlayers = nullptr;
    QAction *m_menTimeLimit = nullptr;
    QAction *m_menSoundOn = nullptr;
    QAction *m_menStartgame = nullptr;

    QTimer m_timPlayTimer{this};
    bool m_playTimerRunsItself = true;
    QTimer m_timPing{this};

    int16_t m_animFrame = 0;
    int16_t m_animStep = 1;
    int m_mouseX = 0;
    int m_resultHeight = 0;
    int m_resultPanelHeight = 0;
    float m_timeBarWidth = 5250;

    // Life cycle and menus.
    QAction *m_menIP = nullptr;
    QAction *m_menHighScores = nullptr;
    QAction *m_menInfo = nullptr;
    QAction *m_menCloseAll = nullptr;
    QMenu *m_menLanguage = nullptr;
    QAction *m_menLangEnglish = nullptr;
    QAction *m_menLanGerman = nullptr;
    QAction *m_menHelp = nullptr;
    QString m_workDir;
    bool m_logDialogue = false;
    bool m_unloaded = false;
    QPointer<QorTitle> m_title;
    QString m_pelkinProblem;
    std::function<void(const QString &)> m_helpOpener;
    platform::HeldKey *m_heldKey = nullptr; // tells the repeats of a held key from new presses

    ChatFrame *m_chat = nullptr;

    // Last: the session's control raises events into the window, so it goes first.
    std::unique_ptr<gamenet::NetSession> m_net;
};

} // namespace gamewindow
