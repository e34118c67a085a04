// Two main windows in one process, linked over loopback through the real control: the hosting
// side plays red, the joining side yellow.
#include "NetFixture.h"

#include "common/ConnectionFlood.h"
#include "common/ScriptedMsgBoxes.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

namespace {

int countFrames(const QStringList &sent, const QString &tag)
{
    int n = 0;
    for (const QString &p : sent)
        n += p.startsWith(tag);
    return n;
}

struct Pair {
    ScriptedMsgBoxes boxes;
    NetSide red{"Anna", true};
    NetSide yellow{"Bert", false};
    uint16_t port = 0; // the hosting side's

    // Links the two windows and waits until the whole handshake (three "<E>" frames) is through.
    bool link()
    {
        port = freePort();
        red.host(port);
        yellow.join(port);
        return QTest::qWaitFor([&] { return red.n().HandshakeDone && yellow.n().HandshakeDone; }, 10000)
            && QTest::qWaitFor([&] { return yellow.w->rec->received.count("<E>") == 2; }, 10000);
    }
    // One move of `mover`, waited for on the other side.
    bool move(NetSide &mover, NetSide &other, int column)
    {
        const int before = other.s().MoveCount;
        mover.play(column);
        return QTest::qWaitFor([&] { return other.s().MoveCount == before + 1; }, 5000);
    }
    bool start(NetSide &starter, NetSide &other)
    {
        starter.w->menStartgame_Click();
        return QTest::qWaitFor([&] { return other.s().GameRunning && other.s().SelColumn == 4; }, 5000);
    }
    // Waits until each side has acted on every frame the other sent (a frame is its text and a
    // five-character length field).
    bool settled()
    {
        const auto framed = [](const QStringList &sent) {
            qsizetype bytes = 0;
            for (const QString &packet : sent)
                bytes += packet.toLatin1().size() + 5;
            return bytes;
        };
        return QTest::qWaitFor([&] {
            return red.w->rec->received.size() == framed(yellow.w->rec->sent)
                && yellow.w->rec->received.size() == framed(red.w->rec->sent);
        }, 5000);
    }
    bool sameBoard()
    {
        return red.s().PlayMatrix == yellow.s().PlayMatrix && red.s().Tube == yellow.s().Tube
            && red.s().MoveCount == yellow.s().MoveCount;
    }
};

} // namespace

class TestNetLink : public QObject {
    Q_OBJECT
private slots:
    void handshakeLinksBothSides();
    void gamesPlayedAcrossAreCountedOnEachSide();
    void closingFromTheJoiningSide();
    void closingFromTheHostingSide();
    void unloadingEndsTheLink();
    void germanLinesAndTheArchivingLamp();
    void aVoiceMessageCrossesTheLinkAndIsArchived();
    void aPeersLineBreaksForgeNoLogLines();
    void linesTypedAtAPersonsPaceAreAllKept();
    void junkFromThePeerLeavesItsNextFramesReadable();
    void mouseKeysAndDoubleClicksKeepTheBoardsInStep();
    void everyInputBeforeDuringAndAfterAGameLeavesEqualBoards();
    void movesMadeWhileAPeersVoiceMessagePlaysReachThePeer();
    void aComputerChosenWhileLinkedNeverMovesForThePeer();
    void aGameStartedDuringTheHandshakesPauseStartsOnBothSides();
    void theJoinersStartAndLineRightAfterItsPauseReachTheHostInItsPause();
    void peersStillJoinAfterTheLastClientNumber();
};

void TestNetLink::handshakeLinksBothSides()
{
    Pair p;
    QVERIFY(p.link());
    for (NetSide *side : {&p.red, &p.yellow}) {
        const gamenet::LinkState &s = side->n();
        QVERIFY(s.NetworkGame);
        QVERIFY(!testing::control<QAction>(side->w.get(), "menIP")->isEnabled());
        QVERIFY(testing::control<QAction>(side->w.get(), "menTwoPlayers")->isChecked());
        QVERIFY(testing::control<QPushButton>(side->w.get(), "cmdP2PClose")->isEnabled());
        QVERIFY(testing::control<QLabel>(side->w.get(), "lblRecord")->isEnabled());
        QCOMPARE(testing::control<gamewindow::ChatFrame>(side->w.get(), "frmChat")->title(), QString("    Chat "));
        QCOMPARE(testing::control<gamewindow::OnlineLamp>(side->w.get(), "shpOnlineLamp")->fillColor(), 0xFF);
        QVERIFY(testing::control<QTimer>(side->w.get(), "timPing")->isActive());
        QCOMPARE(testing::control<QTimer>(side->w.get(), "timPing")->interval(), 2000);
        QCOMPARE(side->sound.count("p2pstart"), 1);
    }
    QCOMPARE(p.red.n().PeerClientNo, int16_t(1));
    // The same version on both sides: one line each, no warning.
    QCOMPARE(p.red.lines(), QStringList{"  --- Connected with Bert! ---"});
    QCOMPARE(p.yellow.lines(), QStringList{"  --- Connected with Anna! ---"});
    QCOMPARE(p.red.n().Nick[1], QString("Bert"));
    QCOMPARE(p.yellow.n().PeerNameAtConnect, QString("Anna"));
    // Host, joiner, host: the host sends two "<E>", the joiner one.
    QCOMPARE(countFrames(p.red.w->rec->sent, "<E>"), 2);
    QCOMPARE(countFrames(p.yellow.w->rec->sent, "<E>"), 1);
    QCOMPARE(p.red.w->rec->sent.first(), QString("<E>Anna|Freeware Version 2.98"));
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetLink::gamesPlayedAcrossAreCountedOnEachSide()
{
    Pair p;
    QVERIFY(p.link());
    NetSide &r = p.red;
    NetSide &y = p.yellow;

    // Red starts: red moves first on both sides.
    QVERIFY(p.start(r, y));
    QCOMPARE(r.s().CurrentPlayer, int16_t(1));
    QCOMPARE(y.s().CurrentPlayer, int16_t(1));
    for (int round = 0; round < 3; ++round) {
        QVERIFY(p.move(r, y, 1));
        QVERIFY(p.move(y, r, 2));
    }
    QVERIFY(p.move(r, y, 1)); // four red in column 1
    QVERIFY(p.sameBoard());
    for (NetSide *side : {&r, &y}) {
        QVERIFY(!side->s().GameRunning);
        QVERIFY(!side->s().WinCells.isEmpty());
        QCOMPARE(side->n().ResultNotified, int16_t(1));
    }
    // Replayed moves send nothing back: each side sent only its own moves.
    QCOMPARE(countFrames(r.w->rec->sent, "<D>"), 4);
    QCOMPARE(countFrames(y.w->rec->sent, "<D>"), 3);
    QCOMPARE(countFrames(y.w->rec->sent, "<S>"), 0);
    for (const QString &frame : y.w->rec->sent)
        if (frame.startsWith("<G>") || frame.startsWith("<D>"))
            QCOMPARE(frame.mid(3), QString("2"));
    QCOMPARE(r.n().GamesWon, (std::array<float, 2>{1, 0}));
    QCOMPARE(y.n().GamesWon, (std::array<float, 2>{0, 1}));
    QCOMPARE(testing::control<gamewindow::ChatFrame>(r.w.get(), "frmChat")->title(),
             QString("    Won games ->  Anna : 1    Bert : 0 "));
    QCOMPARE(testing::control<gamewindow::ChatFrame>(y.w.get(), "frmChat")->title(),
             QString("    Won games ->  Bert : 0    Anna : 1 "));
    // The status line shows the same win again: counted once.
    r.w->adjuststatuslbl();
    y.w->adjuststatuslbl();
    QCOMPARE(r.n().GamesWon, (std::array<float, 2>{1, 0}));

    // Yellow starts the next game: yellow moves first on both sides.
    QVERIFY(p.start(y, r));
    QCOMPARE(countFrames(y.w->rec->sent, "<S>"), 1);
    QCOMPARE(countFrames(r.w->rec->sent, "<S>"), 1);
    QCOMPARE(r.s().CurrentPlayer, int16_t(2));
    QCOMPARE(y.s().CurrentPlayer, int16_t(2));
    QCOMPARE(r.n().ResultNotified, int16_t(0));
    QCOMPARE(r.s().MoveCount, int16_t(0));
    QCOMPARE(r.s().Tube, (std::array<int16_t, 8>{}));
    for (int round = 0; round < 3; ++round) {
        QVERIFY(p.move(y, r, 3));
        QVERIFY(p.move(r, y, 5));
    }
    QVERIFY(p.move(y, r, 3));
    QVERIFY(p.sameBoard());
    QCOMPARE(r.n().ResultNotified, int16_t(2));
    QCOMPARE(r.n().GamesWon, (std::array<float, 2>{1, 1}));
    QCOMPARE(y.n().GamesWon, (std::array<float, 2>{1, 1}));
    QCOMPARE(testing::control<gamewindow::ChatFrame>(y.w.get(), "frmChat")->title(),
             QString("    Won games ->  Bert : 1    Anna : 1 "));
    QCOMPARE(p.boxes.count(), 0);
}

namespace {
void checkNoLink(NetSide &side)
{
    QVERIFY(!side.n().NetworkGame);
    QVERIFY(!side.n().HandshakeDone);
    QCOMPARE(testing::control<gamewindow::OnlineLamp>(side.w.get(), "shpOnlineLamp")->fillColor(), 0xE0E0E0);
    QVERIFY(testing::control<QAction>(side.w.get(), "menIP")->isEnabled());
    QVERIFY(!testing::control<QPushButton>(side.w.get(), "cmdP2PClose")->isEnabled());
    QVERIFY(!testing::control<QLabel>(side.w.get(), "lblRecord")->isEnabled());
    QVERIFY(!testing::control<QTimer>(side.w.get(), "timPing")->isActive());
}
} // namespace

void TestNetLink::closingFromTheJoiningSide()
{
    Pair p;
    QVERIFY(p.link());
    QVERIFY(p.start(p.red, p.yellow));
    p.red.clearLines();
    p.yellow.clearLines();

    p.yellow.w->net().cmdP2PClose_Click();
    QCOMPARE(p.yellow.lines(), (QStringList{"--- Connection closed by Bert! ---", "--- Connection to Anna closed! ---"}));
    QCOMPARE(p.yellow.sound.count("p2pend"), 2);
    checkNoLink(p.yellow);
    QVERIFY(QTest::qWaitFor([&] { return !p.red.n().NetworkGame; }, 5000));
    QCOMPARE(p.red.lines(), QStringList{"--- Connection to Bert closed! ---"});
    QCOMPARE(p.red.sound.count("p2pend"), 1);
    checkNoLink(p.red);
    // The game on the board goes on locally; the mode, names and tally stay.
    QVERIFY(p.red.s().GameRunning);
    QVERIFY(p.yellow.s().GameRunning);
    QVERIFY(testing::control<QAction>(p.red.w.get(), "menTwoPlayers")->isChecked());
    QCOMPARE(p.red.n().Nick[1], QString("Bert"));

    // A second click finds no link.
    p.yellow.w->net().cmdP2PClose_Click();
    QCOMPARE(p.boxes.count(), 1);
    QCOMPARE(p.boxes.shown().first().prompt, QString("Connection already closed!"));
    QCOMPARE(p.yellow.sound.count("p2pend"), 2);
}

void TestNetLink::closingFromTheHostingSide()
{
    Pair p;
    QVERIFY(p.link());
    p.red.clearLines();
    p.yellow.clearLines();
    p.red.w->net().cmdP2PClose_Click();
    QCOMPARE(p.red.lines(), (QStringList{"--- Connection closed by Anna! ---", "--- Connection to Bert closed! ---"}));
    QCOMPARE(p.red.sound.count("p2pend"), 2);
    checkNoLink(p.red);
    QVERIFY(QTest::qWaitFor([&] { return !p.yellow.n().NetworkGame; }, 5000));
    QCOMPARE(p.yellow.lines(), QStringList{"--- Connection to Anna closed! ---"});
    QCOMPARE(p.yellow.sound.count("p2pend"), 1);
    checkNoLink(p.yellow);
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetLink::unloadingEndsTheLink()
{
    Pair p;
    QVERIFY(p.link());
    p.yellow.clearLines();
    p.red.w->close();
    QCOMPARE(p.red.sound.count("p2pend"), 2);
    QVERIFY(!p.red.n().NetworkGame);
    QVERIFY(QTest::qWaitFor([&] { return !p.yellow.n().NetworkGame; }, 5000));
    QCOMPARE(p.yellow.lines(), QStringList{"--- Connection to Anna closed! ---"});
}

void TestNetLink::germanLinesAndTheArchivingLamp()
{
    Pair p;
    p.red.s().English = false;
    p.yellow.s().English = false;
    // Voice messages archived on the joining side: its lamp turns yellow at the handshake.
    p.yellow.n().KeepVoice = true;
    QVERIFY(p.link());
    QCOMPARE(p.red.lines(), QStringList{"  --- Verbunden mit Bert! ---"});
    QCOMPARE(p.yellow.lines(), QStringList{"  --- Verbunden mit Anna! ---"});
    QCOMPARE(testing::control<gamewindow::OnlineLamp>(p.yellow.w.get(), "shpOnlineLamp")->fillColor(), 0xFFFF);
    QCOMPARE(testing::control<gamewindow::OnlineLamp>(p.red.w.get(), "shpOnlineLamp")->fillColor(), 0xFF);
    p.red.clearLines();
    p.yellow.clearLines();

    p.yellow.w->net().cmdP2PClose_Click();
    QCOMPARE(p.yellow.lines(),
             (QStringList{"--- Verbindung wurde von Bert beendet! ---", "--- Verbindung zu Anna getrennt! ---"}));
    QVERIFY(!p.yellow.n().KeepVoice);
    QCOMPARE(testing::control<gamewindow::OnlineLamp>(p.yellow.w.get(), "shpOnlineLamp")->fillColor(), 0xE0E0E0);
    QVERIFY(QTest::qWaitFor([&] { return !p.red.n().NetworkGame; }, 5000));
    QCOMPARE(p.red.lines(), QStringList{"--- Verbindung zu Bert getrennt! ---"});
    QCOMPARE(p.boxes.count(), 0);
    p.red.w->net().cmdP2PClose_Click();
    QCOMPARE(p.boxes.count(), 1);
    QCOMPARE(p.boxes.shown().first().prompt, QString("Verbindung wurde bereits getrennt!"));
    QCOMPARE(p.boxes.shown().first().style, int(platform::vbOKOnly));
}

void TestNetLink::aVoiceMessageCrossesTheLinkAndIsArchived()
{
    Pair p;
    QVERIFY(p.link());
    QVERIFY(p.red.w->WorkDir() != p.yellow.w->WorkDir());
    p.yellow.n().KeepVoice = true;
    // A recording of three blocks (2000, 2000, 500 bytes) leaves the red side.
    QByteArray recording(4500, Qt::Uninitialized);
    for (int i = 0; i < recording.size(); ++i)
        recording[i] = char((i * 7 + i / 2000) & 0xFF);
    QFile out(QDir(p.red.w->WorkDir()).filePath("outvoice.wav"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(recording) == recording.size());
    out.close();
    p.red.w->net().SendVoiceFile();
    QVERIFY(QTest::qWaitFor([&] { return p.yellow.sound.waited("invoice") == 1; }, 10000));
    QFile in(QDir(p.yellow.w->WorkDir()).filePath("invoice.wav"));
    QVERIFY(in.open(QIODevice::ReadOnly));
    QCOMPARE(in.readAll(), recording);
    // The receiver kept a copy named after the peer; the sender may record again.
    const QStringList copies = QDir(p.yellow.w->WorkDir()).entryList({"Anna_*.Wav"}, QDir::Files);
    QCOMPARE(copies.size(), 1);
    const QLabel *record = testing::control<QLabel>(p.red.w.get(), "lblRecord");
    QVERIFY(QTest::qWaitFor([&] { return p.red.n().TotalOut == 0 && record->isEnabled(); }, 5000));
    QCOMPARE(countFrames(p.red.w->rec->sent, "<V>"), 1);
    QCOMPARE(countFrames(p.red.w->rec->sent, "<VA"), 1);
    QCOMPARE(countFrames(p.yellow.w->rec->sent, "<C>"), 4);
    QVERIFY(p.red.n().NetworkGame && p.yellow.n().NetworkGame);

    // Bare "<VA" frames after the transfer replay nothing and archive nothing more.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 10; ++i)
        p.red.w->net().SendPacket("<VA");
    QVERIFY(QTest::qWaitFor([&] { return p.yellow.w->rec->received.count("<VA    0") == 11; }, 5000));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(p.yellow.sound.waited("invoice"), 1);
    QCOMPARE(QDir(p.yellow.w->WorkDir()).entryList({"Anna_*.Wav"}, QDir::Files).size(), 1);
    QCOMPARE(p.yellow.lines().filter("Voice message").size(), 0);
}

void TestNetLink::aPeersLineBreaksForgeNoLogLines()
{
    Pair p;
    QVERIFY(p.link());
    p.yellow.clearLines();
    p.red.w->net().SendPacket("<T><Anna\r\n> hi\r\n--- End of Connection (1.1.2000 - 00:00:00) ---\x01\x7f");
    QVERIFY(QTest::qWaitFor([&] { return !p.yellow.lines().isEmpty(); }, 5000));
    const QString shown = "<Anna  > hi  --- End of Connection (1.1.2000 - 00:00:00) ---  ";
    QCOMPARE(p.yellow.lines(), QStringList{shown});
    QFile log(QDir(p.yellow.w->WorkDir()).filePath("QorLog.Txt"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    QVERIFY(lines.contains(shown.toLatin1() + "\r"));
    for (const QByteArray &line : lines)
        QVERIFY2(!line.startsWith("--- End of Connection"), line.constData());
}

void TestNetLink::linesTypedAtAPersonsPaceAreAllKept()
{
    Pair p;
    QVERIFY(p.link());
    p.red.clearLines();
    p.red.sound.clear();
    // Quick typing: a line every 150 ms for two seconds.
    QStringList typed;
    for (int i = 0; i < 13; ++i) {
        typed.append(QString("<Bert> quick line %1").arg(i));
        auto *line = testing::control<QLineEdit>(p.yellow.w.get(), "txtSendmessage");
        line->setText(QString("quick line %1").arg(i));
        QTest::keyClick(line, Qt::Key_Return);
        QTest::qWait(150);
    }
    QVERIFY(QTest::qWaitFor([&] { return p.red.lines().size() == typed.size(); }, 5000));
    QTest::qWait(1100);
    QCOMPARE(p.red.lines(), typed);
    QCOMPARE(p.red.sound.count("msgarriv"), int(typed.size()));
    QFile log(QDir(p.red.w->WorkDir()).filePath("QorLog.Txt"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray logged = log.readAll();
    for (const QString &line : typed)
        QVERIFY2(logged.contains(line.toLatin1() + "\r\n"), qPrintable(line));
}

void TestNetLink::junkFromThePeerLeavesItsNextFramesReadable()
{
    Pair p;
    QVERIFY(p.link());
    QVERIFY(p.start(p.red, p.yellow));
    p.red.clearLines();
    // The joining side's control puts junk on the wire: a chat frame without a number in its
    // length field (8 bytes), then "Hello", which begins no frame.
    const QByteArray junk = "<T>  abcHello";
    const qint64 before = p.red.w->rec->receivedCount;
    p.yellow.w->net().PelkinSendBytes(p.yellow.n().PeerClientNo, junk);
    QVERIFY(QTest::qWaitFor([&] { return p.red.w->rec->receivedCount == before + junk.size(); }, 5000));
    // What the joining player does next arrives whole: a chat line typed, a move.
    QLineEdit *line = testing::control<QLineEdit>(p.yellow.w.get(), "txtSendmessage");
    line->setText("still here");
    QTest::keyClick(line, Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return p.red.lines().contains("<Bert> still here"); }, 5000));
    QVERIFY(p.move(p.red, p.yellow, 1));
    QVERIFY(p.move(p.yellow, p.red, 2));
    QVERIFY(p.sameBoard());
    QCOMPARE(p.red.lines(), (QStringList{"", "!!! Warnung!!! Nicht identifizierte Daten über Port erhalten!!!",
                                         "<Bert> still here"}));
    QCOMPARE(p.boxes.count(), 0);
}

namespace {
// The player's inputs on a window: arrow keys and Down, a click and a double click on a top cell,
// a click on a top cell and then a double click on the floating chip.
void byKeys(NetSide &side, int column)
{
    while (side.s().SelColumn != column)
        QTest::keyClick(side.w.get(), side.s().SelColumn < column ? Qt::Key_Right : Qt::Key_Left);
    QTest::keyClick(side.w.get(), Qt::Key_Down);
}
void byCell(NetSide &side, int column)
{
    QTest::mouseClick(testing::control<PictureBox>(side.w.get(), "picPlaygrid", column), Qt::LeftButton);
    QTest::mouseDClick(testing::control<PictureBox>(side.w.get(), "picPlaygrid", column), Qt::LeftButton);
}
void byChip(NetSide &side, int column)
{
    QTest::mouseClick(testing::control<PictureBox>(side.w.get(), "picPlaygrid", column), Qt::LeftButton);
    QTest::mouseDClick(testing::control<PictureBox>(side.w.get(), "picChip", 0), Qt::LeftButton);
}
} // namespace

void TestNetLink::mouseKeysAndDoubleClicksKeepTheBoardsInStep()
{
    Pair p;
    QVERIFY(p.link());
    QVERIFY(p.start(p.red, p.yellow));
    using Input = void (*)(NetSide &, int);
    const struct {
        bool red;
        Input input;
        int column;
    } moves[] = {{true, byKeys, 1}, {false, byCell, 2}, {true, byChip, 1}, {false, byKeys, 2},
                 {true, byCell, 1}, {false, byChip, 2}, {true, byKeys, 1}};
    for (const auto &move : moves) {
        NetSide &mover = move.red ? p.red : p.yellow;
        NetSide &other = move.red ? p.yellow : p.red;
        // The side not to move double-clicks its floating chip: nothing happens on either side.
        const int before = other.s().MoveCount;
        QTest::mouseDClick(testing::control<PictureBox>(other.w.get(), "picChip", 0), Qt::LeftButton);
        QTest::qWait(20);
        QCOMPARE(other.s().MoveCount, before);
        QCOMPARE(mover.s().MoveCount, before);
        move.input(mover, move.column);
        QVERIFY(QTest::qWaitFor([&] { return other.s().MoveCount == before + 1; }, 5000));
        QCOMPARE(mover.s().MoveCount, before + 1);
        QVERIFY(p.sameBoard());
    }
    // Four red in column 1 on both boards.
    QVERIFY(!p.red.s().GameRunning && !p.yellow.s().GameRunning);
    QCOMPARE(p.red.s().Tube[1], int16_t(4));
    QCOMPARE(p.red.n().GamesWon, (std::array<float, 2>{1, 0}));
    QCOMPARE(p.yellow.n().GamesWon, (std::array<float, 2>{0, 1}));
    QCOMPARE(p.boxes.count(), 0);
}

namespace {
// Every input a player has on the board, one at a time, with the column a click aims at.
struct Input {
    const char *name;
    bool drops;
    void (*act)(NetSide &, int column);
};
const Input kInputs[] = {
    {"Left", false, [](NetSide &s, int) { QTest::keyClick(s.w.get(), Qt::Key_Left); }},
    {"Right", false, [](NetSide &s, int) { QTest::keyClick(s.w.get(), Qt::Key_Right); }},
    {"Down", true, [](NetSide &s, int) { QTest::keyClick(s.w.get(), Qt::Key_Down); }},
    {"Enter", true, [](NetSide &s, int) { QTest::keyClick(s.w.get(), Qt::Key_Return); }},
    {"click on a cell", false,
     [](NetSide &s, int c) {
         QTest::mouseClick(testing::control<PictureBox>(s.w.get(), "picPlaygrid", c), Qt::LeftButton);
     }},
    {"click on a top frame piece", false,
     [](NetSide &s, int c) {
         QTest::mouseClick(testing::control<PictureBox>(s.w.get(), "picPlayBorder", 22 + c), Qt::LeftButton);
     }},
    {"double click on a cell", true,
     [](NetSide &s, int c) {
         QTest::mouseClick(testing::control<PictureBox>(s.w.get(), "picPlaygrid", c), Qt::LeftButton);
         QTest::mouseDClick(testing::control<PictureBox>(s.w.get(), "picPlaygrid", c), Qt::LeftButton);
     }},
    {"double click on the floating chip", true,
     [](NetSide &s, int) {
         QTest::mouseDClick(testing::control<PictureBox>(s.w.get(), "picChip", 0), Qt::LeftButton);
     }},
};

int movesSent(NetSide &side) { return countFrames(side.w->rec->sent, "<G>") + countFrames(side.w->rec->sent, "<D>"); }
} // namespace

void TestNetLink::everyInputBeforeDuringAndAfterAGameLeavesEqualBoards()
{
    Pair p;
    // A local game on each side, then the link: it ends the games, the floating chips still show.
    p.red.w->menStartgame_Click();
    p.yellow.w->menStartgame_Click();
    QVERIFY(p.link());
    // No game runs, before the first one and after one: no input moves anything on either side.
    const auto nothingMoves = [&](const char *when) {
        const int sent = movesSent(p.red) + movesSent(p.yellow);
        for (NetSide *side : {&p.red, &p.yellow}) {
            QVERIFY(!side->s().GameRunning);
            for (const Input &input : kInputs) {
                input.act(*side, 2);
                QVERIFY2(p.settled(), input.name);
                QVERIFY2(p.sameBoard(), qPrintable(QString("%1, %2").arg(when, input.name)));
            }
        }
        QCOMPARE(movesSent(p.red) + movesSent(p.yellow), sent);
    };
    QVERIFY(testing::control<PictureBox>(p.red.w.get(), "picChip", 0)->isVisibleTo(p.red.w.get()));
    QVERIFY(testing::control<PictureBox>(p.yellow.w.get(), "picChip", 0)->isVisibleTo(p.yellow.w.get()));
    nothingMoves("before the first game");
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(p.red.s().MoveCount, int16_t(0));

    // During a game each input is tried by the side not to move (nothing happens), then by the
    // side to move (its glide or drop shows on both sides).
    QVERIFY(p.start(p.red, p.yellow));
    int column = 4;
    for (const Input &input : kInputs) {
        column = column % 7 + 1;
        NetSide &mover = p.red.s().CurrentPlayer == 1 ? p.red : p.yellow;
        NetSide &other = &mover == &p.red ? p.yellow : p.red;
        const int moves = mover.s().MoveCount;
        const int sent = movesSent(other);
        input.act(other, column);
        QVERIFY2(p.settled(), input.name);
        QCOMPARE(movesSent(other), sent);
        QCOMPARE(other.s().MoveCount, moves);
        input.act(mover, column);
        QVERIFY2(p.settled(), input.name);
        QVERIFY2(p.sameBoard(), input.name);
        QCOMPARE(mover.s().MoveCount, moves + int(input.drops));
        QCOMPARE(other.s().SelColumn, mover.s().SelColumn);
    }
    QCOMPARE(p.red.s().MoveCount, int16_t(4));
    // Red completes the bottom row.
    for (int c : {1, 1, 2, 2, 3}) {
        NetSide &mover = p.red.s().CurrentPlayer == 1 ? p.red : p.yellow;
        QVERIFY(p.move(mover, &mover == &p.red ? p.yellow : p.red, c));
    }
    QVERIFY(!p.red.s().WinCells.isEmpty());
    nothingMoves("after the game");
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetLink::movesMadeWhileAPeersVoiceMessagePlaysReachThePeer()
{
    Pair p;
    QVERIFY(p.link());
    QVERIFY(p.start(p.red, p.yellow));
    // Yellow sends a voice message while red is to move; red's player tries every input while
    // the message plays (the window goes on working meanwhile).
    QFile out(QDir(p.yellow.w->WorkDir()).filePath("outvoice.wav"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(QByteArray(3000, 'v')) == 3000);
    out.close();
    bool tried = false;
    p.red.sound.duringPlay = [&](const QString &path, bool wait) {
        if (!wait || QFileInfo(path).completeBaseName() != "invoice")
            return;
        tried = true;
        for (const Input &input : kInputs)
            input.act(p.red, 2);
    };
    p.yellow.w->net().SendVoiceFile();
    QVERIFY(QTest::qWaitFor([&] { return tried; }, 10000));
    p.red.sound.duringPlay = nullptr;
    // Red's one drop on its turn went out and was replayed; nothing was made unsent.
    QCOMPARE(p.red.s().MoveCount, int16_t(1));
    QVERIFY(QTest::qWaitFor([&] { return p.yellow.s().MoveCount == 1; }, 5000));
    QVERIFY(p.sameBoard());
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetLink::aComputerChosenWhileLinkedNeverMovesForThePeer()
{
    Pair p;
    QVERIFY(p.link());
    // Yellow picks a game against the computer, which plays red: the peer's colour.
    p.yellow.w->menOnePlayer_Click();
    QVERIFY(p.start(p.yellow, p.red));
    QCOMPARE(p.yellow.s().ComputerColor, int16_t(1));
    QTest::keyClick(p.yellow.w.get(), Qt::Key_Down);
    QVERIFY(p.settled());
    QCOMPARE(p.yellow.s().TimerMode, QString("THINKING"));
    // Red's player drops, and before that move arrives the play timer ticks on yellow's side.
    QTest::keyClick(p.red.w.get(), Qt::Key_Down);
    for (int tick = 0; tick < 3; ++tick)
        p.yellow.w->timPlayTimer_Timer();
    QVERIFY(p.settled());
    QCOMPARE(countFrames(p.yellow.w->rec->sent, "<D>"), 1);
    QCOMPARE(p.yellow.s().MoveCount, int16_t(2));
    QVERIFY(p.sameBoard());
    QCOMPARE(p.yellow.s().CurrentPlayer, int16_t(2));
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetLink::peersStillJoinAfterTheLastClientNumber()
{
    // While a link stands, more connections than there are client numbers come and are turned
    // away; the link goes on, and after it a peer still joins under a number that serves again.
    constexpr int Numbers = 32767;
    Pair p;
    QVERIFY(p.link());
    QVERIFY(p.start(p.red, p.yellow));
    QVERIFY(p.move(p.red, p.yellow, 1));
    p.red.clearLines();
    p.yellow.clearLines();
    RecordingSession &host = *p.red.w->rec;
    host.keepBytes = false;
    const int seenBefore = host.clientsSeen;
    {
        ConnectionFlood flood(p.port, Numbers, host.clientsSeen);
        QVERIFY(spinFor([&] { return flood.finished() && host.clientsSeen - seenBefore == flood.opened(); }, 300000));
        QCOMPARE(flood.opened(), Numbers);
    }
    // The standing link noticed nothing and plays on, both ways.
    QCOMPARE(p.red.n().PeerClientNo, int16_t(1));
    QVERIFY(p.red.n().NetworkGame && p.yellow.n().NetworkGame);
    QVERIFY(p.move(p.yellow, p.red, 2));
    QVERIFY(p.move(p.red, p.yellow, 3));
    QVERIFY(p.sameBoard());
    QVERIFY(p.red.lines().isEmpty());
    QVERIFY(p.yellow.lines().isEmpty());
    QCOMPARE(p.boxes.count(), 0);

    // The joining side leaves; it joins again under a number handed out before, and plays.
    p.yellow.w->net().cmdP2PClose_Click();
    QVERIFY(QTest::qWaitFor([&] { return !p.red.n().NetworkGame; }, 5000));
    p.red.n().HandshakeDone = p.yellow.n().HandshakeDone = false;
    p.red.awaitPeer(); // the host's user connects again
    p.yellow.join(p.port);
    QVERIFY(QTest::qWaitFor([&] { return p.red.n().HandshakeDone && p.yellow.n().HandshakeDone; }, 10000));
    QVERIFY(p.red.n().PeerClientNo >= 1 && p.red.n().PeerClientNo <= 2);
    QVERIFY(p.start(p.yellow, p.red));
    QVERIFY(p.move(p.yellow, p.red, 4));
    QVERIFY(p.move(p.red, p.yellow, 4));
    QVERIFY(p.sameBoard());
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetLink::aGameStartedDuringTheHandshakesPauseStartsOnBothSides()
{
    Pair p;
    // Red's player starts a game (F2) while red's handshake pauses.
    bool started = false;
    p.red.w->setDelay([&](int16_t) {
        if (!started) {
            started = true;
            p.red.w->menStartgame_Click();
        }
        QTest::qWait(5);
    });
    QVERIFY(p.link());
    QVERIFY(started);
    QVERIFY(QTest::qWaitFor([&] { return p.yellow.s().GameRunning; }, 5000));
    QVERIFY(p.red.s().GameRunning);
    QVERIFY(p.move(p.red, p.yellow, 3));
    QVERIFY(p.move(p.yellow, p.red, 3));
    QVERIFY(p.sameBoard());
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetLink::theJoinersStartAndLineRightAfterItsPauseReachTheHostInItsPause()
{
    Pair p;
    // The joiner's player starts a game and chats right after its answer has gone out, while the
    // host still pauses before its own answer.
    bool acted = false;
    p.yellow.w->setDelay([&](int16_t) {
        QTest::qWait(5);
        if (acted)
            return;
        acted = true;
        QTimer::singleShot(100, p.yellow.w.get(), [&] {
            p.yellow.w->menStartgame_Click();
            p.yellow.w->net().SendChatLine("ready", false);
        });
    });
    p.red.w->setDelay([](int16_t) { QTest::qWait(300); });
    QVERIFY(p.link());
    QVERIFY(acted);
    QVERIFY(p.red.s().GameRunning);
    QCOMPARE(p.red.lines(), (QStringList{"<Bert> ready", "  --- Connected with Bert! ---"}));
    QVERIFY(p.move(p.yellow, p.red, 2));
    QVERIFY(p.move(p.red, p.yellow, 2));
    QVERIFY(p.sameBoard());
    QCOMPARE(p.boxes.count(), 0);
}

QTEST_MAIN(TestNetLink)
#include "test_net_link.moc"
