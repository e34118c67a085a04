// Speed of a voice message on the real path: the game program runs as a process of its own
// under a real X server (a private Xvfb), hosts a link as a user would start it (F3, Enter in
// the connection dialog, with the settings file of a copied program folder), and this program
// is the joining peer: it speaks the frames over a plain socket, sends messages of 1,000,000
// bytes in blocks of 2,000 bytes and waits for the "<C>" of every block. The same messages go
// to a bare acknowledger, a child process that answers every block at once, round by round in
// turn with the game. Prints the medians of the rounds: MB/s of each, the time of one block, and
// the median of the rounds' ratios. Needs Xvfb and xdotool. Not a test: run it by hand (see README).
#include "common/BenchTools.h"
#include "common/FreePort.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <optional>
#include <vector>

namespace {
constexpr int Rounds = 7;
constexpr int MessageBytes = 1000000;
constexpr int BlockBytes = 2000;
constexpr int Blocks = MessageBytes / BlockBytes;
constexpr int AnswerWaitMs = 10000;

// What a failure must not leave behind: the processes started here and their folder.
std::vector<QProcess *> children;
QTemporaryDir *scratch = nullptr;

void stopChildren()
{
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        (*it)->kill();
        (*it)->waitForFinished(2000);
    }
    children.clear();
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "bench_voice: %s\n", what);
    stopChildren();
    if (scratch)
        scratch->remove();
    std::exit(2);
}

QByteArray frame(const QByteArray &tag, const QByteArray &payload = QByteArray())
{
    return tag + (QByteArray(5, ' ') + QByteArray::number(payload.size())).right(5) + payload;
}

// Whole frames out of what a socket delivers, however the stream is cut.
class FrameReader {
public:
    // The next frame's tag and payload, waiting up to `ms` for it; with a negative `ms` only out
    // of what has been taken already.
    std::optional<std::pair<QByteArray, QByteArray>> next(QTcpSocket &socket, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            if (m_buffer.size() >= 8) {
                const int length = m_buffer.mid(3, 5).trimmed().toInt();
                if (m_buffer.size() >= 8 + length) {
                    std::pair<QByteArray, QByteArray> f{m_buffer.left(3), m_buffer.mid(8, length)};
                    m_buffer.remove(0, 8 + length);
                    return f;
                }
            }
            if (ms < 0)
                return std::nullopt;
            if (socket.bytesAvailable() == 0) {
                const int left = ms - int(clock.elapsed());
                if (left <= 0 || !socket.waitForReadyRead(left))
                    return std::nullopt;
            }
            m_buffer += socket.readAll();
        }
    }
    void take(QTcpSocket &socket) { m_buffer += socket.readAll(); }

private:
    QByteArray m_buffer;
};

// The bare acknowledger: answers every "<V>" and "<VD" with "<C>" at once, until its peer goes.
int acknowledge()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return 2;
    std::printf("%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);
    FrameReader frames;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket *socket = server.nextPendingConnection();
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [&frames, socket] {
            frames.take(*socket);
            while (auto f = frames.next(*socket, -1)) {
                if (f->first == "<V>" || f->first == "<VD") {
                    socket->write(frame("<C>"));
                    socket->flush();
                }
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, qApp, &QCoreApplication::quit);
    });
    return QCoreApplication::exec();
}

// A peer that sends voice messages over a blocking socket.
struct Peer {
    QTcpSocket socket;
    FrameReader frames;

    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        while (socket.bytesToWrite() > 0)
            if (!socket.waitForBytesWritten(AnswerWaitMs))
                fail("a frame could not be sent");
    }
    // Waits for "<C>", leaving any other frame (a handshake answer) aside.
    void awaitAnswer()
    {
        for (;;) {
            auto f = frames.next(socket, AnswerWaitMs);
            if (!f)
                fail("no \"<C>\" came");
            if (f->first == "<C>")
                return;
        }
    }
    // One message from "<V>" to the answer of its last block, in ms; "<VA" follows.
    double message(const QByteArray &bytes)
    {
        QElapsedTimer clock;
        clock.start();
        send(frame("<V>", QByteArray::number(bytes.size())));
        awaitAnswer();
        for (int at = 0; at < bytes.size(); at += BlockBytes) {
            send(frame("<VD", bytes.mid(at, BlockBytes)));
            awaitAnswer();
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        send(frame("<VA"));
        return ms;
    }
};

QString output(const QString &program, const QStringList &args, int ms = 5000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(ms))
        p.kill();
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// The id of a visible window whose name matches, if there is one.
QString visibleWindow(const QString &namePattern)
{
    return output("xdotool", {"search", "--onlyvisible", "--name", namePattern}).split('\n').last();
}

// Presses `key` in the window named by `namePattern` until a window named by `opens` shows:
// the title window comes first and goes by itself, and a key may reach a window still loading.
QString pressUntil(const QString &namePattern, const QString &key, const QString &opens)
{
    for (int attempt = 0; attempt < 60; ++attempt) {
        const QString target = visibleWindow(namePattern);
        if (!target.isEmpty()) {
            output("xdotool", {"windowfocus", "--sync", target});
            output("xdotool", {"key", key});
        }
        for (int look = 0; look < 5; ++look) {
            QThread::msleep(100);
            const QString opened = opens.isEmpty() ? QString() : visibleWindow(opens);
            if (!opened.isEmpty())
                return opened;
        }
    }
    fail("the program could not be driven");
}

// A copy of the program folder with its own settings: the program hosts a red link on `port`.
void prepareProgramFolder(const QString &from, const QString &to, uint16_t port)
{
    const QDir source(from);
    for (const QString &name : source.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        // The executable is copied, since the program finds its folder beside its real path.
        const bool ok = name == "Ostrel" ? QFile::copy(source.filePath(name), QDir(to).filePath(name))
                                         : QFile::link(source.filePath(name), QDir(to).filePath(name));
        if (!ok)
            fail("the program folder could not be copied");
    }
    QFile ini(QDir(to).filePath("Ostrel.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        fail("no settings file");
    ini.write("[SETTINGS]\r\nLanguage=ENGLISH\r\nSound=OFF\r\nTWOPlayers=NO\r\nTimeLimit=ON\r\nLogfile=NO\r\n"
              "P2PColor=RED\r\nPortRed=" + QByteArray::number(port) + "\r\nPlayerName=Anna\r\nP2PTimeout=60\r\n");
}

void startXvfb(QProcess &xvfb)
{
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    if (!xvfb.waitForStarted(5000))
        fail("Xvfb did not start");
    QByteArray display;
    while (!display.contains('\n') && xvfb.waitForReadyRead(10000))
        display += xvfb.readAllStandardOutput();
    if (!display.contains('\n'))
        fail("Xvfb gave no display");
    qputenv("DISPLAY", ":" + display.trimmed());
}

// Connects to the program and completes the handshake: the host's greeting is answered, and its
// own answer to ours (after its one-second wait) ends it.
void linkUp(Peer &peer, uint16_t port)
{
    for (int i = 0; i < 100 && peer.socket.state() != QAbstractSocket::ConnectedState; ++i) {
        peer.socket.abort();
        peer.socket.connectToHost(QHostAddress::LocalHost, port);
        if (!peer.socket.waitForConnected(1000))
            QThread::msleep(100);
    }
    if (peer.socket.state() != QAbstractSocket::ConnectedState)
        fail("the program did not listen");
    peer.socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    int greetings = 0;
    while (greetings < 2) {
        auto f = peer.frames.next(peer.socket, AnswerWaitMs);
        if (!f)
            fail("no handshake");
        if (f->first != "<E>")
            continue;
        if (++greetings == 1)
            peer.send(frame("<E>", "Bert|Freeware Version 2.98"));
    }
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--acknowledger") {
        QCoreApplication app(argc, argv);
        return acknowledge();
    }
    benchtools::useTestEnvironment(OSTREL_PROGRAM_DIR_DEFAULT);
    QCoreApplication app(argc, argv);

    QTemporaryDir folder;
    scratch = &folder;
    const QString program = folder.filePath("program");
    const QString home = folder.filePath("home");
    if (!QDir().mkpath(program) || !QDir().mkpath(home))
        fail("no temporary folder");
    const uint16_t port = freePort();
    prepareProgramFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR"), program, port);

    QProcess xvfb;
    children.push_back(&xvfb);
    startXvfb(xvfb);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_RUNTIME_DIR", folder.path());
    env.insert("PULSE_SERVER", "unix:/nonexistent/ostrel-no-sound-server");
    QProcess game;
    children.push_back(&game);
    game.setProcessEnvironment(env);
    game.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    game.start(QDir(program).filePath("Ostrel"), {});
    if (!game.waitForStarted(5000))
        fail("the program did not start");
    std::printf("program pid %lld on display %s\n", game.processId(), qgetenv("DISPLAY").constData());
    std::fflush(stdout);

    pressUntil("^Ostrel$", "F3", "^TCP/IP");
    output("xdotool", {"windowfocus", "--sync", visibleWindow("^TCP/IP")});
    output("xdotool", {"key", "Return"});
    Peer toGame;
    linkUp(toGame, port);
    QThread::msleep(300);

    QProcess acknowledger;
    children.push_back(&acknowledger);
    acknowledger.start(QCoreApplication::applicationFilePath(), {"--acknowledger"});
    if (!acknowledger.waitForReadyRead(5000))
        fail("the acknowledger did not start");
    Peer toAcknowledger;
    toAcknowledger.socket.connectToHost(QHostAddress::LocalHost, acknowledger.readLine().trimmed().toUShort());
    if (!toAcknowledger.socket.waitForConnected(5000))
        fail("no link to the acknowledger");
    toAcknowledger.socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);

    QByteArray recording(MessageBytes, Qt::Uninitialized);
    for (int i = 0; i < recording.size(); ++i)
        recording[i] = char((i * 7 + i / 2000) & 0xFF);

    std::vector<double> gameMs, bareMs, ratios;
    for (int round = 0; round <= Rounds; ++round) {
        const double g = toGame.message(recording);
        // The program writes and plays the message after "<VA"; that is not measured.
        QThread::msleep(300);
        const double b = toAcknowledger.message(recording);
        QThread::msleep(50);
        if (round == 0) // the first round warms up
            continue;
        gameMs.push_back(g);
        bareMs.push_back(b);
        ratios.push_back(b / g);
    }
    QFile in(QDir(home).filePath("data/Ostrel/invoice.wav"));
    if (!in.open(QIODevice::ReadOnly) || in.readAll() != recording)
        fail("invoice.wav differs from the message");

    toGame.socket.disconnectFromHost();
    toAcknowledger.socket.disconnectFromHost();
    acknowledger.waitForFinished(2000);
    stopChildren();

    const double g = benchtools::median(gameMs);
    const double b = benchtools::median(bareMs);
    std::printf("voice message of %d bytes in %d blocks to a peer process, median of %d rounds\n", MessageBytes,
                Blocks, Rounds);
    std::printf("  game program (Xvfb)  %8.1f ms  %6.2f MB/s  %6.1f us per block\n", g, MessageBytes / 1e3 / g,
                g * 1000.0 / (Blocks + 1));
    std::printf("  bare acknowledger    %8.1f ms  %6.2f MB/s  %6.1f us per block\n", b, MessageBytes / 1e3 / b,
                b * 1000.0 / (Blocks + 1));
    std::printf("  game / acknowledger  %8.2f (median of the rounds' ratios of rates)\n", benchtools::median(ratios));
    std::fflush(stdout);
    return 0;
}
