#pragma once
// A network session without a window: the game rules over their own GameState, and a fake
// window that replays the peer's start, glide and drop on the board model as the main window
// does (so moves really happen), records chat lines, sounds, boxes and captions, and waits for
// nothing. There is no control: what the session sends is recorded and goes nowhere. Used by
// the dispatcher's tests and its fuzz target; needs no QWidget.
#include "game/net/NetFraming.h"
#include "game/net/NetSession.h"
#include "game/rules/GameRules.h"
#include "platform/MsgBox.h"
#include "platform/Random.h"
#include "support/Zeptools.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

namespace sessionrig {

// The session with its sent frames recorded.
class TapSession : public gamenet::NetSession {
public:
    using NetSession::NetSession;
    void SendPacket(const QString &Packet) override
    {
        if (recordSent)
            sent.append(Packet);
        NetSession::SendPacket(Packet);
    }
    // Hands an arrival to the dispatcher exactly as given, as the control does.
    void arrive(const QByteArray &bytes)
    {
        int16_t client = 1;
        QByteArray copy = bytes;
        Pelkin_DataArrival(client, int32_t(copy.size()), copy);
    }
    bool recordSent = true;
    QStringList sent;
};

class Rig : public rules::GameUi, public gamenet::NetUi {
public:
    // `workDir`: where the log and the received voice go; empty for a temporary folder.
    explicit Rig(const QString &workDir = QString())
        : random(4711), rules(st, *this, random), session(*this, st, rules)
    {
        if (workDir.isEmpty()) {
            temp = std::make_unique<QTemporaryDir>();
            work = temp->path();
        } else {
            work = workDir;
        }
        rules.FillCalculateMatrix();
        st.English = true;
        // The session's error boxes (and a box of the replay) are answered without a person.
        platform::setMsgBoxHook([this](const platform::MsgBoxRequest &r) { return answerBox(r.prompt, r.style); });
    }
    ~Rig() override { platform::setMsgBoxHook(nullptr); }

    gamenet::LinkState &link() { return session.link(); }
    // A peer is awaited, as from the connection dialog's Connect.
    void awaitPeer() { session.admission().awaitFor(qint64(24) * 3600 * 1000); }
    // The peer's connection (client 1) is taken; `greeted`: its hello has come, so its frames
    // count (the hello's own handling is left out).
    void takePeer(bool greeted)
    {
        awaitPeer();
        session.admission().admit(1);
        if (greeted)
            session.admission().hello(1);
    }
    // A linked session: the handshake is done, the names are set.
    void linkUp(bool red)
    {
        takePeer(true);
        link().NetworkGame = true;
        link().HandshakeDone = true;
        link().LocalIsRed = red;
        link().Nick = {QStringLiteral("Anna"), QStringLiteral("Bert")};
    }
    // A game started on this side, as the local player's F2 does.
    void startLocally() { menStartgame_Click(); }
    // The local player's move: the chip glides to the column and drops.
    void play(int16_t column)
    {
        GoToTube(column, false);
        drop();
    }
    int warnings() const
    {
        return int(lines.count(QStringLiteral("!!! Warnung!!! Nicht identifizierte Daten über Port erhalten!!!")));
    }
    // The board holds exactly the chips counted, none above a full column, and each column's
    // line string (group 4) shows as many chips as the column holds.
    bool boardConsistent() const
    {
        int chips = 0;
        for (int c = 1; c <= 7; ++c) {
            if (st.Tube[c] < 0 || st.Tube[c] > 6)
                return false;
            chips += st.Tube[c];
            if (st.GameRunning || st.MoveCount > 0) {
                int marks = 0;
                for (QChar ch : st.PlayMatrix[4][c])
                    marks += ch != QLatin1Char('9');
                if (marks != st.Tube[c])
                    return false;
            }
        }
        return chips == st.MoveCount;
    }

    // The replays of the main window, on the model only.
    void menStartgame_Click()
    {
        if (link().NetworkGame && st.GameRunning) {
            answerBox(QStringLiteral("Netgames can't be restarted!"), platform::vbInformation);
            return;
        }
        st.ResultShown = false;
        st.WinCells.clear();
        st.GameRunning = true;
        st.MoveCount = 0;
        st.PlayMatrix = rules::LineTable{};
        for (int g = 1; g <= 4; ++g)
            for (int n = 1; n <= 7; ++n) {
                const int16_t count = zeptools::CountItems(st.CalcMatrix[g][n], QStringLiteral(","));
                if (count > 1)
                    st.PlayMatrix[g][n] = QString(count, QLatin1Char('9'));
            }
        st.Tube = {};
        if (link().NetworkGame) {
            link().ResultNotified = 0;
            if (!link().FromPeer) {
                session.SendPacket(QStringLiteral("<S>"));
                st.CurrentPlayer = link().LocalIsRed ? 1 : 2;
            } else {
                st.CurrentPlayer = link().LocalIsRed ? 2 : 1;
            }
            rules.ChangeColor();
        } else {
            st.CurrentPlayer = 1;
        }
        rules.ChangeColor();
        st.StartPlayer = st.CurrentPlayer;
        st.SelColumn = 0;
        st.ComputerColor = 0;
        GoToTube(4, false);
    }
    void GoToTube(int16_t Column, bool ByComputer) override
    {
        if (Column == st.SelColumn || (st.CurrentPlayer == st.ComputerColor && !ByComputer))
            return;
        if (link().NetworkGame && !link().FromPeer)
            session.SendPacket(QStringLiteral("<G>") + QString::number(Column));
        st.SelColumn = Column > 7 ? 1 : Column < 1 ? 7 : Column;
    }
    void ChipReleased() override { drop(); }
    void drop()
    {
        const int16_t c = st.SelColumn;
        if (c < 1 || c > 7 || st.Tube[c] == 6)
            return;
        st.Tube[c] = int16_t(st.Tube[c] + 1);
        rules.AdjustPlayMatrix(int16_t((6 - st.Tube[c]) * 7 + c), st.CurrentPlayer);
        if (link().NetworkGame && !link().FromPeer)
            session.SendPacket(QStringLiteral("<D>") + QString::number(c));
        ++st.MoveCount;
        st.LastColumn = c;
        rules.CheckForWin(st.CurrentPlayer, false);
        if (st.MoveCount >= 42 && st.WinCells.trimmed().isEmpty())
            st.GameRunning = false;
        if (st.GameRunning)
            rules.ChangeColor();
        // The status line shows the win; in a network game it is counted.
        if (!st.WinCells.isEmpty() && link().NetworkGame)
            session.NotifyResults(st.CurrentPlayer);
    }

    // rules::GameUi
    void timPlayTimer_Timer() override {}
    void Playsound(const QString &Name, bool Wait) override
    {
        if (keepRecords)
            sounds.append(Wait ? Name + QStringLiteral(" (waited)") : Name);
        if (duringPlay)
            duringPlay(Name);
    }
    void SetStatusColor(int32_t) override {}
    void SetPlayTimerInterval(int) override {}
    void SetResultColor(int32_t) override {}
    void ShowResultGame(const QString &) override {}
    void CheckHighScore() override {}
    void ShowFloatingChip(int16_t) override {}

    // gamenet::NetUi
    void ReplayStart() override { menStartgame_Click(); }
    void ReplayGlide(int16_t Column) override { GoToTube(Column, true); }
    void ReplayDrop() override { ChipReleased(); }
    void ShowChatLine(const QString &Line, int32_t Color) override
    {
        if (keepRecords) {
            lines.append(Line);
            colors.append(Color);
        }
    }
    void ResetChatDisplay() override { lines.clear(); }
    void SetChatCaption(const QString &Caption) override { caption = Caption; }
    void SetLampColor(int32_t Color) override { lamp = Color; }
    void SetBarWidth(int16_t Index, float WidthTwips) override { barWidth[Index] = WidthTwips; }
    void ShowBar(int16_t Index, float WidthTwips, bool Visible) override
    {
        barWidth[Index] = WidthTwips;
        barVisible[Index] = Visible;
    }
    int16_t TransferBarWidth() const override { return 6120; }
    void SetRecordLabelEnabled(bool Enabled) override { recordEnabled = Enabled; }
    void RepaintRecordLabel() override {}
    void RestoreRecordLabel() override { recordEnabled = true; }
    void EnableCloseButton(bool) override {}
    void EnableNetworkMenu(bool) override {}
    void CheckTwoPlayersMenu() override {}
    void SetPingTimer(int) override {}
    int MsgBox(const QString &Prompt, int Style) override { return answerBox(Prompt, Style); }
    void Delay(int16_t) override
    {
        ++delays;
        if (duringDelay)
            duringDelay();
    }
    void DoEvents() override {}
    // The real clock, or one that moves on a second at every reading.
    QDateTime Now() const override { return stepClock ? stepClock->addSecs(++clockReads) : QDateTime::currentDateTime(); }
    // A clock that moves on a second at every reading, unless it is held: every warning shows.
    qint64 Uptime() const override { return uptime += uptimeStep; }
    QString WorkDir() const override { return work; }
    bool LogDialogue() const override { return logDialogue; }

    int answerBox(const QString &prompt, int style)
    {
        if (keepRecords)
            boxes.append(prompt);
        if (duringBox)
            duringBox();
        return (style & 7) == platform::vbAbortRetryIgnore ? int(platform::vbIgnore) : int(platform::vbOK);
    }

    rules::GameState st;
    platform::SystemRandom random;
    rules::GameRules rules;
    TapSession session;
    std::unique_ptr<QTemporaryDir> temp;
    QString work;
    bool logDialogue = true;
    bool keepRecords = true; // false: nothing is collected (the fuzzer)
    std::optional<QDateTime> stepClock;
    mutable qint64 clockReads = 0;
    mutable qint64 uptime = 0;
    qint64 uptimeStep = 1000;

    QStringList lines;
    QList<int32_t> colors;
    QStringList sounds;
    QStringList boxes;
    QString caption;
    int32_t lamp = 0xE0E0E0;
    float barWidth[2] = {0, 0};
    bool barVisible[2] = {false, false};
    bool recordEnabled = false;
    int delays = 0;
    std::function<void(const QString &)> duringPlay;
    std::function<void()> duringDelay;
    std::function<void()> duringBox;
};

// The bytes of a frame with its length field.
inline QByteArray frame(const char *tag, const QByteArray &payload)
{
    return QByteArray(tag) + gamenet::framing::FormatLength(int16_t(payload.size())).toLatin1() + payload;
}

} // namespace sessionrig
