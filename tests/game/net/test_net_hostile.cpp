// One main window (hosting, red) against a raw TCP peer: the frames it sends, the dispatcher's
// walk through arrivals of every shape, hostile frames, socket errors and the tally caption.
#include "NetFixture.h"

#include "common/ScriptedMsgBoxes.h"
#include "platform/RuntimeError.h"

#include <numeric>

namespace {

struct RawPeer {
    ScriptedMsgBoxes boxes;
    NetSide win{"Anna", true};
    QTcpSocket peer;
    QByteArray got;

    RawPeer() { QObject::connect(&peer, &QTcpSocket::readyRead, [this] { got += peer.readAll(); }); }

    // Connects and completes the handshake from the peer's side; `version` is the peer's.
    bool link(const QByteArray &handshake = "<E>   26Bert|Freeware Version 2.98")
    {
        const uint16_t port = freePort();
        win.host(port);
        peer.connectToHost(QHostAddress::LocalHost, port);
        if (!QTest::qWaitFor([&] { return got.size() >= 34; }, 5000))
            return false;
        if (!send(handshake))
            return false;
        return QTest::qWaitFor([&] { return win.n().HandshakeDone && got.count("<E>") == 2; }, 5000);
    }
    // Writes the bytes and waits until the window has received all of them.
    bool send(const QByteArray &bytes)
    {
        const qsizetype before = win.w->rec->received.size();
        peer.write(bytes);
        return QTest::qWaitFor([&] { return win.w->rec->received.size() >= before + bytes.size(); }, 10000);
    }
    // Waits for `count` more bytes from the window.
    QByteArray next(qsizetype count)
    {
        const qsizetype from = got.size();
        if (!QTest::qWaitFor([&] { return got.size() >= from + count; }, 5000))
            return QByteArray();
        return got.mid(from);
    }
    // A game started by the window, which has made its first move: the peer is to move.
    void startAndMove(int column = 4)
    {
        win.w->menStartgame_Click();
        win.play(column);
    }
    int warnings() const { return int(win.lines().count("!!! Warnung!!! Nicht identifizierte Daten über Port erhalten!!!")); }
    // The board holds exactly the chips counted, none above a full column.
    bool boardConsistent()
    {
        const auto &tube = win.s().Tube;
        int chips = 0, cells = 0;
        for (int c = 1; c <= 7; ++c) {
            if (tube[c] < 0 || tube[c] > 6)
                return false;
            chips += tube[c];
        }
        for (int n = 1; n <= 42; ++n)
            cells += win.w->picPlaygrid(n)->picture() != win.w->picMoveChip(0)->picture();
        return chips == win.s().MoveCount && cells == chips;
    }
};

QByteArray frame(const char *tag, const QByteArray &payload)
{
    return QByteArray(tag) + gamenet::NetSession::FormatLength(int16_t(payload.size())).toLatin1() + payload;
}

} // namespace

class TestNetHostile : public QObject {
    Q_OBJECT
private slots:
    void framesGoOutAsSpecified();
    void largestFrameAndOverflow();
    void differentVersionOnlyWarns();
    void handshakeWithoutVersion();
    void severalFramesInOneArrival();
    void movesOnlyOnThePeersTurn();
    void splitFramesAreNotReassembled();
    void badLengthsAndUnknownTags();
    void columnsOutsideTheBoard();
    void hugeArrivals();
    void garbageStreamOverTheSocket();
    void floodsOfWaitingFrames();
    void peerClosesTheLink();
    void socketErrorsShowTheirBoxes();
    void tallyCaption();
};

void TestNetHostile::framesGoOutAsSpecified()
{
    QCOMPARE(gamenet::NetSession::FormatLength(0), QString("    0"));
    QCOMPARE(gamenet::NetSession::FormatLength(26), QString("   26"));
    QCOMPARE(gamenet::NetSession::FormatLength(12345), QString("12345"));

    RawPeer p;
    QVERIFY(p.link());
    // The host's first frame is its handshake, sent before anything was received.
    QCOMPARE(p.got.left(34), QByteArray("<E>   26Anna|Freeware Version 2.98"));
    p.got.clear();
    p.win.w->SendPacket("<S>");
    QCOMPARE(p.next(8), QByteArray("<S>    0"));
    p.win.w->SendPacket("<D>4");
    QCOMPARE(p.next(9), QByteArray("<D>    14"));
    // Framing looks only at the tag and the length: the payload may hold anything.
    p.win.w->SendPacket("<T><Anna> <D>    14|99");
    QCOMPARE(p.next(27), QByteArray("<T>   19<Anna> <D>    14|99"));
    // Characters travel as one byte each.
    p.win.w->SendPacket(QString("<T>") + QChar(0xE4) + QChar(0x20AC));
    QCOMPARE(p.next(10), QByteArray("<T>    2\xE4\x80"));
    p.win.w->SendPacket("<T>" + QString(12345, 'x'));
    QCOMPARE(p.next(12353).left(8), QByteArray("<T>12345"));
}

void TestNetHostile::largestFrameAndOverflow()
{
    RawPeer p;
    QVERIFY(p.link());
    p.got.clear();
    // The largest frame is longer than the control's limit for a text and still goes out whole.
    p.win.w->SendPacket("<T>" + QString(32767, 'y'));
    const QByteArray largest = p.next(32775);
    QCOMPARE(largest.size(), 32775);
    QCOMPARE(largest.left(9), QByteArray("<T>32767y"));
    p.got.clear();
    try {
        p.win.w->SendPacket("<T>" + QString(32768, 'z'));
        QFAIL("no overflow");
    } catch (const platform::RuntimeError &e) {
        QCOMPARE(e.number(), 6);
    }
    // Nothing of it went out: the next bytes are the next frame.
    p.win.w->SendPacket("<S>");
    QCOMPARE(p.next(8), QByteArray("<S>    0"));
}

void TestNetHostile::differentVersionOnlyWarns()
{
    RawPeer p;
    QVERIFY(p.link("<E>   26Bert|Freeware Version 2.97"));
    QCOMPARE(p.win.lines(), (QStringList{"  --- Connected with Bert! ---",
                                         "--- Attention! - Bert is using version: Freeware Version 2.97. You are using: "
                                         "Freeware Version 2.98 ---"}));
    QVERIFY(p.win.n().NetworkGame);
    QCOMPARE(p.win.sound.count("p2pstart"), 1);
    // A second "<E>" on the link: no line, no answer, no sound.
    const qsizetype before = p.got.size();
    QVERIFY(p.send(frame("<E>", "Carl|Freeware Version 2.98")));
    QTest::qWait(50);
    QCOMPARE(p.got.size(), before);
    QCOMPARE(p.win.lines().size(), 2);
    QCOMPARE(p.win.n().Nick[1], QString("Bert"));
    QCOMPARE(p.win.sound.count("p2pstart"), 1);
}

void TestNetHostile::handshakeWithoutVersion()
{
    RawPeer p;
    p.win.s().English = false;
    QVERIFY(p.link(frame("<E>", "Bert")));
    QCOMPARE(p.win.lines(), (QStringList{"  --- Verbunden mit Bert! ---",
                                         "--- Achtung! - Bert spielt mit: . Das hier laufende Programm ist: Freeware "
                                         "Version 2.98 ---"}));
    QCOMPARE(p.win.n().Nick[1], QString("Bert"));
}

void TestNetHostile::severalFramesInOneArrival()
{
    RawPeer p;
    QVERIFY(p.link());
    p.startAndMove(4);
    p.win.w->rec->sent.clear();
    // The floating chip moves, then it falls; both in the one event, and nothing is sent back.
    p.win.w->arrive("<G>    12<D>    12");
    QCOMPARE(p.win.s().Tube[2], int16_t(1));
    QCOMPARE(p.win.s().MoveCount, int16_t(2));
    QCOMPARE(p.win.s().CurrentPlayer, int16_t(1));
    QVERIFY(p.win.w->rec->sent.isEmpty());
    QVERIFY(!p.win.n().FromPeer);
    // A stray byte after the last whole frame is ignored without a message.
    p.win.play(4);
    p.win.w->arrive("<G>    16x");
    QCOMPARE(p.win.s().SelColumn, int16_t(6));
    QCOMPARE(p.warnings(), 0);
    // An unknown tag gets the warning, and the walk goes on with the next frame.
    p.win.w->arrive("<Q>    0<G>    15");
    QCOMPARE(p.warnings(), 1);
    QCOMPARE(p.win.s().SelColumn, int16_t(5));
    QVERIFY(p.boardConsistent());
}

void TestNetHostile::movesOnlyOnThePeersTurn()
{
    RawPeer p;
    QVERIFY(p.link());
    // No game runs: a move adds no chip.
    p.win.w->arrive("<D>    13");
    QCOMPARE(p.win.s().MoveCount, int16_t(0));
    QVERIFY(p.boardConsistent());
    p.win.w->menStartgame_Click();
    // The own turn: the peer can neither move the own chip nor drop it.
    const int16_t selected = p.win.s().SelColumn;
    p.win.w->arrive("<G>    16<D>    13");
    QCOMPARE(p.win.s().SelColumn, selected);
    QCOMPARE(p.win.s().MoveCount, int16_t(0));
    QCOMPARE(p.win.s().CurrentPlayer, int16_t(1));
    // After its own move the peer drops exactly one chip; a second drop in a row is refused.
    p.win.play(4);
    p.win.w->arrive("<D>    13<D>    13");
    QCOMPARE(p.win.s().Tube[3], int16_t(1));
    QCOMPARE(p.win.s().MoveCount, int16_t(2));
    QVERIFY(p.boardConsistent());
    // A finished game takes no further chips.
    p.win.play(4);
    p.win.w->arrive("<D>    13");
    p.win.play(4);
    p.win.w->arrive("<D>    13");
    p.win.play(4); // four red in column 4
    QVERIFY(!p.win.s().GameRunning);
    const int16_t moves = p.win.s().MoveCount;
    p.win.w->arrive("<D>    11");
    QCOMPARE(p.win.s().MoveCount, moves);
    QVERIFY(p.boardConsistent());
}

void TestNetHostile::splitFramesAreNotReassembled()
{
    RawPeer p;
    QVERIFY(p.link());
    p.startAndMove(4);
    // Each arrival is walked on its own: the head of a frame is dropped, and its tail arriving
    // next is no frame either.
    p.win.w->arrive("<D>    1");
    p.win.w->arrive("5");
    QCOMPARE(p.win.s().MoveCount, int16_t(1));
    p.win.w->arrive("<D>  ");
    p.win.w->arrive("  15");
    QCOMPARE(p.win.s().MoveCount, int16_t(1));
    QCOMPARE(p.warnings(), 0);
    // A whole frame after them counts once.
    p.win.w->arrive("<D>    15");
    QCOMPARE(p.win.s().Tube[5], int16_t(1));
    QCOMPARE(p.win.s().MoveCount, int16_t(2));
    // Whole frames before a cut one are handled; the cut one is not.
    p.win.play(4);
    p.win.w->arrive("<G>    13<D>    1");
    QCOMPARE(p.win.s().SelColumn, int16_t(3));
    QCOMPARE(p.win.s().MoveCount, int16_t(3));
    // The tail of a cut chat frame is read from its first byte: a frame with an unknown tag.
    const QByteArray chat = frame("<T>", "<Bert> hello there");
    p.win.w->arrive(chat.left(10));
    QCOMPARE(p.warnings(), 0);
    p.win.w->arrive(chat.mid(10, 8));
    QCOMPARE(p.warnings(), 1);
    QVERIFY(p.boardConsistent());
}

void TestNetHostile::badLengthsAndUnknownTags()
{
    RawPeer p;
    QVERIFY(p.link());
    p.startAndMove(4);
    // A negative length counts as no payload; the walk still moves on.
    p.win.w->arrive("<Z>   -8<Y>    0");
    QCOMPARE(p.warnings(), 2);
    p.win.w->arrive("<Z>-3276<G>    12");
    QCOMPARE(p.warnings(), 3);
    QCOMPARE(p.win.s().SelColumn, int16_t(2));
    // A length field without a number: the 8 header bytes make the frame.
    p.win.w->arrive("<Z>  abc<G>    13");
    QCOMPARE(p.warnings(), 4);
    QCOMPARE(p.win.s().SelColumn, int16_t(3));
    // Reading stops at the first character that cannot continue the number.
    p.win.w->arrive("<Z>   5xabcde<G>    14");
    QCOMPARE(p.warnings(), 5);
    QCOMPARE(p.win.s().SelColumn, int16_t(4));
    // A length that does not fit 16 bits ends the walk of this arrival.
    p.win.w->arrive("<Z>99999<G>    15");
    p.win.w->arrive("<Z>9e999<G>    15");
    QCOMPARE(p.warnings(), 5);
    QCOMPARE(p.win.s().SelColumn, int16_t(4));
    // A length beyond the received bytes: nothing past them is read.
    p.win.w->arrive("<D>32767" + QByteArray(100, '1'));
    QCOMPARE(p.win.s().MoveCount, int16_t(1));
    // Tags that begin with "<V" but are none of the voice tags get the warning too.
    p.win.w->arrive("<VX    0<V     0");
    QCOMPARE(p.warnings(), 7);
    // Empty arrivals and headers alone.
    p.win.w->arrive(QByteArray());
    p.win.w->arrive("<");
    p.win.w->arrive("<D>");
    QCOMPARE(p.win.s().MoveCount, int16_t(1));
    QVERIFY(p.boardConsistent());
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetHostile::columnsOutsideTheBoard()
{
    RawPeer p;
    QVERIFY(p.link());
    p.startAndMove(4);
    // 0 and 8 wrap around; any other column outside 1..7 wraps the same way.
    p.win.w->arrive("<G>    10");
    QCOMPARE(p.win.s().SelColumn, int16_t(7));
    p.win.w->arrive("<G>    18");
    QCOMPARE(p.win.s().SelColumn, int16_t(1));
    p.win.w->arrive("<G>    3-42");
    QCOMPARE(p.win.s().SelColumn, int16_t(7));
    p.win.w->arrive("<G>    3999");
    QCOMPARE(p.win.s().SelColumn, int16_t(1));
    // A column that does not fit 16 bits is no move at all.
    p.win.w->arrive("<D>    599999");
    p.win.w->arrive("<D>    4-1e9");
    QCOMPARE(p.win.s().MoveCount, int16_t(1));
    // A drop with a column beyond the board lands in the wrapped column.
    p.win.w->arrive("<D>    19");
    QCOMPARE(p.win.s().Tube[1], int16_t(1));
    QCOMPARE(p.win.s().MoveCount, int16_t(2));
    QVERIFY(p.boardConsistent());
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetHostile::hugeArrivals()
{
    RawPeer p;
    QVERIFY(p.link());
    // The largest chat frame is handled whole.
    const QByteArray text = "<Bert> " + QByteArray(32760, 'w');
    p.win.w->arrive(frame("<T>", text));
    QCOMPARE(p.win.lines().last(), QString::fromLatin1(text));
    QCOMPARE(p.win.sound.count("msgarriv"), 1);
    // An arrival far beyond 32767 bytes is walked to its end.
    QByteArray many;
    for (int i = 0; i < 6000; ++i)
        many += "<Z>    0";
    p.win.w->arrive(many);
    QCOMPARE(p.warnings(), 6000);
    p.win.clearLines();
    p.win.w->arrive(QByteArray(100000, 'A'));
    QCOMPARE(p.warnings(), 12500);
    QVERIFY(p.win.n().NetworkGame);
}

void TestNetHostile::garbageStreamOverTheSocket()
{
    RawPeer p;
    QVERIFY(p.link());
    p.startAndMove(4);
    QRandomGenerator random(4711);
    QByteArray garbage(300000, Qt::Uninitialized);
    for (char &c : garbage) {
        // Mostly frame-like bytes, so that tags, lengths and cut frames all occur.
        const quint32 r = random.bounded(10);
        c = r < 3 ? "<GDSTVECAZ>"[random.bounded(11)] : r < 6 ? char('0' + random.bounded(10)) : r < 8 ? ' ' : char(random.bounded(256));
    }
    for (qsizetype at = 0; at < garbage.size(); at += 7001)
        QVERIFY(p.send(garbage.mid(at, 7001)));
    QVERIFY(p.boardConsistent());
    QVERIFY(p.win.n().NetworkGame);
    QVERIFY(!p.win.n().FromPeer);
    // The link still works afterwards.
    p.win.clearLines();
    QVERIFY(p.send("<Z>    0"));
    QCOMPARE(p.warnings(), 1);
}

void TestNetHostile::floodsOfWaitingFrames()
{
    RawPeer p;
    QVERIFY(p.link());
    int pauses = 0;
    p.win.w->setDelay([&](int16_t) { ++pauses; });
    // After the handshake an "<E>" pauses no more: a flood passes at once, with no line or answer.
    QByteArray flood;
    for (int i = 0; i < 4000; ++i)
        flood += "<E>    0";
    const qsizetype sentBefore = p.win.w->rec->sent.size();
    p.win.w->arrive(flood);
    QCOMPARE(pauses, 0);
    QCOMPARE(p.win.w->rec->sent.size(), sentBefore);
    QCOMPARE(p.win.lines().size(), 1);
    QVERIFY(p.win.n().NetworkGame);

    // A peer's game start arriving during the replay of another (here: inside its message box)
    // is dropped instead of opening one box inside the other.
    p.startAndMove(4);
    int boxes = 0;
    platform::setMsgBoxHook([&](const platform::MsgBoxRequest &) {
        if (++boxes < 50)
            p.win.w->arrive("<S>    0");
        return int(platform::vbOK);
    });
    p.win.w->arrive("<S>    0");
    platform::setMsgBoxHook(nullptr);
    QCOMPARE(boxes, 1);

    // Arrivals nested in waits are bounded: each chat line here brings the next while its sound plays.
    int chats = 0;
    p.win.sound.duringPlay = [&](const QString &path, bool) {
        if (path.contains("msgarriv") && ++chats < 1000)
            p.win.w->arrive(frame("<T>", "<Bert> again"));
    };
    p.win.w->arrive(frame("<T>", "<Bert> again"));
    p.win.sound.duringPlay = nullptr;
    QVERIFY(chats >= 2);
    QVERIFY(chats <= 16);
    QVERIFY(!p.win.n().FromPeer);
    QVERIFY(p.boardConsistent());
}

void TestNetHostile::peerClosesTheLink()
{
    RawPeer p;
    QVERIFY(p.link());
    p.startAndMove(4);
    p.win.clearLines();
    p.peer.disconnectFromHost();
    QVERIFY(QTest::qWaitFor([&] { return !p.win.n().NetworkGame; }, 5000));
    QCOMPARE(p.win.lines(), QStringList{"--- Connection to Bert closed! ---"});
    QCOMPARE(p.win.sound.count("p2pend"), 1);
    QCOMPARE(p.win.w->shpOnlineLamp()->fillColor(), 0xE0E0E0);
    QVERIFY(p.win.w->menIP()->isEnabled());
    QVERIFY(p.win.s().GameRunning);
}

void TestNetHostile::socketErrorsShowTheirBoxes()
{
    ScriptedMsgBoxes boxes;
    NetSide side("Anna", true);
    int16_t client = 0;
    QString description = "Connection timed out";
    bool cancel = false;
    side.w->net().Pelkin_Error(client, 10061, description, 0, "", "", 0, cancel);
    QVERIFY(cancel);
    QVERIFY(side.n().CancelConnect);
    QCOMPARE(boxes.shown().last().prompt, QString("Connect to other side possible. But Your opponent isn't ready at "
                                                  "this time! Please retry in a few seconds."));
    QCOMPARE(boxes.shown().last().style, int(platform::vbOKOnly));
    QCOMPARE(boxes.shown().last().title, QString("Ostrel"));
    side.n().CancelConnect = false;
    side.w->net().Pelkin_Error(client, 11004, description, 0, "", "", 0, cancel);
    QCOMPARE(boxes.shown().last().prompt, QString("Can't connect to Your opponent! Please check IP-Adress!"));
    QVERIFY(!side.n().CancelConnect);
    side.s().English = false;
    side.w->net().Pelkin_Error(client, 11004, description, 0, "", "", 0, cancel);
    QCOMPARE(boxes.shown().last().prompt, QString("Konnte Gegenspieler nicht erreichen! Bitte IP-Adresse überprüfen!"));
    side.w->net().Pelkin_Error(client, 10061, description, 0, "", "", 0, cancel);
    QCOMPARE(boxes.shown().last().prompt, QString("Die andere Seite wurde erreicht. Der Spieler ist jedoch noch nicht "
                                                  "bereit! Versuche es in ein paar Sekunden nochmal."));
    QVERIFY(side.n().CancelConnect);
    side.n().CancelConnect = false;
    side.w->net().Pelkin_Error(client, 10060, description, 0, "", "", 0, cancel);
    QCOMPARE(boxes.shown().last().prompt, QString("Fehler-Nr: 10060!\r\nConnection timed out"));
    QVERIFY(!side.n().CancelConnect);
    QVERIFY(!side.n().NetworkGame);
    // The Close button follows the language.
    side.w->menLangEnglish_Click();
    QCOMPARE(side.w->cmdP2PClose()->text(), QString("Close"));
    side.w->menLanGerman_Click();
    QCOMPARE(side.w->cmdP2PClose()->text(), QString("Beenden"));
}

void TestNetHostile::tallyCaption()
{
    NetSide side("Anna", false);
    gamenet::LinkState &s = side.n();
    s.Nick[1] = "Bert";
    // Yellow here: a red win is the peer's.
    int16_t red = 1, yellow = 2, other = 7;
    side.w->NotifyResults(red);
    QCOMPARE(s.GamesWon, (std::array<float, 2>{0, 1}));
    QCOMPARE(s.ResultNotified, int16_t(1));
    side.w->NotifyResults(yellow); // the same game: not counted
    QCOMPARE(s.GamesWon, (std::array<float, 2>{0, 1}));
    s.ResultNotified = 0;
    side.w->NotifyResults(other); // anything but red counts as yellow
    s.ResultNotified = 0;
    side.w->NotifyResults(yellow);
    QCOMPARE(side.w->frmChat()->title(), QString("    Won games ->  Anna : 2    Bert : 1 "));
    // The language shows at the next build of the caption.
    side.w->menLanGerman_Click();
    QCOMPARE(side.w->frmChat()->title(), QString("    Won games ->  Anna : 2    Bert : 1 "));
    side.w->net().act_ChatCaption();
    QCOMPARE(side.w->frmChat()->title(), QString("    Gewonnene Spiele ->  Anna : 2    Bert : 1 "));
}

QTEST_MAIN(TestNetHostile)
#include "test_net_hostile.moc"
