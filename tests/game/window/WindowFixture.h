#pragma once
// A main window for tests: its sounds go to a recorder, its sound files are empty files in a
// folder of its own, its play timer is ticked by the test, its random numbers are seeded, and
// what it would send to a peer or hand to later windows is recorded.
#include "OstrelProbe.h"
#include "common/FindControl.h"
#include "game/window/ChatFrame.h"
#include "game/window/OnlineLamp.h"
#include "game/window/Ostrel.h"
#include "game/window/SoundOutput.h"
#include "platform/Pictures.h"

#include <QFileInfo>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

using gamewindow::PictureBox;

inline const QStringList &effectNames()
{
    static const QStringList names{"NEXTTUBE", "CHFALL",  "TFILLED",  "DRAWN",   "PLWIN1",   "PLWIN2",
                                   "PLWIN3",   "TIMEOVER", "RESOPEN", "RESCLOSE", "p2pstart", "msgarriv",
                                   "nickchan", "p2pend"};
    return names;
}

struct SoundRequest {
    QString name; // the file's base name
    QString path;
    bool wait;
    bool windowWorks = false; // a waited sound during which the window went on working
};

class RecordingSound : public gamewindow::SoundOutput {
public:
    void play(const QString &path, bool wait) override
    {
        requests.append({QFileInfo(path).completeBaseName(), path, wait});
        if (duringPlay)
            duringPlay(path, wait);
    }
    void playWhile(const QString &path, const std::function<void()> &whileWaiting) override
    {
        play(path, true);
        requests.last().windowWorks = true;
        whileWaiting();
    }
    int count(const QString &name) const
    {
        int n = 0;
        for (const SoundRequest &r : requests)
            n += r.name == name;
        return n;
    }
    int waited(const QString &name) const
    {
        int n = 0;
        for (const SoundRequest &r : requests)
            n += r.name == name && r.wait;
        return n;
    }
    void clear() { requests.clear(); }
    QList<SoundRequest> requests;
    std::function<void(const QString &, bool)> duringPlay;
};

// The session of a TestWindow: the frames it would send to the peer are recorded.
class PacketSession : public gamenet::NetSession {
public:
    PacketSession(gamewindow::Ostrel &w, QStringList &packets)
        : NetSession(w, w.state(), w.gameRules()), m_packets(packets)
    {
    }
    void SendPacket(const QString &Text) override { m_packets.append(Text); }

private:
    QStringList &m_packets;
};

class TestWindow : public gamewindow::Ostrel {
public:
    TestWindow() { setNetSession(std::make_unique<PacketSession>(*this, packets)); }
    void menHelp_Click() override { ++helpOpened; }
    // The high-score window is modal; these tests only count the hand-over.
    void CheckHighScore() override { ++highScoreChecks; }
    int highScoreChecks = 0;
    void NotifyResults(int16_t &ActPlayer) override { notified.append(ActPlayer); }
    int helpOpened = 0;
    QStringList packets;
    QList<int> notified;
};

// Writes an empty file for every effect: the window only needs to find them.
inline void writeEffectFiles(const QString &folder)
{
    for (const QString &name : effectNames()) {
        QFile f(folder + "/" + name + ".WAV");
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write sound file");
    }
}

struct WindowFixture {
    QTemporaryDir folder;
    RecordingSound sound;
    std::unique_ptr<TestWindow> w;

    explicit WindowFixture(bool onePlayer = true, uint64_t seed = 1)
    {
        writeEffectFiles(folder.path());
        // The pictures the build made in the program folder.
        assets::setPictureFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/pictures");
        w = std::make_unique<TestWindow>();
        w->setProgramFolder(folder.path());
        w->setSoundOutput(&sound);
        w->setPlayTimerRunsItself(false);
        w->random().reseed(seed);
        testing::control<QAction>(w.get(), "menOnePlayer")->setChecked(onePlayer);
        testing::control<QAction>(w.get(), "menTwoPlayers")->setChecked(!onePlayer);
    }
    rules::GameState &s() { return w->state(); }
    gamenet::LinkState &n() { return w->net().link(); }

    void key(Qt::Key k) { QTest::keyClick(w.get(), k); }
    // Clicks the cell as a person does: press and release.
    void clickCell(int n)
    {
        QTest::mouseClick(testing::control<PictureBox>(w.get(), "picPlaygrid", n), Qt::LeftButton);
    }
    // A person's double click: the first click, then the double click.
    void doubleClickCell(int n)
    {
        QTest::mouseClick(testing::control<PictureBox>(w.get(), "picPlaygrid", n), Qt::LeftButton);
        QTest::mouseDClick(testing::control<PictureBox>(w.get(), "picPlaygrid", n), Qt::LeftButton);
    }
    // Moves the chip to the column with the arrow keys and drops it with Down.
    void dropWithKeys(int column)
    {
        while (s().SelColumn != column)
            key(s().SelColumn < column ? Qt::Key_Right : Qt::Key_Left);
        key(Qt::Key_Down);
    }
    // The picture of a store, to compare cells by identity.
    gamewindow::Picture empty() const { return testing::control<PictureBox>(w.get(), "picMoveChip", 0)->picture(); }
    gamewindow::Picture moveChip(int k) const
    {
        return testing::control<PictureBox>(w.get(), "picMoveChip", k)->picture();
    }
    QString status() const { return testing::control<QLabel>(w.get(), "lblStatus")->text(); }
    // The colour a label of the window shows its text in, as &HBBGGRR.
    int32_t textColor(const char *label) const
    {
        const QColor c = testing::control<QLabel>(w.get(), label)->palette().color(QPalette::WindowText);
        return c.red() | c.green() << 8 | c.blue() << 16;
    }
};

// A careful human player (yellow, 2) against the computer (red, 1): looks six plies ahead on its
// own copy of the board, avoids the computer's wins and values its own win as `ownWin` (below 0
// to play for a draw, above 0 to play for a win).
struct Lookahead {
    explicit Lookahead(int ownWin) : ownWin(ownWin) {}
    int ownWin;
    int cell[7][6] = {};
    int height[7] = {};
    bool four(int c, int r, int p) const
    {
        const int dirs[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
        for (const auto &d : dirs) {
            int n = 1;
            for (int s : {1, -1}) {
                int cc = c + d[0] * s, rr = r + d[1] * s;
                while (cc >= 0 && cc < 7 && rr >= 0 && rr < 6 && cell[cc][rr] == p) {
                    ++n;
                    cc += d[0] * s;
                    rr += d[1] * s;
                }
            }
            if (n >= 4)
                return true;
        }
        return false;
    }
    // The human (2) maximises, the computer (1) minimises.
    int value(int toMove, int depth)
    {
        if (depth == 0)
            return 0;
        int best = toMove == 2 ? -100000 : 100000;
        bool any = false;
        for (int c = 0; c < 7; ++c) {
            if (height[c] >= 6)
                continue;
            any = true;
            const int r = height[c]++;
            cell[c][r] = toMove;
            int v;
            if (four(c, r, toMove))
                v = toMove == 1 ? -1000 - depth : ownWin;
            else
                v = value(3 - toMove, depth - 1);
            cell[c][r] = 0;
            --height[c];
            best = toMove == 2 ? std::max(best, v) : std::min(best, v);
        }
        return any ? best : 0;
    }
    int choose(const rules::GameState &s)
    {
        for (int c = 0; c < 7; ++c) {
            height[c] = s.Tube[c + 1];
            for (int r = 0; r < 6; ++r) {
                // Cell (row from the top, column) of the model's line strings: column c+1, row 5-r.
                const QString &col = s.PlayMatrix[4][c + 1];
                cell[c][r] = col.at(5 - r) == QLatin1Char('9') ? 0 : col.at(5 - r).digitValue();
            }
        }
        int bestColumn = -1, best = -1000000;
        for (int c : {3, 2, 4, 1, 5, 0, 6}) {
            if (height[c] >= 6)
                continue;
            const int r = height[c]++;
            cell[c][r] = 2;
            const int v = four(c, r, 2) ? ownWin + 10 : value(1, 5);
            cell[c][r] = 0;
            --height[c];
            if (v > best) {
                best = v;
                bestColumn = c;
            }
        }
        return bestColumn + 1;
    }
};
