// One main window (hosting, red) against a raw TCP peer: the frames it sends, a garbage stream
// over the socket, the peer closing the link and the socket error box. The dispatcher's walk
// through arrivals of every shape is tested on the session alone (test_net_dispatcher).
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

} // namespace

class TestNetHostile : public QObject {
    Q_OBJECT
private slots:
    void framesGoOutAsSpecified();
    void largestFrameAndOverflow();
    void garbageStreamOverTheSocket();
    void peerClosesTheLink();
    void socketErrorsShowTheirBoxes();
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
    // The texts by number are the session's (test_net_dispatcher); here the window's box.
    ScriptedMsgBoxes boxes;
    NetSide side("Anna", true);
    int16_t client = 0;
    QString description = "Connection timed out";
    bool cancel = false;
    side.w->net().Pelkin_Error(client, 10060, description, 0, "", "", 0, cancel);
    QVERIFY(cancel);
    QCOMPARE(boxes.shown().last().prompt, QString("Fehler-Nr: 10060!\r\nConnection timed out"));
    QCOMPARE(boxes.shown().last().style, int(platform::vbOKOnly));
    QCOMPARE(boxes.shown().last().title, QString("Ostrel"));
    // The Close button follows the language.
    side.w->menLangEnglish_Click();
    QCOMPARE(side.w->cmdP2PClose()->text(), QString("Close"));
    side.w->menLanGerman_Click();
    QCOMPARE(side.w->cmdP2PClose()->text(), QString("Beenden"));
}

QTEST_MAIN(TestNetHostile)
#include "test_net_hostile.moc"
