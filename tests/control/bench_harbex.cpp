// Speed of the control library against a bare QTcpSocket pair, both over loopback in one run:
// the round trip of a 9-byte frame, and 1 MB sent as 2,000-byte frames where every frame waits
// for the completion of the one before (SendComplete, or bytesWritten for the bare socket).
// The controls are loaded and driven through the published interface only. Prints the medians
// of 9 rounds and the median ratio of each pair of figures. Not a test: run it by hand (see README).
#include "common/BenchTools.h"
#include "HxHost.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr int Rounds = 9;
constexpr int RoundTrips = 2000;     // per round
constexpr int FrameSize = 9;
constexpr int BlockSize = 2000;
constexpr int BulkBytes = 1000000;   // 500 blocks

using benchtools::median;

// Runs the loop until `done` is called, or fails loudly after a generous time.
void runUntil(QEventLoop &loop)
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        std::fprintf(stderr, "benchmark stalled\n");
        std::exit(2);
    });
    guard.start(60000);
    loop.exec();
}

// --- through the control ---

struct ControlPair {
    std::unique_ptr<HostedControl> server;
    std::unique_ptr<HostedControl> client;

    ControlPair()
    {
        const int port = freePort();
        server = std::make_unique<HostedControl>(true);
        server->record = false;
        server->activatePort(port);
        client = std::make_unique<HostedControl>(false);
        client->record = false;
        client->put(HX_DISPID_RemoteHost, HxArg::text(QStringLiteral("127.0.0.1")));
        QEventLoop loop;
        bool connected = false, accepted = false;
        client->onEvent = [&](int32_t id, HxVariant *, int32_t) {
            if (id == HX_EVENT_Connect && (connected = true) && accepted)
                loop.quit();
        };
        server->onEvent = [&](int32_t id, HxVariant *, int32_t) {
            if (id == HX_EVENT_ClientConnected && (accepted = true) && connected)
                loop.quit();
        };
        client->activatePort(port);
        runUntil(loop);
        client->onEvent = nullptr;
        server->onEvent = nullptr;
    }
};

// SendBytes straight through the published vtable, as a host with its arguments at hand calls it.
void sendBytes(HostedControl &ctl, int16_t client, const QByteArray &bytes)
{
    HxVariant args[2]{};
    args[0].type = HX_I2;
    args[0].u.i2 = client;
    args[1].type = HX_BYTES;
    args[1].u.bytes.data = reinterpret_cast<uint8_t *>(const_cast<char *>(bytes.constData()));
    args[1].u.bytes.len = static_cast<int32_t>(bytes.size());
    HxError error{};
    if (ctl.ctl()->vtbl->Invoke(ctl.ctl(), HX_DISPID_SendBytes, HX_INVOKE_METHOD, args, 2, nullptr, &error) != HX_OK) {
        std::fprintf(stderr, "SendBytes failed: %d %s\n", error.number, error.description);
        std::exit(2);
    }
}

int32_t arrivalSize(HxVariant *args, int32_t count)
{
    return count >= 2 ? args[1].u.i4 : 0;
}

double controlRoundTripMicros(ControlPair &pair)
{
    const QByteArray frame(FrameSize, 'r');
    QEventLoop loop;
    int trips = 0;
    int atClient = 0, atServer = 0;
    pair.server->onEvent = [&](int32_t id, HxVariant *args, int32_t count) {
        if (id != HX_EVENT_DataArrival)
            return;
        atServer += arrivalSize(args, count);
        while (atServer >= FrameSize) {
            atServer -= FrameSize;
            sendBytes(*pair.server, 1, frame);
        }
    };
    pair.client->onEvent = [&](int32_t id, HxVariant *args, int32_t count) {
        if (id != HX_EVENT_DataArrival)
            return;
        atClient += arrivalSize(args, count);
        while (atClient >= FrameSize) {
            atClient -= FrameSize;
            if (++trips == RoundTrips)
                loop.quit();
            else
                sendBytes(*pair.client, 0, frame);
        }
    };
    QElapsedTimer clock;
    clock.start();
    sendBytes(*pair.client, 0, frame);
    runUntil(loop);
    const double micros = double(clock.nsecsElapsed()) / 1000.0 / RoundTrips;
    pair.server->onEvent = nullptr;
    pair.client->onEvent = nullptr;
    return micros;
}

double controlBulkMBps(ControlPair &pair)
{
    const QByteArray block(BlockSize, 'b');
    QEventLoop loop;
    int sent = 0, received = 0;
    pair.server->onEvent = [&](int32_t id, HxVariant *, int32_t) {
        if (id == HX_EVENT_SendComplete && sent < BulkBytes) {
            sent += BlockSize;
            sendBytes(*pair.server, 1, block);
        }
    };
    pair.client->onEvent = [&](int32_t id, HxVariant *args, int32_t count) {
        if (id == HX_EVENT_DataArrival && (received += arrivalSize(args, count)) >= BulkBytes)
            loop.quit();
    };
    QElapsedTimer clock;
    clock.start();
    sent = BlockSize;
    sendBytes(*pair.server, 1, block);
    runUntil(loop);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    pair.server->onEvent = nullptr;
    pair.client->onEvent = nullptr;
    return BulkBytes / 1e6 / seconds;
}

// The same transfer written as a plain loop of SendBytes calls: in server mode each call waits
// inside the control for the previous send's completion.
double controlLoopBulkMBps(ControlPair &pair)
{
    const QByteArray block(BlockSize, 'b');
    QEventLoop loop;
    int received = 0;
    pair.client->onEvent = [&](int32_t id, HxVariant *args, int32_t count) {
        if (id == HX_EVENT_DataArrival && (received += arrivalSize(args, count)) >= BulkBytes)
            loop.quit();
    };
    QElapsedTimer clock;
    clock.start();
    for (int sent = 0; sent < BulkBytes; sent += BlockSize)
        sendBytes(*pair.server, 1, block);
    if (received < BulkBytes)
        runUntil(loop);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    pair.client->onEvent = nullptr;
    return BulkBytes / 1e6 / seconds;
}

// --- bare Qt sockets ---

struct SocketPair {
    QTcpServer listener;
    QTcpSocket client;
    QTcpSocket *server = nullptr;

    explicit SocketPair(bool noDelay)
    {
        listener.listen(QHostAddress::LocalHost);
        client.connectToHost(QHostAddress::LocalHost, listener.serverPort());
        client.waitForConnected(10000);
        listener.waitForNewConnection(10000);
        server = listener.nextPendingConnection();
        if (noDelay) {
            client.setSocketOption(QAbstractSocket::LowDelayOption, 1);
            server->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        }
    }
};

double bareRoundTripMicros(SocketPair &pair)
{
    const QByteArray frame(FrameSize, 'r');
    QEventLoop loop;
    int trips = 0;
    qint64 atClient = 0, atServer = 0;
    auto s = QObject::connect(pair.server, &QTcpSocket::readyRead, [&] {
        atServer += pair.server->readAll().size();
        while (atServer >= FrameSize) {
            atServer -= FrameSize;
            pair.server->write(frame);
        }
    });
    auto c = QObject::connect(&pair.client, &QTcpSocket::readyRead, [&] {
        atClient += pair.client.readAll().size();
        while (atClient >= FrameSize) {
            atClient -= FrameSize;
            if (++trips == RoundTrips)
                loop.quit();
            else
                pair.client.write(frame);
        }
    });
    QElapsedTimer clock;
    clock.start();
    pair.client.write(frame);
    runUntil(loop);
    const double micros = double(clock.nsecsElapsed()) / 1000.0 / RoundTrips;
    QObject::disconnect(s);
    QObject::disconnect(c);
    return micros;
}

double bareBulkMBps(SocketPair &pair)
{
    const QByteArray block(BlockSize, 'b');
    QEventLoop loop;
    int sent = 0;
    qint64 received = 0, pending = 0;
    auto s = QObject::connect(pair.server, &QTcpSocket::bytesWritten, [&](qint64 n) {
        pending -= n;
        if (pending <= 0 && sent < BulkBytes) {
            sent += BlockSize;
            pending += BlockSize;
            pair.server->write(block);
        }
    });
    auto c = QObject::connect(&pair.client, &QTcpSocket::readyRead, [&] {
        if ((received += pair.client.readAll().size()) >= BulkBytes)
            loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    sent = BlockSize;
    pending = BlockSize;
    pair.server->write(block);
    runUntil(loop);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    QObject::disconnect(s);
    QObject::disconnect(c);
    return BulkBytes / 1e6 / seconds;
}
} // namespace

int main(int argc, char **argv)
{
    benchtools::useTestEnvironment(OSTREL_PROGRAM_DIR_DEFAULT);
    QApplication app(argc, argv);

    // The control sends without delay (TCP_NODELAY); the bare pair is measured both with the
    // same option, the fair yardstick, and with Qt's default, where the kernel may hold a small
    // send back until the peer's delayed acknowledgement comes.
    ControlPair controls;
    SocketPair sockets(true);
    SocketPair plain(false);
    std::vector<double> ctlTrip, bareTrip, plainTrip, ctlBulk, bareBulk, plainBulk, ctlLoop;
    // The measured rounds are interleaved so that all figures see the same load. A figure also
    // depends on the traffic just before it (Qt's default socket moves bulk at a tenth of its
    // speed right after other traffic, the kernel holding sends back for delayed
    // acknowledgements), so each one is taken right after an unmeasured run of its own kind on
    // the same connection: none gains or loses by the order of the others.
    auto settled = [](auto &&measure) {
        measure();
        return measure();
    };
    for (int round = 0; round < Rounds; ++round) {
        ctlTrip.push_back(settled([&] { return controlRoundTripMicros(controls); }));
        bareTrip.push_back(settled([&] { return bareRoundTripMicros(sockets); }));
        plainTrip.push_back(settled([&] { return bareRoundTripMicros(plain); }));
        ctlBulk.push_back(settled([&] { return controlBulkMBps(controls); }));
        bareBulk.push_back(settled([&] { return bareBulkMBps(sockets); }));
        plainBulk.push_back(settled([&] { return bareBulkMBps(plain); }));
        ctlLoop.push_back(settled([&] { return controlLoopBulkMBps(controls); }));
    }
    // Each ratio is the median of the ratios of one round, where the two figures were taken
    // moments apart: the machine's speed drifts from round to round far more than within one.
    auto pairedRatio = [](const std::vector<double> &ours, const std::vector<double> &theirs) {
        std::vector<double> ratios;
        for (size_t r = 0; r < ours.size(); ++r)
            ratios.push_back(ours[r] / theirs[r]);
        return median(ratios);
    };
    const double ct = median(ctlTrip), bt = median(bareTrip), pt = median(plainTrip);
    const double cb = median(ctlBulk), bb = median(bareBulk), pb = median(plainBulk), cl = median(ctlLoop);
    std::printf("medians of %d rounds over loopback; ratio = libHarbex / QTcpSocket with TCP_NODELAY, "
                "the median of the rounds' ratios\n", Rounds);
    std::printf("%-38s %12s %12s %8s %14s\n", "figure", "libHarbex", "QTcpSocket", "ratio", "Qt default");
    std::printf("%-38s %9.1f us %9.1f us %8.2f %11.1f us\n", "round trip of a 9-byte frame", ct, bt,
                pairedRatio(ctlTrip, bareTrip), pt);
    std::printf("%-38s %7.1f MB/s %7.1f MB/s %8.2f %9.1f MB/s\n", "1 MB in 2,000-byte frames, each awaited",
                cb, bb, pairedRatio(ctlBulk, bareBulk), pb);
    std::printf("%-38s %7.1f MB/s %7.1f MB/s %8.2f\n", "the same, SendBytes in a loop", cl, bb,
                pairedRatio(ctlLoop, bareBulk));
    std::fflush(stdout);
    return 0;
}
