// One main window (hosting, red) against raw TCP peers: the frames it sends, frames cut by the
// transport, floods of junk, peers that come and go or try to join a standing link, the peer
// closing the link and the socket error box. The dispatcher's walk through arrivals of every
// shape is tested on the session alone (test_net_dispatcher).
#include "NetFixture.h"

#include "common/HeapBytes.h"
#include "common/ScriptedMsgBoxes.h"
#include "game/net/NetFraming.h"
#include "game/net/Peer2Peer.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>

#include <QRegularExpression>

#include <numeric>

namespace {

QByteArray frameOf(const QByteArray &tag, const QByteArray &payload)
{
    return tag + gamenet::framing::FormatLength(int16_t(payload.size())).toLatin1() + payload;
}
int openDescriptors() { return int(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size()); }
// A recording of `size` bytes that no two blocks share.
QByteArray recordingOf(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 2000 + seed) & 0xFF);
    return bytes;
}
// The frames of a voice message as its sender puts them on the wire.
QList<QByteArray> voiceFrames(const QByteArray &recording)
{
    QList<QByteArray> frames{frameOf("<V>", QByteArray::number(recording.size()))};
    for (qsizetype at = 0; at < recording.size(); at += 2000)
        frames.append(frameOf("<VD", recording.mid(at, 2000)));
    frames.append(frameOf("<VA", ""));
    return frames;
}

struct RawPeer {
    ScriptedMsgBoxes boxes;
    NetSide win{"Anna", true};
    QTcpSocket peer;
    QByteArray got;
    uint16_t port = 0;

    RawPeer() { QObject::connect(&peer, &QTcpSocket::readyRead, [this] { got += peer.readAll(); }); }

    // Connects and completes the handshake from the peer's side; `version` is the peer's.
    bool link(const QByteArray &handshake = "<E>   26Bert|Freeware Version 2.98")
    {
        port = freePort();
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
        const qint64 before = win.w->rec->receivedCount;
        peer.write(bytes);
        return spinFor([&] { return win.w->rec->receivedCount >= before + bytes.size(); }, 10000);
    }
    // Writes the bytes in pieces of the given sizes, each received on its own; the rest last.
    bool sendCut(const QByteArray &bytes, const QList<int> &cuts)
    {
        qsizetype at = 0;
        for (int cut : cuts) {
            if (!send(bytes.mid(at, cut)))
                return false;
            at += cut;
        }
        return at >= bytes.size() || send(bytes.mid(at));
    }
    QByteArray invoice() const
    {
        QFile f(QDir(win.w->WorkDir()).filePath("invoice.wav"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int replies(const QString &tag) const { return int(win.w->rec->sent.count(tag)); }
    // Waits for `count` more bytes from the window.
    QByteArray next(qsizetype count)
    {
        const qsizetype from = got.size();
        if (!QTest::qWaitFor([&] { return got.size() >= from + count; }, 5000))
            return QByteArray();
        return got.mid(from);
    }
    // A game started by the window, which has made its first move: the peer is to move. The
    // frames of it have reached the peer.
    bool startAndMove(int column = 4)
    {
        win.w->menStartgame_Click();
        win.play(column);
        return QTest::qWaitFor([&] { return got.endsWith("<D>    1" + QByteArray::number(column)); }, 5000);
    }
    int warnings() const { return int(win.lines().count(warning)); }
    // Lines in the dialogue log so far.
    qint64 logLines() const
    {
        QFile log(QDir(win.w->WorkDir()).filePath("QorLog.Txt"));
        return log.open(QIODevice::ReadOnly) ? log.readAll().count('\n') : 0;
    }
    // A ping ("<V>" announcing nothing) and a chat line, each an arrival of its own: both are
    // handled, the ping answered on the wire.
    bool pingAndChat(const QByteArray &line)
    {
        got.clear();
        return send(frameOf("<V>", "")) && next(8) == "<C>    0" && send(frameOf("<T>", line))
            && win.lines().endsWith(QString::fromLatin1(line));
    }
    static inline const QString warning = "!!! Warnung!!! Nicht identifizierte Daten über Port erhalten!!!";
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
            cells += testing::control<PictureBox>(win.w.get(), "picPlaygrid", n)->picture()
                     != testing::control<PictureBox>(win.w.get(), "picMoveChip", 0)->picture();
        return chips == win.s().MoveCount && cells == chips;
    }
};

// The dialogue log of a window: its bytes so far.
QByteArray logOf(NetSide &side)
{
    QFile log(QDir(side.w->WorkDir()).filePath("QorLog.Txt"));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

// A stranger connects, says hello and chats; true when it was closed without a byte and the
// window shows, logs, plays and sends nothing, and no link stands.
bool strangerGetsNothing(NetSide &win, uint16_t port)
{
    const QStringList linesBefore = win.lines();
    const QByteArray logBefore = logOf(win);
    const qsizetype soundsBefore = win.sound.requests.size();
    const qsizetype sentBefore = win.w->rec->sent.size();
    const int seenBefore = win.w->rec->clientsSeen;
    QTcpSocket stranger;
    stranger.connectToHost(QHostAddress::LocalHost, port);
    if (!stranger.waitForConnected(5000))
        return false;
    stranger.write(frameOf("<E>", "Mallory|Freeware Version 2.98") + frameOf("<T>", "<Mallory> hello"));
    if (!QTest::qWaitFor([&] { return stranger.state() == QAbstractSocket::UnconnectedState; }, 5000))
        return false;
    QTest::qWait(50);
    return win.w->rec->clientsSeen == seenBefore + 1 && stranger.readAll().isEmpty() && win.lines() == linesBefore
        && logOf(win) == logBefore && win.sound.requests.size() == soundsBefore
        && win.w->rec->sent.size() == sentBefore && !win.n().NetworkGame
        && testing::control<QAction>(win.w.get(), "menIP")->isEnabled()
        && testing::control<gamewindow::OnlineLamp>(win.w.get(), "shpOnlineLamp")->fillColor() == 0xE0E0E0;
}

// A connection dialog on the window, set to host red on the port with the timeout.
std::unique_ptr<gamenet::Peer2Peer> hostingDialog(NetSide &win, uint16_t port, const char *timeout)
{
    const QString folder = gamewindow::OstrelProbe::programFolder(*win.w);
    auto dialog = std::make_unique<gamenet::Peer2Peer>(win.w->net(), folder, [&win] { win.w->prepareForConnect(); },
                                                       win.w.get());
    dialog->txtName()->setText("Anna");
    dialog->optColor(0)->setChecked(true);
    dialog->txtPort(0)->setText(QString::number(port));
    dialog->txtTimeout()->setText(timeout);
    return dialog;
}

// The number of lines a "--- N more lines of NAME not shown ---" line stands for; 0 for others.
qint64 heldIn(const QString &line)
{
    static const QRegularExpression said("^--- ([0-9,]+) more lines? of .* not shown ---$");
    const QRegularExpressionMatch m = said.match(line);
    return m.hasMatch() ? m.captured(1).remove(',').toLongLong() : 0;
}

// The number of messages a "--- N more voice messages of NAME not played ---" line (or its German
// form) stands for; 0 for others.
qint64 voicesHeldIn(const QString &line)
{
    static const QRegularExpression said("^--- ([0-9,.]+) (?:more voice messages? of .* not played"
                                         "|weitere Sprachnachrichten? von .* nicht abgespielt) ---$");
    const QRegularExpressionMatch m = said.match(line);
    return m.hasMatch() ? m.captured(1).remove(',').remove('.').toLongLong() : 0;
}

// The contents of the archive copies of the peer Bert's messages in the window's work folder,
// sorted.
QList<QByteArray> copiesOfBert(NetSide &side)
{
    const QDir work(side.w->WorkDir());
    QList<QByteArray> copies;
    for (const QString &name : work.entryList({"Bert_*.Wav"}, QDir::Files)) {
        QFile f(work.filePath(name));
        copies.append(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

void keepVoiceMessages(NetSide &side)
{
    QTest::keyClick(testing::control<QLineEdit>(side.w.get(), "txtSendmessage"), Qt::Key_F9);
}

} // namespace

class TestNetHostile : public QObject {
    Q_OBJECT
private slots:
    void framesCarryTagLengthAndPayload();
    void largestFrameAndOverflow();
    void garbageStreamOverTheSocket();
    void junkLeavesTheNextArrivalReadable();
    void junkAndFramesInTurn();
    void framesCutByTheTransport();
    void everyTagCutInItsHeader();
    void aStreamInRandomCuts();
    void peersThatComeAndGo();
    void nobodyLinksUnlessTheUserWaitsForAPeer();
    void aSilentConnectionLosesItsPlaceAfterTheDeadline();
    void framesBeforeTheHelloChangeNothing();
    void theWaitEndsWithAHelloNotWithABareConnection();
    void aJoinerTurnedAwayIsToldAtOnce();
    void aPeerGoneInsideTheHandshakesPauseLeavesNoLink();
    void chatAndRenameFloodsAreCountedNotShown();
    void aVoiceFloodIsCountedNotKeptOrPlayed();
    void voiceMessagesAtAPersonsPaceAreAllKeptAndPlayed();
    void aSecondPeerIsTurnedAway();
    void peerClosesTheLink();
    void socketErrorsShowTheirBoxes();
};

void TestNetHostile::framesCarryTagLengthAndPayload()
{
    QCOMPARE(gamenet::framing::FormatLength(0), QString("    0"));
    QCOMPARE(gamenet::framing::FormatLength(26), QString("   26"));
    QCOMPARE(gamenet::framing::FormatLength(12345), QString("12345"));

    RawPeer p;
    QVERIFY(p.link());
    // The host's first frame is its handshake, sent before anything was received.
    QCOMPARE(p.got.left(34), QByteArray("<E>   26Anna|Freeware Version 2.98"));
    p.got.clear();
    p.win.w->net().SendPacket("<S>");
    QCOMPARE(p.next(8), QByteArray("<S>    0"));
    p.win.w->net().SendPacket("<D>4");
    QCOMPARE(p.next(9), QByteArray("<D>    14"));
    // Framing looks only at the tag and the length: the payload may hold anything.
    p.win.w->net().SendPacket("<T><Anna> <D>    14|99");
    QCOMPARE(p.next(27), QByteArray("<T>   19<Anna> <D>    14|99"));
    // Characters travel as one byte each.
    p.win.w->net().SendPacket(QString("<T>") + QChar(0xE4) + QChar(0x20AC));
    QCOMPARE(p.next(10), QByteArray("<T>    2\xE4\x80"));
    p.win.w->net().SendPacket("<T>" + QString(12345, 'x'));
    QCOMPARE(p.next(12353).left(8), QByteArray("<T>12345"));
}

void TestNetHostile::largestFrameAndOverflow()
{
    RawPeer p;
    QVERIFY(p.link());
    p.got.clear();
    // The largest frame is longer than the control's limit for a text and still goes out whole.
    p.win.w->net().SendPacket("<T>" + QString(32767, 'y'));
    const QByteArray largest = p.next(32775);
    QCOMPARE(largest.size(), 32775);
    QCOMPARE(largest.left(9), QByteArray("<T>32767y"));
    p.got.clear();
    try {
        p.win.w->net().SendPacket("<T>" + QString(32768, 'z'));
        QFAIL("no overflow");
    } catch (const platform::RuntimeError &e) {
        QCOMPARE(e.number(), 6);
    }
    // Nothing of it went out: the next bytes are the next frame.
    p.win.w->net().SendPacket("<S>");
    QCOMPARE(p.next(8), QByteArray("<S>    0"));
}

void TestNetHostile::garbageStreamOverTheSocket()
{
    RawPeer p;
    QVERIFY(p.link());
    QVERIFY(p.startAndMove(4));
    QRandomGenerator random(4711);
    QByteArray garbage(300000, Qt::Uninitialized);
    for (char &c : garbage) {
        // Mostly frame-like bytes, so that tags, lengths and cut frames all occur.
        const quint32 r = random.bounded(10);
        c = r < 3 ? "<GDSTVECAZ>"[random.bounded(11)] : r < 6 ? char('0' + random.bounded(10)) : r < 8 ? ' ' : char(random.bounded(256));
    }
    const int arrivalsBefore = p.win.w->rec->arrivals;
    QElapsedTimer clock;
    clock.start();
    for (qsizetype at = 0; at < garbage.size(); at += 7001)
        QVERIFY(p.send(garbage.mid(at, 7001)));
    qInfo("random bytes: %.2f us per kB (socket round trips included)",
          double(clock.nsecsElapsed()) / 1000.0 / (garbage.size() / 1024.0));
    QVERIFY(p.boardConsistent());
    QVERIFY(p.win.n().NetworkGame);
    QVERIFY(!p.win.n().FromPeer);
    // At most one warning line per arrival.
    QVERIFY(p.warnings() <= p.win.w->rec->arrivals - arrivalsBefore);

    // A few seconds of 8-byte junk frames: a few lines in the display and the log, memory bounded.
    p.win.w->net().forgetArrivals();
    p.win.clearLines();
    const qint64 logLinesBefore = p.logLines();
    QByteArray junk;
    for (int i = 0; i < 4000; ++i)
        junk += "<Z>    0";
    p.win.w->rec->keepBytes = false;
    const qint64 memoryBefore = heapBytes();
    const int junkArrivalsBefore = p.win.w->rec->arrivals;
    qint64 junkBytes = 0;
    clock.restart();
    while (clock.elapsed() < 3000) {
        QVERIFY(p.send(junk));
        junkBytes += junk.size();
    }
    const double junkSeconds = double(clock.nsecsElapsed()) / 1e9;
    const int junkArrivals = p.win.w->rec->arrivals - junkArrivalsBefore;
    qInfo("junk frames: %lld bytes in %d arrivals, %.2f us per kB, %d warning lines, memory %+lld kB",
          junkBytes, junkArrivals, junkSeconds * 1e6 / (double(junkBytes) / 1024.0), p.warnings(),
          (heapBytes() - memoryBefore) / 1024);
    QVERIFY(p.warnings() >= 1);
    QVERIFY(p.warnings() <= 4);
    QCOMPARE(p.logLines() - logLinesBefore, qint64(p.warnings()));
    QVERIFY(heapBytes() - memoryBefore < 32 * 1024 * 1024);

    // The link still answers at once afterwards.
    p.win.clearLines();
    clock.restart();
    QVERIFY(p.send(frameOf("<T>", "<Bert> still there")));
    QVERIFY(QTest::qWaitFor([&] { return p.win.lines().contains("<Bert> still there"); }, 5000));
    qInfo("chat line after the flood shown in %lld ms", clock.elapsed());
    // Once a second has passed, junk is reported again.
    QTest::qWait(1100);
    QVERIFY(p.send("<Z>    0"));
    QCOMPARE(p.warnings(), 1);
}

void TestNetHostile::junkLeavesTheNextArrivalReadable()
{
    QRandomGenerator random(1234);
    QByteArray noise(100000, Qt::Uninitialized);
    for (char &c : noise)
        c = char(random.bounded(256));
    const QByteArray two = frameOf("<T>", "<Bert> one") + frameOf("<T>", "<Bert> two");
    const struct {
        QByteArray arrival;
        bool warned;
    } cases[] = {
        {two + "x", false},       // a stray byte after whole frames goes unmentioned
        {"<T>  abcHello", true},  // no number: an 8-byte frame, and "Hello" is junk
        {"<T>   -9xx", true},     // a negative length: likewise, with "xx"
        {"<Z>   40abc", true},    // an unknown tag is not kept for a length beyond its arrival
        {"<G>99999    1", true},  // a length beyond 16 bits
        {"<", false},             // the beginning of a tag, which the next arrival does not go on
        {noise, true},
    };
    for (const auto &c : cases) {
        RawPeer p;
        QVERIFY(p.link());
        p.win.clearLines();
        QVERIFY(p.send(c.arrival));
        QVERIFY2(p.pingAndChat("<Bert> after"), c.arrival.left(16).constData());
        QCOMPARE(p.warnings(), c.warned ? 1 : 0);
        QCOMPARE(p.win.lines().count("<Bert> two"), c.arrival.startsWith(two) ? 1 : 0);
        QCOMPARE(p.win.w->net().keptBytes(p.win.n().PeerClientNo), qsizetype(0));
    }
}

void TestNetHostile::junkAndFramesInTurn()
{
    RawPeer p;
    p.win.w->personsPace = true;
    QVERIFY(p.link());
    QVERIFY(p.startAndMove(4));
    p.win.clearLines();
    QRandomGenerator random(31);
    QStringList shown;
    int pings = 0;
    p.got.clear();
    for (int i = 0; i < 120; ++i) {
        // Any bytes, but no tag of ours: a "<" is never followed by a tag's letter nor last.
        QByteArray junk(1 + int(random.bounded(i % 10 == 0 ? 5000 : 40)), Qt::Uninitialized);
        for (qsizetype k = 0; k < junk.size(); ++k) {
            char c = char(random.bounded(256));
            if (k > 0 && junk[k - 1] == '<' && QByteArray("VSGDETC").contains(c))
                c = 'x';
            junk[k] = c;
        }
        if (junk.endsWith('<'))
            junk.back() = '>';
        QVERIFY(p.send(junk));
        if (i % 3 == 0) {
            QVERIFY(p.send(frameOf("<V>", "")));
            ++pings;
        } else {
            const QByteArray line = "<Bert> line " + QByteArray::number(i);
            QVERIFY(p.send(frameOf("<T>", line)));
            shown.append(QString::fromLatin1(line));
        }
    }
    QCOMPARE(p.win.lines().filter("<Bert>"), shown);
    QVERIFY(QTest::qWaitFor([&] { return p.got.count("<C>    0") == pings; }, 5000));
    QCOMPARE(p.got, QByteArray("<C>    0").repeated(pings));
    QVERIFY(p.warnings() >= 1);
    QVERIFY(p.boardConsistent());
}

void TestNetHostile::framesCutByTheTransport()
{
    RawPeer p;
    QVERIFY(p.link());
    p.win.clearLines();
    // A start of the peer, cut 1 + rest: the peer is to move.
    QVERIFY(p.sendCut(frameOf("<S>", ""), {1}));
    QVERIFY(p.win.s().GameRunning);
    // A glide cut 8 + 1, a drop cut 1 + rest: one chip in column 5.
    QVERIFY(p.sendCut(frameOf("<G>", "5"), {8}));
    QCOMPARE(p.win.s().SelColumn, int16_t(5));
    QVERIFY(p.sendCut(frameOf("<D>", "5"), {1}));
    QCOMPARE(p.win.s().Tube[5], int16_t(1));
    QCOMPARE(p.win.s().MoveCount, int16_t(1));
    p.win.play(3);
    // A chat frame as a real network cuts it (1,448 + 560), another cut 8 + 1 + rest.
    const QByteArray chat = "<Bert> " + QByteArray(2000 - 7, 'c');
    QVERIFY(p.sendCut(frameOf("<T>", chat), {1448}));
    QVERIFY(p.sendCut(frameOf("<T>", "<Bert> hi"), {8, 1}));
    // A handshake after the handshake and a stray "<C>": nothing to see.
    QVERIFY(p.sendCut(frameOf("<E>", "Bert|Freeware Version 2.98"), {8, 1}));
    QVERIFY(p.sendCut(frameOf("<C>", ""), {1}));
    // A voice message whose 2,008-byte blocks come as 1,448 + 560, 8 + 1 + rest and 1 + rest.
    const QByteArray recording = recordingOf(4500, 1);
    const QList<QByteArray> voice = voiceFrames(recording);
    QVERIFY(p.sendCut(voice[0], {1}));
    QVERIFY(p.sendCut(voice[1], {1448}));
    QVERIFY(p.sendCut(voice[2], {8, 1}));
    QVERIFY(p.sendCut(voice[3], {1}));
    QVERIFY(p.sendCut(voice[4], {1}));
    QVERIFY(QTest::qWaitFor([&] { return p.win.sound.waited("invoice") == 1; }, 10000));
    QCOMPARE(p.invoice(), recording);
    QCOMPARE(p.replies("<C>"), 4);
    QCOMPARE(p.win.lines(), (QStringList{QString::fromLatin1(chat), "<Bert> hi"}));
    QCOMPARE(p.warnings(), 0);
    QCOMPARE(p.win.w->net().keptBytes(p.win.n().PeerClientNo), qsizetype(0));

    // Six 6,008-byte chat frames in one write pass the control's read limit of 32,767 bytes.
    p.win.clearLines();
    QByteArray six;
    QStringList shown;
    for (int i = 0; i < 6; ++i) {
        const QByteArray line = "<Bert> " + QByteArray(6000 - 7, char('a' + i));
        six += frameOf("<T>", line);
        shown.append(QString::fromLatin1(line));
    }
    QVERIFY(p.send(six));
    // The largest legal chat frame never arrives whole through the socket, and is shown.
    const QByteArray largest = "<Bert> " + QByteArray(32767 - 7, 'L');
    QVERIFY(p.send(frameOf("<T>", largest)));
    shown.append(QString::fromLatin1(largest));
    QCOMPARE(p.win.lines(), shown);
    QCOMPARE(p.warnings(), 0);
    QVERIFY(p.boardConsistent());
}

void TestNetHostile::everyTagCutInItsHeader()
{
    RawPeer p;
    QVERIFY(p.link());
    QVERIFY(p.startAndMove(4));
    p.win.clearLines();
    p.got.clear();
    const int16_t client = p.win.n().PeerClientNo;
    const int boxesBefore = p.boxes.count();
    QStringList shown;
    // Every tag, its frame cut once at each place of its header and where the payload begins.
    for (int cut = 1; cut <= 8; ++cut) {
        const QByteArray column = QByteArray::number(cut);
        const QByteArray line = "<Bert> cut at " + column;
        for (const QByteArray &frame : {frameOf("<S>", ""), frameOf("<G>", column), frameOf("<D>", column),
                                        frameOf("<E>", "Bert|Freeware Version 2.98"), frameOf("<T>", line),
                                        frameOf("<C>", ""), frameOf("<V>", "0"), frameOf("<VD", QByteArray(2000, 'v')),
                                        frameOf("<VA", "")}) {
            QVERIFY(p.sendCut(frame, {cut}));
            QCOMPARE(p.win.w->net().keptBytes(client), qsizetype(0));
        }
        shown.append(QString::fromLatin1(line));
        // The drop landed in the column of the glide before it (8 wraps to 1).
        QCOMPARE(p.win.s().LastColumn, int16_t(cut == 8 ? 1 : cut));
    }
    // A voice block cut as a real network cuts it.
    QVERIFY(p.sendCut(frameOf("<VD", QByteArray(2000, 'w')), {1448}));
    QCOMPARE(p.win.lines(), shown);
    QCOMPARE(p.warnings(), 0);
    QCOMPARE(p.win.s().MoveCount, int16_t(9));
    // Each start while a game runs shows its box; each announcement and block is answered.
    QCOMPARE(p.boxes.count() - boxesBefore, 8);
    QVERIFY(QTest::qWaitFor([&] { return p.got.size() >= 17 * 8; }, 5000));
    QCOMPARE(p.got, QByteArray("<C>    0").repeated(17));
    QVERIFY(p.boardConsistent());
}

void TestNetHostile::aStreamInRandomCuts()
{
    RawPeer p;
    p.win.w->personsPace = true;
    QVERIFY(p.link());
    QVERIFY(p.startAndMove(4));
    p.win.clearLines();
    // 1,000 mixed frames: chat lines, glides, a whole voice message among them, a drop at the end.
    QRandomGenerator random(99);
    const QByteArray recording = recordingOf(30500, 2);
    const QList<QByteArray> voice = voiceFrames(recording);
    QList<QByteArray> frames;
    QStringList lines;
    int column = 0;
    while (frames.size() < 999) {
        if (frames.size() == 400)
            frames += voice;
        if (random.bounded(4) == 0) {
            column = 1 + int(random.bounded(7));
            frames.append(frameOf("<G>", QByteArray::number(column)));
        } else {
            const int size = random.bounded(10) == 0 ? int(random.bounded(3000)) : int(random.bounded(60));
            // Lines end in a letter: the display gives every line a trailing blank of its own.
            QByteArray line = "<Bert> " + QByteArray::number(frames.size()) + ' ';
            for (int i = 0; i <= size; ++i)
                line += char('a' + random.bounded(26));
            frames.append(frameOf("<T>", line));
            lines.append(QString::fromLatin1(line));
        }
    }
    frames.append(frameOf("<D>", QByteArray::number(column)));
    QCOMPARE(frames.size(), 1000);
    const QByteArray stream = frames.join();
    for (qsizetype at = 0; at < stream.size();) {
        const int cut = 1 + int(random.bounded(3000));
        QVERIFY(p.send(stream.mid(at, cut)));
        at += cut;
    }
    QVERIFY(QTest::qWaitFor([&] { return p.win.sound.waited("invoice") == 1; }, 10000));
    // Handled as if written whole: every line in order, the message byte for byte, the move.
    QCOMPARE(p.win.lines(), lines);
    QCOMPARE(p.invoice(), recording);
    QCOMPARE(p.replies("<C>"), int(voice.size()) - 1);
    QCOMPARE(p.win.s().Tube[column], int16_t(column == 4 ? 2 : 1));
    QCOMPARE(p.win.s().MoveCount, int16_t(2));
    QCOMPARE(p.warnings(), 0);
    QVERIFY(p.boardConsistent());
}

void TestNetHostile::peersThatComeAndGo()
{
    ScriptedMsgBoxes boxes;
    NetSide win{"Anna", true};
    const uint16_t port = freePort();
    win.host(port);
    // Connects a peer and waits until the window has greeted it or turned it away.
    const auto connectPeer = [&](QTcpSocket &peer) {
        peer.connectToHost(QHostAddress::LocalHost, port);
        return spinFor([&] {
            return peer.bytesAvailable() >= 34 || (peer.state() == QAbstractSocket::UnconnectedState);
        });
    };
    const auto cycles = [&](int count) {
        for (int i = 0; i < count; ++i) {
            QTcpSocket peer;
            if (!connectPeer(peer))
                return false;
            peer.disconnectFromHost();
            if (!spinFor([&] { return !win.n().NetworkGame; }))
                return false;
        }
        return true;
    };
    // Warmed up, then measured.
    QVERIFY(cycles(200));
    QTest::qWait(50);
    const int descriptorsBefore = openDescriptors();
    const qint64 memoryBefore = heapBytes();
    win.clearLines();
    QElapsedTimer clock;
    clock.start();
    QVERIFY(cycles(5000));
    const qint64 cycleTime = clock.elapsed();
    // None of them linked: nothing logged, nothing played, at most a line a second.
    QVERIFY(!QFile::exists(QDir(win.w->WorkDir()).filePath("QorLog.Txt")));
    QCOMPARE(win.sound.requests.size(), 0);
    QVERIFY2(win.lines().size() <= cycleTime / 1000 + 1, qPrintable(QString::number(win.lines().size())));

    // 50 peers at once: the first is greeted, the others are closed unseen.
    std::vector<std::unique_ptr<QTcpSocket>> held;
    for (int i = 0; i < 50; ++i) {
        held.push_back(std::make_unique<QTcpSocket>());
        QVERIFY(connectPeer(*held.back()));
    }
    int greeted = 0, closed = 0;
    for (auto &peer : held) {
        greeted += peer->bytesAvailable() >= 34;
        closed += peer->state() == QAbstractSocket::UnconnectedState;
    }
    QCOMPARE(greeted, 1);
    QCOMPARE(closed, 49);
    held.clear();
    QVERIFY(QTest::qWaitFor([&] { return !win.n().NetworkGame; }, 5000));
    QTest::qWait(50);
    qInfo("5000 connect-and-close cycles in %lld ms; descriptors %d -> %d; memory %+lld kB", cycleTime,
          descriptorsBefore, openDescriptors(), (heapBytes() - memoryBefore) / 1024);
    QCOMPARE(boxes.count(), 0);
    QCOMPARE(openDescriptors(), descriptorsBefore);
    QVERIFY(heapBytes() - memoryBefore < 32 * 1024 * 1024);

    // A peer afterwards links up, and its chat line is shown and logged.
    QTcpSocket peer;
    QVERIFY(connectPeer(peer));
    QVERIFY(peer.bytesAvailable() >= 34);
    peer.write(frameOf("<E>", "Bert|Freeware Version 2.98") + frameOf("<T>", "<Bert> made it"));
    QVERIFY(QTest::qWaitFor([&] { return win.lines().contains("<Bert> made it"); }, 5000));
    win.w->net().cmdP2PClose_Click();
    QFile log(QDir(win.w->WorkDir()).filePath("QorLog.Txt"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("<Bert> made it"));
    QCOMPARE(boxes.count(), 0);
}

void TestNetHostile::nobodyLinksUnlessTheUserWaitsForAPeer()
{
    ScriptedMsgBoxes boxes;
    NetSide win{"Anna", true};
    const uint16_t port = freePort();
    // The control listens, but the user has never pressed Connect.
    win.listen(port);
    QVERIFY2(strangerGetsNothing(win, port), "before hosting");

    // The wait ends with its timeout (one pass) and its box; the control still listens.
    {
        auto dialog = hostingDialog(win, port, "0");
        dialog->cmdConnect_Click();
        QCOMPARE(boxes.count(), 1);
        QVERIFY(boxes.shown().last().prompt.startsWith("Timeout!"));
    }
    QVERIFY2(strangerGetsNothing(win, port), "after the timeout");

    // Cancel during the wait.
    {
        auto dialog = hostingDialog(win, port, "30");
        QTimer::singleShot(200, dialog.get(), [&] { dialog->cmdCancel_Click(); });
        dialog->cmdConnect_Click();
        QVERIFY(dialog->unloaded());
    }
    QVERIFY2(strangerGetsNothing(win, port), "after Cancel");
    QCOMPARE(boxes.count(), 1);

    // The next Connect waits for a peer again, and the peer that comes and greets links.
    QTcpSocket peer;
    QByteArray got;
    QObject::connect(&peer, &QTcpSocket::readyRead, [&] {
        got += peer.readAll();
        if (got.size() >= 34 && got.count("<E>") == 1)
            peer.write(frameOf("<E>", "Bert|Freeware Version 2.98"));
    });
    {
        auto dialog = hostingDialog(win, port, "30");
        QTimer::singleShot(100, dialog.get(), [&] { peer.connectToHost(QHostAddress::LocalHost, port); });
        dialog->cmdConnect_Click();
    }
    QVERIFY(win.n().NetworkGame);
    QVERIFY(QTest::qWaitFor([&] { return win.n().HandshakeDone && got.count("<E>") == 2; }, 5000));
    QCOMPARE(win.lines(), QStringList{"  --- Connected with Bert! ---"});
    QCOMPARE(boxes.count(), 1);
}

void TestNetHostile::aSilentConnectionLosesItsPlaceAfterTheDeadline()
{
    ScriptedMsgBoxes boxes;
    NetSide win{"Anna", true};
    win.w->net().setHelloDeadline(std::chrono::milliseconds(300));
    const uint16_t port = freePort();
    win.host(port);
    // A socket connects, is greeted and says nothing.
    QTcpSocket silent;
    silent.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(QTest::qWaitFor([&] { return silent.bytesAvailable() >= 34; }, 5000));
    QVERIFY(!win.n().NetworkGame); // greeted, but no peer before its answer
    // Meanwhile the real peer is turned away.
    QTcpSocket early;
    early.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(QTest::qWaitFor([&] { return early.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QCOMPARE(early.readAll(), QByteArray());
    // After the deadline the silent one is closed: nothing logged, nothing played.
    QVERIFY(QTest::qWaitFor([&] { return silent.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QVERIFY(!win.n().NetworkGame);
    QCOMPARE(logOf(win), QByteArray());
    QCOMPARE(win.sound.requests.size(), 0);
    QVERIFY(win.lines().size() <= 1);

    // The real peer tries again and links; once linked, it may stay silent as long as it likes.
    QTcpSocket peer;
    peer.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(QTest::qWaitFor([&] { return peer.bytesAvailable() >= 34; }, 5000));
    peer.write(frameOf("<E>", "Bert|Freeware Version 2.98"));
    QVERIFY(QTest::qWaitFor([&] { return win.n().HandshakeDone && peer.bytesAvailable() >= 68; }, 5000));
    QVERIFY(win.lines().contains("  --- Connected with Bert! ---"));
    QTest::qWait(600);
    QVERIFY(win.n().NetworkGame);
    QCOMPARE(peer.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(boxes.count(), 0);
}

void TestNetHostile::framesBeforeTheHelloChangeNothing()
{
    ScriptedMsgBoxes boxes;
    NetSide win{"Anna", true};
    const uint16_t port = freePort();
    win.host(port);
    QTcpSocket peer;
    QByteArray got;
    QObject::connect(&peer, &QTcpSocket::readyRead, [&] { got += peer.readAll(); });
    peer.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(QTest::qWaitFor([&] { return got.size() >= 34; }, 5000));
    // Before its hello: a chat line, a game start, a whole voice message, and junk.
    QByteArray early = frameOf("<T>", "<Mallory> hear me") + frameOf("<S>", "");
    for (const QByteArray &frame : voiceFrames(recordingOf(4500, 1)))
        early += frame;
    early += "\x01\x02 no frame";
    const qint64 before = win.w->rec->receivedCount;
    peer.write(early);
    QVERIFY(spinFor([&] { return win.w->rec->receivedCount >= before + early.size(); }));
    QTest::qWait(50);
    QCOMPARE(got.size(), 34); // its greeting, and no "<C>"
    QVERIFY(win.lines().isEmpty());
    QCOMPARE(win.sound.requests.size(), 0);
    QVERIFY(!QFile::exists(QDir(win.w->WorkDir()).filePath("invoice.wav")));
    QCOMPARE(logOf(win), QByteArray());
    QVERIFY(!win.s().GameRunning);
    QVERIFY(!win.n().NetworkGame);
    // Its hello makes it the peer: from then on its frames count, and nothing of before shows.
    peer.write(frameOf("<E>", "Bert|Freeware Version 2.98") + frameOf("<T>", "<Bert> now"));
    QVERIFY(QTest::qWaitFor([&] { return win.lines().contains("<Bert> now"); }, 5000));
    QVERIFY(win.n().NetworkGame);
    QVERIFY(win.lines().filter("Mallory").isEmpty());
    win.w->net().cmdP2PClose_Click();
    QVERIFY(!logOf(win).contains("Mallory"));
    QCOMPARE(boxes.count(), 0);
}

void TestNetHostile::theWaitEndsWithAHelloNotWithABareConnection()
{
    ScriptedMsgBoxes boxes;
    NetSide win{"Anna", true};
    const uint16_t port = freePort();
    // A connection that stays silent does not end the wait: the timeout does, with its box.
    QTcpSocket silent;
    {
        auto dialog = hostingDialog(win, port, "1");
        QTimer::singleShot(100, dialog.get(), [&] { silent.connectToHost(QHostAddress::LocalHost, port); });
        dialog->cmdConnect_Click();
    }
    QCOMPARE(boxes.count(), 1);
    QVERIFY(boxes.shown().last().prompt.startsWith("Timeout!"));
    QVERIFY(QTest::qWaitFor([&] { return silent.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QVERIFY(!win.n().NetworkGame);

    // Connections that come and go before their hello leave the wait running and show nothing;
    // the peer that comes next links within the timeout.
    QTcpSocket peer;
    QByteArray got;
    QObject::connect(&peer, &QTcpSocket::readyRead, [&] {
        got += peer.readAll();
        if (got.size() >= 34 && got.count("<E>") == 1)
            peer.write(frameOf("<E>", "Bert|Freeware Version 2.98"));
    });
    bool waitingAfterThem = false;
    auto dialog = hostingDialog(win, port, "30");
    QTimer::singleShot(100, dialog.get(), [&] {
        for (int i = 0; i < 3; ++i) {
            QTcpSocket bare;
            bare.connectToHost(QHostAddress::LocalHost, port);
            spinFor([&] { return bare.bytesAvailable() >= 34; });
            bare.abort();
            spinFor([&] { return win.w->net().admission().state() == gamenet::PeerAdmission::State::Awaited; });
        }
        // Long enough for the wait to look at least once with nobody connected.
        QTest::qWait(1500);
        waitingAfterThem = !dialog->unloaded();
        peer.connectToHost(QHostAddress::LocalHost, port);
    });
    dialog->cmdConnect_Click();
    QVERIFY(waitingAfterThem);
    QVERIFY(dialog->unloaded());
    QVERIFY(win.n().NetworkGame);
    QCOMPARE(boxes.count(), 1);
    QVERIFY(QTest::qWaitFor([&] { return win.n().HandshakeDone && got.count("<E>") == 2; }, 5000));
    QCOMPARE(win.lines(), QStringList{"  --- Connected with Bert! ---"});
}

void TestNetHostile::aJoinerTurnedAwayIsToldAtOnce()
{
    ScriptedMsgBoxes boxes;
    // A host that listens while its user awaits nobody (after Cancel or the timeout) closes
    // every connection at once.
    NetSide host{"Anna", true};
    const uint16_t port = freePort();
    host.listen(port);
    NetSide joiner{"Bert", false};
    const QString folder = gamewindow::OstrelProbe::programFolder(*joiner.w);
    gamenet::Peer2Peer dialog(joiner.w->net(), folder, [&] { joiner.w->prepareForConnect(); }, joiner.w.get());
    dialog.txtName()->setText("Bert");
    dialog.optColor(1)->click();
    dialog.txtIP()->setText("127.0.0.1");
    dialog.txtPort(0)->setText(QString::number(port));
    dialog.txtTimeout()->setText("40");
    QElapsedTimer clock;
    clock.start();
    dialog.cmdConnect_Click();
    const qint64 waited = clock.elapsed();
    QVERIFY2(waited < 5000, qPrintable(QString::number(waited)));
    QVERIFY(host.w->rec->clientsSeen >= 1);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown().last().prompt, QString("Connect to other side possible. But Your opponent isn't ready at "
                                                  "this time! Please retry in a few seconds."));
    QVERIFY(dialog.unloaded());
    QVERIFY(!joiner.n().NetworkGame);
    QVERIFY(joiner.lines().isEmpty());
    QVERIFY(host.lines().isEmpty());
}

void TestNetHostile::aPeerGoneInsideTheHandshakesPauseLeavesNoLink()
{
    ScriptedMsgBoxes boxes;
    NetSide win{"Anna", true};
    const uint16_t port = freePort();
    win.host(port);
    // The ghost says hello and is gone before the pause is over.
    QTcpSocket ghost;
    bool ghostGone = false;
    win.w->setDelay([&](int16_t) {
        if (!ghostGone) {
            ghostGone = true;
            ghost.abort();
            spinFor([&] { return !win.n().NetworkGame; });
        }
        QTest::qWait(5);
    });
    ghost.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(QTest::qWaitFor([&] { return ghost.bytesAvailable() >= 34; }, 5000));
    ghost.write(frameOf("<E>", "Ghost|Freeware Version 2.98"));
    QVERIFY(QTest::qWaitFor([&] { return ghostGone; }, 5000));
    QTest::qWait(50);
    QVERIFY(!win.n().NetworkGame);
    QVERIFY(!win.n().HandshakeDone);
    QCOMPARE(testing::control<gamewindow::OnlineLamp>(win.w.get(), "shpOnlineLamp")->fillColor(), 0xE0E0E0);
    QVERIFY(win.lines().filter("Connected with").isEmpty());
    QVERIFY(!logOf(win).contains("Ghost"));
    QCOMPARE(win.sound.requests.size(), 0);

    // With the user's next Connect the next peer gets the whole handshake: greeting, answer,
    // line, lamp.
    win.awaitPeer();
    QTcpSocket peer;
    QByteArray got;
    QObject::connect(&peer, &QTcpSocket::readyRead, [&] { got += peer.readAll(); });
    peer.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(QTest::qWaitFor([&] { return got.size() >= 34; }, 5000));
    peer.write(frameOf("<E>", "Bert|Freeware Version 2.98"));
    QVERIFY(QTest::qWaitFor([&] { return got.count("<E>") == 2; }, 5000));
    QVERIFY(win.n().HandshakeDone);
    QCOMPARE(win.lines().filter("Connected with"), QStringList{"  --- Connected with Bert! ---"});
    QCOMPARE(testing::control<gamewindow::OnlineLamp>(win.w.get(), "shpOnlineLamp")->fillColor(), 0xFF);
    QCOMPARE(win.sound.count("p2pstart"), 1);
    // While it stands, a further socket is turned away.
    QTcpSocket further;
    further.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(QTest::qWaitFor([&] { return further.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QCOMPARE(further.readAll(), QByteArray());
    QCOMPARE(win.n().Nick[1], QString("Bert"));
    QCOMPARE(boxes.count(), 0);
}

void TestNetHostile::chatAndRenameFloodsAreCountedNotShown()
{
    RawPeer p;
    QVERIFY(p.link());
    p.win.clearLines();
    p.win.sound.clear();
    p.win.w->rec->keepBytes = false;
    const qsizetype logBefore = logOf(p.win).size();
    constexpr int Burst = 10000;
    QByteArray burst;
    for (int i = 0; i < Burst; ++i)
        burst += frameOf("<T>", "<Bert> line " + QByteArray::number(i) + " of the flood, as fast as it goes");
    // A ping right behind the burst is answered.
    p.got.clear();
    QElapsedTimer clock;
    clock.start();
    p.peer.write(burst + frameOf("<V>", ""));
    QVERIFY(QTest::qWaitFor([&] { return p.got.contains("<C>    0"); }, 10000));
    qInfo("ping behind %d chat lines answered after %lld ms", Burst, clock.elapsed());
    // Every line is shown or counted, the count said in a line of its own.
    const auto accounted = [&] {
        qint64 n = 0;
        for (const QString &line : p.win.lines())
            n += line.startsWith("<Bert> line ") ? 1 : heldIn(line);
        return n;
    };
    QVERIFY(QTest::qWaitFor([&] { return accounted() == Burst; }, 5000));
    qInfo("%lld lines shown for the burst, %lld bytes logged", qint64(p.win.lines().size()),
          qint64(logOf(p.win).size() - logBefore));
    QVERIFY(p.win.lines().size() <= 40);
    QVERIFY(p.win.lines().filter(QRegularExpression("^--- [0-9,]+ more lines of Bert not shown ---$")).size() >= 1);
    QCOMPARE(p.win.sound.count("msgarriv"), int(p.win.lines().filter("<Bert> line ").size()));
    const QByteArray logged = logOf(p.win).mid(logBefore);
    QCOMPARE(logged.count('\n'), qsizetype(p.win.lines().size()));

    // A flood of renames: the last name holds; a few notices and sounds, the count for the rest.
    p.win.clearLines();
    p.win.sound.clear();
    QByteArray renames;
    for (int i = 0; i < 1000; ++i)
        renames += frameOf("<T>", "<Bert> /NICK Bert" + QByteArray::number(i));
    QVERIFY(p.send(renames));
    QVERIFY(QTest::qWaitFor([&] { return !p.win.lines().filter("more lines of Bert999 not shown").isEmpty(); }, 5000));
    QCOMPARE(p.win.n().Nick[1], QString("Bert999"));
    QVERIFY(testing::control<gamewindow::ChatFrame>(p.win.w.get(), "frmChat")->title().contains("Bert999"));
    QVERIFY(p.win.lines().size() <= 40);
    QVERIFY(p.win.sound.count("nickchan") <= 30);
    QVERIFY(p.win.n().NetworkGame);
    QCOMPARE(p.boxes.count(), 0);
}

void TestNetHostile::aVoiceFloodIsCountedNotKeptOrPlayed()
{
    RawPeer p;
    QVERIFY(p.link());
    keepVoiceMessages(p.win);
    QVERIFY(p.win.n().KeepVoice);
    p.win.clearLines();
    p.win.sound.clear();
    const QStringList filesBefore = QDir(p.win.w->WorkDir()).entryList(QDir::Files);
    // 300 messages in one write, the first a long one in 15 blocks: it counts once and plays.
    constexpr int Burst = 300;
    QList<QByteArray> recordings{recordingOf(30000, 0)};
    for (int i = 1; i < Burst; ++i)
        recordings.append(recordingOf(60, i));
    QByteArray burst;
    int blocks = 0;
    for (const QByteArray &recording : recordings) {
        const QList<QByteArray> frames = voiceFrames(recording);
        burst += frames.join();
        blocks += int(frames.size()) - 2;
    }
    p.got.clear();
    QElapsedTimer clock;
    clock.start();
    // A ping right behind the burst is answered, and so is every announcement and block before it.
    p.peer.write(burst + frameOf("<V>", ""));
    const qsizetype answers = Burst + blocks + 1;
    QVERIFY(QTest::qWaitFor([&] { return p.got.size() >= answers * 8; }, 10000));
    qInfo("ping behind %d voice messages answered after %lld ms", Burst, clock.elapsed());
    QCOMPARE(p.got, QByteArray("<C>    0").repeated(answers));
    // Every message is played or counted, the count said in a line of its own.
    const auto accounted = [&] {
        qint64 n = p.win.sound.waited("invoice");
        for (const QString &line : p.win.lines())
            n += voicesHeldIn(line);
        return n;
    };
    QVERIFY(QTest::qWaitFor([&] { return accounted() == Burst; }, 5000));
    const qint64 seconds = clock.elapsed() / 1000 + 1;
    const int played = p.win.sound.waited("invoice");
    qInfo("%d of %d messages played within %lld s", played, Burst, seconds);
    QVERIFY(played >= 1 && played <= seconds && played <= 5);
    QVERIFY(p.win.lines().size() <= seconds);
    QCOMPARE(p.win.lines().filter(QRegularExpression("^--- [0-9,]+ more voice messages? of Bert not played ---$")),
             p.win.lines());
    // What was played was kept whole, the long message among it; the rest left no file behind.
    const QList<QByteArray> copies = copiesOfBert(p.win);
    QCOMPARE(copies.size(), played);
    QVERIFY(copies.contains(recordings.first()));
    QVERIFY(recordings.contains(p.invoice()));
    QCOMPARE(QDir(p.win.w->WorkDir()).entryList(QDir::Files).size(),
             filesBefore.size() + played + int(!filesBefore.contains("invoice.wav")));
    QVERIFY(!testing::control<PictureBox>(p.win.w.get(), "picSend", 1)
                 ->isVisibleTo(testing::control<gamewindow::ChatFrame>(p.win.w.get(), "frmChat")));
    QVERIFY(p.win.n().NetworkGame);
    QCOMPARE(p.boxes.count(), 0);

    // In German, a flood cut short by the peer's leaving: its count comes before the closing line
    // and the log's footer.
    p.win.w->menLanGerman_Click();
    p.win.clearLines();
    p.win.sound.clear();
    QByteArray few;
    for (int i = 0; i < 5; ++i)
        few += voiceFrames(recordingOf(60, i)).join();
    // The peer leaves once its last message is answered, within the second of the flood.
    p.got.clear();
    p.peer.write(few);
    QVERIFY(QTest::qWaitFor([&] { return p.got.size() >= 5 * 2 * 8; }, 5000));
    p.peer.disconnectFromHost();
    QVERIFY(QTest::qWaitFor([&] { return !p.win.n().NetworkGame; }, 5000));
    const QStringList lines = p.win.lines();
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.last(), QString("--- Verbindung zu Bert getrennt! ---"));
    qint64 held = 0;
    for (const QString &line : lines.mid(0, lines.size() - 1))
        held += voicesHeldIn(line);
    QVERIFY(held >= 1);
    QCOMPARE(held + p.win.sound.waited("invoice"), 5);
    QVERIFY(lines[lines.size() - 2].contains(
        QRegularExpression("^--- [0-9]+ weitere Sprachnachrichten? von Bert nicht abgespielt ---$")));
    const QByteArray log = logOf(p.win);
    QVERIFY(log.lastIndexOf("weitere Sprachnachricht") < log.lastIndexOf("--- Ende der Verbindung"));
}

void TestNetHostile::voiceMessagesAtAPersonsPaceAreAllKeptAndPlayed()
{
    RawPeer p;
    p.win.w->personsPace = true;
    QVERIFY(p.link());
    keepVoiceMessages(p.win);
    p.win.clearLines();
    p.win.sound.clear();
    // Six messages, a long one among them, each a second after the one before.
    const QList<QByteArray> recordings{recordingOf(60, 1), recordingOf(4500, 2), recordingOf(45, 3),
                                       recordingOf(60, 4), recordingOf(2001, 5), recordingOf(60, 6)};
    QByteArray messages;
    for (const QByteArray &recording : recordings)
        messages += voiceFrames(recording).join();
    QVERIFY(p.send(messages));
    QVERIFY(QTest::qWaitFor([&] { return p.win.sound.waited("invoice") == int(recordings.size()); }, 10000));
    QList<QByteArray> sorted = recordings;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(copiesOfBert(p.win), sorted);
    QCOMPARE(p.win.lines(), QStringList());
    QCOMPARE(p.replies("<C>"), 6 + 1 + 3 + 1 + 1 + 2 + 1);
}

void TestNetHostile::aSecondPeerIsTurnedAway()
{
    RawPeer p;
    QVERIFY(p.link());
    QVERIFY(p.startAndMove(4));
    p.win.clearLines();
    const int16_t peerNumber = p.win.n().PeerClientNo;
    const qsizetype sentBefore = p.win.w->rec->sent.size();
    // A third party connects in the middle of the game and says hello: closed without a sign.
    QTcpSocket intruder;
    intruder.connectToHost(QHostAddress::LocalHost, p.port);
    QVERIFY(intruder.waitForConnected(5000));
    intruder.write(frameOf("<E>", "Carl|Freeware Version 2.98") + frameOf("<T>", "<Carl> mine now"));
    QVERIFY(QTest::qWaitFor([&] { return intruder.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QCOMPARE(intruder.readAll(), QByteArray());
    QVERIFY(p.win.lines().isEmpty());
    QCOMPARE(p.boxes.count(), 0);
    QCOMPARE(p.win.w->rec->sent.size(), sentBefore);
    QVERIFY(p.win.n().NetworkGame);
    QCOMPARE(p.win.n().PeerClientNo, peerNumber);
    // The game goes on with the first peer, both ways.
    QVERIFY(p.send(frameOf("<D>", "2")));
    QCOMPARE(p.win.s().Tube[2], int16_t(1));
    p.got.clear();
    p.win.play(4);
    QCOMPARE(p.next(18), QByteArray("<G>    14<D>    14"));
    // After the link has ended nobody is awaited: the user plays on locally, and a stranger
    // gets no byte and changes nothing, the game included.
    p.peer.disconnectFromHost();
    QVERIFY(QTest::qWaitFor([&] { return !p.win.n().NetworkGame; }, 5000));
    QCOMPARE(p.win.lines(), QStringList{"--- Connection to Bert closed! ---"});
    p.win.w->menStartgame_Click();
    p.win.play(3);
    QCOMPARE(p.win.s().MoveCount, int16_t(1));
    QVERIFY2(strangerGetsNothing(p.win, p.port), "after the link");
    QVERIFY(p.win.s().GameRunning);
    p.win.play(5);
    QCOMPARE(p.win.s().MoveCount, int16_t(2));
    QVERIFY(testing::control<QAction>(p.win.w.get(), "menTwoPlayers")->isChecked());
}

void TestNetHostile::peerClosesTheLink()
{
    RawPeer p;
    QVERIFY(p.link());
    QVERIFY(p.startAndMove(4));
    p.win.clearLines();
    p.peer.disconnectFromHost();
    QVERIFY(QTest::qWaitFor([&] { return !p.win.n().NetworkGame; }, 5000));
    QCOMPARE(p.win.lines(), QStringList{"--- Connection to Bert closed! ---"});
    QCOMPARE(p.win.sound.count("p2pend"), 1);
    QCOMPARE(testing::control<gamewindow::OnlineLamp>(p.win.w.get(), "shpOnlineLamp")->fillColor(), 0xE0E0E0);
    QVERIFY(testing::control<QAction>(p.win.w.get(), "menIP")->isEnabled());
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
    QCOMPARE(testing::control<QPushButton>(side.w.get(), "cmdP2PClose")->text(), QString("Close"));
    side.w->menLanGerman_Click();
    QCOMPARE(testing::control<QPushButton>(side.w.get(), "cmdP2PClose")->text(), QString("Beenden"));
}

QTEST_MAIN(TestNetHostile)
#include "test_net_hostile.moc"
