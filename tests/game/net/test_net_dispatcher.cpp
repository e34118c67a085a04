// The dispatcher of one session (hosting, red) without a window: the handshake, arrivals of
// every shape, hostile frames, floods, socket errors and the tally caption. The peer's moves are
// replayed on the board model by the real rules; nothing goes over a socket.
#include "SessionRig.h"

#include "game/net/PeerAdmission.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

using sessionrig::frame;
using sessionrig::Rig;

namespace {
// A session whose peer connected and completed the handshake with `handshake`.
void linkWith(Rig &r, const QByteArray &handshake = "<E>   26Bert|Freeware Version 2.98")
{
    r.link().Nick[0] = QStringLiteral("Anna");
    r.link().LocalIsRed = true;
    int16_t client = 1;
    r.awaitPeer();
    r.session.Pelkin_ClientConnected(client);
    r.session.arrive(handshake);
}
// A game started here, whose first move has been made: the peer is to move.
void startAndMove(Rig &r, int16_t column = 4)
{
    r.startLocally();
    r.play(column);
}
} // namespace

class TestNetDispatcher : public QObject {
    Q_OBJECT
private slots:
    void handshakeAnswersOnceAndWarnsOfAnotherVersion();
    void handshakeWithoutVersion();
    void severalFramesInOneArrival();
    void movesAreReplayedWhileAGameRuns();
    void splitFramesAreReassembled();
    void badLengthsAndUnknownTags();
    void columnsOutsideTheBoard();
    void hugeArrivals();
    void floodsOfWaitingFrames();
    void socketErrorsShowTheirBoxes();
    void tallyCaption();
    void admissionTakesOnlyAPeerThatGreetsWhileAwaited();
};

void TestNetDispatcher::handshakeAnswersOnceAndWarnsOfAnotherVersion()
{
    Rig r;
    linkWith(r, "<E>   26Bert|Freeware Version 2.97");
    // The host's "<E>" went out at the connection, the answer after the peer's one.
    QCOMPARE(r.session.sent, (QStringList{"<E>Anna|Freeware Version 2.98", "<E>Anna|Freeware Version 2.98"}));
    QCOMPARE(r.lines, (QStringList{"  --- Connected with Bert! ---",
                                   "--- Attention! - Bert is using version: Freeware Version 2.97. You are using: "
                                   "Freeware Version 2.98 ---"}));
    QVERIFY(r.link().NetworkGame);
    QVERIFY(r.link().HandshakeDone);
    QCOMPARE(r.link().PeerNameAtConnect, QString("Bert"));
    QCOMPARE(r.lamp, 0xFF);
    QCOMPARE(r.delays, 1);
    QCOMPARE(r.sounds.count("p2pstart"), 1);
    // A second "<E>" on the link: no line, no answer, no sound.
    r.session.arrive(frame("<E>", "Carl|Freeware Version 2.98"));
    QCOMPARE(r.session.sent.size(), 2);
    QCOMPARE(r.lines.size(), 2);
    QCOMPARE(r.link().Nick[1], QString("Bert"));
    QCOMPARE(r.sounds.count("p2pstart"), 1);
}

void TestNetDispatcher::handshakeWithoutVersion()
{
    Rig r;
    r.st.English = false;
    linkWith(r, frame("<E>", "Bert"));
    QCOMPARE(r.lines, (QStringList{"  --- Verbunden mit Bert! ---",
                                   "--- Achtung! - Bert spielt mit: . Das hier laufende Programm ist: Freeware "
                                   "Version 2.98 ---"}));
    QCOMPARE(r.link().Nick[1], QString("Bert"));
}

void TestNetDispatcher::severalFramesInOneArrival()
{
    Rig r;
    linkWith(r);
    startAndMove(r, 4);
    r.session.sent.clear();
    // The floating chip moves, then it falls; both in the one event, and nothing is sent back.
    r.session.arrive("<G>    12<D>    12");
    QCOMPARE(r.st.Tube[2], int16_t(1));
    QCOMPARE(r.st.MoveCount, int16_t(2));
    QCOMPARE(r.st.CurrentPlayer, int16_t(1));
    QVERIFY(r.session.sent.isEmpty());
    QVERIFY(!r.link().FromPeer);
    // An unknown tag gets the warning, and the walk goes on with the next frame.
    r.play(4);
    r.session.arrive("<Q>    0<G>    15");
    QCOMPARE(r.warnings(), 1);
    QCOMPARE(r.st.SelColumn, int16_t(5));
    // A stray byte after the last whole frame waits, without a message, as the start of the next.
    r.session.arrive("<G>    16<");
    QCOMPARE(r.st.SelColumn, int16_t(6));
    QCOMPARE(r.warnings(), 1);
    r.session.arrive("G>    13");
    QCOMPARE(r.st.SelColumn, int16_t(3));
    QVERIFY(r.boardConsistent());
}

void TestNetDispatcher::movesAreReplayedWhileAGameRuns()
{
    Rig r;
    linkWith(r);
    // No game runs: a move adds no chip.
    r.session.arrive("<D>    13");
    QCOMPARE(r.st.MoveCount, int16_t(0));
    r.startLocally();
    // On the own turn a peer's drop (its double click on the floating chip) is replayed as it
    // made it: a chip of the colour to move, ours, so both boards stay equal.
    r.session.arrive("<G>    16<D>    13");
    QCOMPARE(r.st.Tube[3], int16_t(1));
    QCOMPARE(r.st.MoveCount, int16_t(1));
    QCOMPARE(r.st.PlayMatrix[4][3].count(QLatin1Char('1')), 1);
    QCOMPARE(r.st.CurrentPlayer, int16_t(2));
    r.session.arrive("<D>    12");
    QCOMPARE(r.st.Tube[2], int16_t(1));
    QVERIFY(r.boardConsistent());
    // A finished game takes no further chips.
    for (const char *answer : {"<D>    15", "<D>    12", "<D>    15"}) {
        r.play(4);
        r.session.arrive(answer);
    }
    r.play(4); // four red in column 4
    QVERIFY(!r.st.GameRunning);
    const int16_t moves = r.st.MoveCount;
    r.session.arrive("<D>    11");
    QCOMPARE(r.st.MoveCount, moves);
    QVERIFY(r.boardConsistent());
}

void TestNetDispatcher::splitFramesAreReassembled()
{
    Rig r;
    linkWith(r);
    startAndMove(r, 4);
    // Whole frames before a cut one are handled at once; the cut one when its rest arrives.
    r.session.arrive("<G>    13<D>  ");
    QCOMPARE(r.st.SelColumn, int16_t(3));
    QCOMPARE(r.st.MoveCount, int16_t(1));
    r.session.arrive("  1");
    QCOMPARE(r.st.MoveCount, int16_t(1));
    r.session.arrive("3");
    QCOMPARE(r.st.Tube[3], int16_t(1));
    QCOMPARE(r.st.MoveCount, int16_t(2));
    // The kept bytes belong to their client: another connection's bytes do not complete them,
    // and they are forgotten when that client's connection ends.
    r.session.arrive("<T>    9<Bert");
    int16_t other = 9;
    QByteArray stray = "<T>    4> h";
    r.session.Pelkin_DataArrival(other, int32_t(stray.size()), stray);
    QVERIFY(r.link().NetworkGame);
    r.session.Pelkin_ClientDied(other);
    QCOMPARE(r.session.keptBytes(9), qsizetype(0));
    QVERIFY(r.link().NetworkGame);
    r.session.arrive("> hi");
    QCOMPARE(r.lines.last(), QString("<Bert> hi"));
    QCOMPARE(r.warnings(), 0);
    QVERIFY(r.boardConsistent());
}

void TestNetDispatcher::badLengthsAndUnknownTags()
{
    Rig r;
    linkWith(r);
    startAndMove(r, 4);
    // A negative length counts as no payload; the walk still moves on. Each arrival warns once.
    r.session.arrive("<Z>   -8<Y>    0<G>    11");
    QCOMPARE(r.warnings(), 1);
    QCOMPARE(r.st.SelColumn, int16_t(1));
    r.session.arrive("<Z>-3276<G>    12");
    QCOMPARE(r.warnings(), 2);
    QCOMPARE(r.st.SelColumn, int16_t(2));
    // A length field without a number: the 8 header bytes make the frame.
    r.session.arrive("<Z>  abc<G>    13");
    QCOMPARE(r.warnings(), 3);
    QCOMPARE(r.st.SelColumn, int16_t(3));
    // Reading stops at the first character that cannot continue the number.
    r.session.arrive("<Z>   5xabcde<G>    14");
    QCOMPARE(r.warnings(), 4);
    QCOMPARE(r.st.SelColumn, int16_t(4));
    // A length that does not fit 16 bits drops the rest of this arrival, even after a known tag.
    r.session.arrive("<Z>99999<G>    15");
    r.session.arrive("<T>9e999<G>    15");
    QCOMPARE(r.warnings(), 6);
    QCOMPARE(r.st.SelColumn, int16_t(4));
    QCOMPARE(r.session.keptBytes(1), qsizetype(0));
    // Tags that begin with "<V" but are none of the voice tags get the warning too.
    r.session.arrive("<VX    0");
    r.session.arrive("<V     0");
    QCOMPARE(r.warnings(), 8);
    // Empty arrivals and headers alone wait for their rest.
    r.session.arrive(QByteArray());
    r.session.arrive("<");
    QCOMPARE(r.session.keptBytes(1), qsizetype(1));
    r.session.forgetArrivals(1);
    // A length beyond the received bytes: nothing past them is read; they wait.
    r.session.arrive("<D>32767" + QByteArray(100, '1'));
    QCOMPARE(r.st.MoveCount, int16_t(1));
    QCOMPARE(r.session.keptBytes(1), qsizetype(108));
    QVERIFY(r.boardConsistent());
    QCOMPARE(r.boxes.size(), 0);
}

void TestNetDispatcher::columnsOutsideTheBoard()
{
    Rig r;
    linkWith(r);
    startAndMove(r, 4);
    // 0 and 8 wrap around; any other column outside 1..7 wraps the same way.
    r.session.arrive("<G>    10");
    QCOMPARE(r.st.SelColumn, int16_t(7));
    r.session.arrive("<G>    18");
    QCOMPARE(r.st.SelColumn, int16_t(1));
    r.session.arrive("<G>    3-42");
    QCOMPARE(r.st.SelColumn, int16_t(7));
    r.session.arrive("<G>    3999");
    QCOMPARE(r.st.SelColumn, int16_t(1));
    // A column that does not fit 16 bits is no move at all.
    r.session.arrive("<D>    599999");
    r.session.arrive("<D>    4-1e9");
    QCOMPARE(r.st.MoveCount, int16_t(1));
    // A drop with a column beyond the board lands in the wrapped column.
    r.session.arrive("<D>    19");
    QCOMPARE(r.st.Tube[1], int16_t(1));
    QCOMPARE(r.st.MoveCount, int16_t(2));
    QVERIFY(r.boardConsistent());
    QCOMPARE(r.boxes.size(), 0);
}

void TestNetDispatcher::hugeArrivals()
{
    Rig r;
    linkWith(r);
    // The largest chat frame is handled whole.
    const QByteArray text = "<Bert> " + QByteArray(32760, 'w');
    r.session.arrive(frame("<T>", text));
    QCOMPARE(r.lines.last(), QString::fromLatin1(text));
    QCOMPARE(r.sounds.count("msgarriv"), 1);
    // An arrival far beyond 32767 bytes is walked to its end, with one warning for its junk.
    QByteArray many;
    for (int i = 0; i < 6000; ++i)
        many += "<Z>    0";
    r.session.arrive(many + frame("<T>", "<Bert> after"));
    QCOMPARE(r.warnings(), 1);
    QCOMPARE(r.lines.last(), QString("<Bert> after"));
    r.lines.clear();
    r.session.arrive(QByteArray(100000, 'A'));
    QCOMPARE(r.warnings(), 1);
    QVERIFY(r.link().NetworkGame);
    // The walk over junk costs time in proportion to its bytes (a figure, not a limit).
    QRandomGenerator random(7);
    QByteArray junk(4 * 1024 * 1024, Qt::Uninitialized);
    for (char &c : junk)
        c = char(random.bounded(256));
    r.lines.clear();
    QElapsedTimer clock;
    clock.start();
    for (qsizetype at = 0; at < junk.size(); at += 32767)
        r.session.arrive(junk.mid(at, 32767));
    qInfo("random bytes through the dispatcher: %.2f us per kB", double(clock.nsecsElapsed()) / 1e3 / 4096.0);
    QVERIFY(r.warnings() <= int(junk.size() / 32767) + 1);
}

void TestNetDispatcher::floodsOfWaitingFrames()
{
    Rig r;
    linkWith(r);
    const int pausesBefore = r.delays;
    // After the handshake an "<E>" pauses no more: a flood passes at once, with no line or answer.
    QByteArray flood;
    for (int i = 0; i < 4000; ++i)
        flood += "<E>    0";
    const qsizetype sentBefore = r.session.sent.size();
    r.session.arrive(flood);
    QCOMPARE(r.delays, pausesBefore);
    QCOMPARE(r.session.sent.size(), sentBefore);
    QCOMPARE(r.lines.size(), 1);
    QVERIFY(r.link().NetworkGame);

    // A peer's game start arriving during the replay of another (here: inside its message box)
    // is dropped instead of opening one box inside the other.
    startAndMove(r, 4);
    int boxes = 0;
    r.duringBox = [&] {
        if (++boxes < 50)
            r.session.arrive("<S>    0");
    };
    r.session.arrive("<S>    0");
    r.duringBox = nullptr;
    QCOMPARE(boxes, 1);

    // Arrivals nested in waits are bounded, and none is lost: each chat line here brings the next
    // while its sound plays; beyond the bound they are kept and shown by the runs below, in order.
    int chats = 0, deepest = 0, depth = 0;
    r.duringPlay = [&](const QString &name) {
        if (name == "msgarriv" && ++chats < 1000) {
            deepest = qMax(deepest, ++depth);
            r.session.arrive(frame("<T>", "<Bert> " + QByteArray::number(chats)));
            --depth;
        }
    };
    r.lines.clear();
    r.session.arrive(frame("<T>", "<Bert> 0"));
    r.duringPlay = nullptr;
    QCOMPARE(chats, 1000);
    QVERIFY(deepest <= 16);
    QCOMPARE(r.lines.size(), 1000);
    QCOMPARE(r.lines.first(), QString("<Bert> 0"));
    QCOMPARE(r.lines.last(), QString("<Bert> 999"));

    // A flood while every run waits is kept only up to a bound; afterwards the link works.
    QByteArray junk;
    for (int i = 0; i < 4000; ++i)
        junk += "<Z>    0";
    qsizetype mostKept = 0;
    int floods = 0;
    depth = 0;
    r.duringPlay = [&](const QString &name) {
        if (name != "msgarriv")
            return;
        if (++depth < 20) {
            r.session.arrive(frame("<T>", "<Bert> deeper"));
        } else if (floods == 0) {
            for (floods = 0; floods < 200; ++floods) {
                r.session.arrive(junk);
                mostKept = qMax(mostKept, r.session.keptBytes(1));
            }
        }
    };
    r.lines.clear();
    r.session.arrive(frame("<T>", "<Bert> deeper"));
    r.duringPlay = nullptr;
    QVERIFY(mostKept > 0);
    QVERIFY(mostKept <= gamenet::ArrivalBuffer::MaxKept);
    QVERIFY(r.warnings() <= floods);
    QCOMPARE(r.session.keptBytes(1), qsizetype(0));
    r.session.arrive(frame("<T>", "<Bert> after"));
    QCOMPARE(r.lines.last(), QString("<Bert> after"));
    QVERIFY(!r.link().FromPeer);
    QVERIFY(r.boardConsistent());
}

void TestNetDispatcher::socketErrorsShowTheirBoxes()
{
    Rig r;
    int16_t client = 0;
    QString description = "Connection timed out";
    bool cancel = false;
    r.session.Pelkin_Error(client, 10061, description, 0, "", "", 0, cancel);
    QVERIFY(cancel);
    QVERIFY(r.link().CancelConnect);
    QCOMPARE(r.boxes.last(), QString("Connect to other side possible. But Your opponent isn't ready at "
                                     "this time! Please retry in a few seconds."));
    r.link().CancelConnect = false;
    r.session.Pelkin_Error(client, 11004, description, 0, "", "", 0, cancel);
    QCOMPARE(r.boxes.last(), QString("Can't connect to Your opponent! Please check IP-Adress!"));
    QVERIFY(!r.link().CancelConnect);
    r.st.English = false;
    r.session.Pelkin_Error(client, 11004, description, 0, "", "", 0, cancel);
    QCOMPARE(r.boxes.last(), QString("Konnte Gegenspieler nicht erreichen! Bitte IP-Adresse überprüfen!"));
    r.session.Pelkin_Error(client, 10061, description, 0, "", "", 0, cancel);
    QCOMPARE(r.boxes.last(), QString("Die andere Seite wurde erreicht. Der Spieler ist jedoch noch nicht "
                                     "bereit! Versuche es in ein paar Sekunden nochmal."));
    QVERIFY(r.link().CancelConnect);
    r.link().CancelConnect = false;
    r.session.Pelkin_Error(client, 10060, description, 0, "", "", 0, cancel);
    QCOMPARE(r.boxes.last(), QString("Fehler-Nr: 10060!\r\nConnection timed out"));
    QVERIFY(!r.link().CancelConnect);
    QVERIFY(!r.link().NetworkGame);

    // Errors while a box waits open no box inside it (a refusal still ends the connection wait),
    // and a client that is not the peer has nothing to report.
    r.boxes.clear();
    int inner = 0;
    r.duringBox = [&] {
        if (++inner < 100)
            r.session.Pelkin_Error(client, 10061, description, 0, "", "", 0, cancel);
    };
    r.session.Pelkin_Error(client, 10054, description, 0, "", "", 0, cancel);
    r.duringBox = nullptr;
    QCOMPARE(r.boxes.size(), 1);
    QVERIFY(r.link().CancelConnect);
    int16_t stranger = 5;
    cancel = false;
    r.session.Pelkin_Error(stranger, 10054, description, 0, "", "", 0, cancel);
    QVERIFY(cancel);
    QCOMPARE(r.boxes.size(), 1);
}

void TestNetDispatcher::tallyCaption()
{
    Rig r;
    gamenet::LinkState &s = r.link();
    s.Nick = {"Anna", "Bert"};
    s.LocalIsRed = false;
    // Yellow here: a red win is the peer's.
    r.session.NotifyResults(1);
    QCOMPARE(s.GamesWon, (std::array<float, 2>{0, 1}));
    QCOMPARE(s.ResultNotified, int16_t(1));
    r.session.NotifyResults(2); // the same game: not counted
    QCOMPARE(s.GamesWon, (std::array<float, 2>{0, 1}));
    s.ResultNotified = 0;
    r.session.NotifyResults(7); // anything but red counts as yellow
    s.ResultNotified = 0;
    r.session.NotifyResults(2);
    QCOMPARE(r.caption, QString("    Won games ->  Anna : 2    Bert : 1 "));
    // The language shows at the next build of the caption.
    r.st.English = false;
    QCOMPARE(r.caption, QString("    Won games ->  Anna : 2    Bert : 1 "));
    r.session.act_ChatCaption();
    QCOMPARE(r.caption, QString("    Gewonnene Spiele ->  Anna : 2    Bert : 1 "));
}

void TestNetDispatcher::admissionTakesOnlyAPeerThatGreetsWhileAwaited()
{
    using gamenet::PeerAdmission;
    using Ended = PeerAdmission::Ended;
    using Hello = PeerAdmission::Hello;
    qint64 now = 0;
    PeerAdmission a([&] { return now; });
    // Nobody awaited (never connected, or after a link): no connection is taken or heard.
    QVERIFY(!a.awaiting());
    QVERIFY(!a.admit(1));
    QCOMPARE(a.hello(1), Hello::Refused);
    QCOMPARE(a.end(1), Ended::Stranger);

    // Awaited for 5 s: one connection at a time, unheard until its hello.
    a.awaitFor(5000);
    QVERIFY(a.awaiting());
    QVERIFY(a.admit(2));
    QCOMPARE(a.state(), PeerAdmission::State::Greeting);
    QVERIFY(!a.admit(3));
    QVERIFY(!a.actsOn(2));
    // It leaves before its hello: the wait goes on, unanswered.
    QCOMPARE(a.end(3), Ended::Stranger);
    QCOMPARE(a.end(2), Ended::BeforeHello);
    QCOMPARE(a.state(), PeerAdmission::State::Awaited);
    QVERIFY(a.awaiting());
    QVERIFY(!a.answered());
    // The next stays silent up to its deadline: a hello after it counts for nothing.
    a.setHelloDeadline(1000);
    QVERIFY(a.admit(4));
    now = 999;
    QVERIFY(!a.helloOverdue());
    now = 1000;
    QVERIFY(a.helloOverdue());
    QCOMPARE(a.hello(4), Hello::Refused);
    QCOMPARE(a.end(4), Ended::BeforeHello);
    // One that greets in time is the peer: its frames count, a second hello is a repeat, and
    // the wait is answered.
    QVERIFY(a.admit(5));
    QCOMPARE(a.hello(5), Hello::First);
    QVERIFY(a.actsOn(5));
    QVERIFY(!a.actsOn(4));
    QCOMPARE(a.hello(5), Hello::Again);
    QVERIFY(a.answered());
    QVERIFY(!a.awaiting());
    const quint64 peer = a.ticket();
    QVERIFY(a.linkedWith(peer));
    // While it is linked nobody else is taken, and the end of the wait leaves the link.
    QVERIFY(!a.admit(6));
    a.stopAwaiting();
    QVERIFY(a.actsOn(5));
    // Once the link has ended, nobody is awaited until the next Connect.
    QCOMPARE(a.end(5), Ended::Link);
    QVERIFY(!a.linkedWith(peer));
    QCOMPARE(a.end(5), Ended::Stranger);
    QVERIFY(!a.admit(7));

    // The wait's time: neither a hello nor a connection after it is taken.
    now = 10000;
    a.awaitFor(3000);
    QVERIFY(!a.answered());
    QVERIFY(a.admit(8));
    now = 13000;
    QVERIFY(!a.awaiting());
    QCOMPARE(a.hello(8), Hello::Refused);
    QCOMPARE(a.end(8), Ended::BeforeHello);
    QVERIFY(!a.admit(9));
    // Cancel ends a wait: the connection still greeting is let go, and its end is nobody's.
    a.awaitFor(3000);
    QVERIFY(a.admit(10));
    a.stopAwaiting();
    QCOMPARE(a.hello(10), Hello::Refused);
    QCOMPARE(a.end(10), Ended::Stranger);
    // A link that the user ends (Close) leaves nobody awaited either.
    a.awaitFor(3000);
    QVERIFY(a.admit(11));
    QCOMPARE(a.hello(11), Hello::First);
    a.reset();
    QVERIFY(!a.actsOn(11));
    QVERIFY(!a.admit(12));
}

QTEST_GUILESS_MAIN(TestNetDispatcher)
#include "test_net_dispatcher.moc"
