// Speed of a voice message between two main windows linked over loopback through libHarbex.so:
// the red side sends a recording of 1,000,000 bytes (500 blocks of 2,000 bytes, each answered by
// "<C>"), the yellow side receives it, writes invoice.wav and "plays" it (sounds go to a
// recorder). Both windows are shown with their chat frames, as in a running game, so the bars
// are painted as a user sees them. Prints the medians of several rounds: MB/s from the
// announcement to the playback, and the round trip of one block. Not a test: run it by hand
// (see README).
#include "common/BenchTools.h"
#include "NetFixture.h"

#include "common/ScriptedMsgBoxes.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int Rounds = 9;
constexpr int MessageBytes = 1000000;
constexpr int Blocks = MessageBytes / 2000;

using benchtools::median;

void showLinked(NetSide &side)
{
    side.w->show();
    side.w->frmChat()->setVisible(true);
}
} // namespace

int main(int argc, char **argv)
{
    benchtools::useTestEnvironment(OSTREL_PROGRAM_DIR_DEFAULT);
    QApplication app(argc, argv);
    ScriptedMsgBoxes boxes;
    NetSide red("Anna", true);
    NetSide yellow("Bert", false);
    const uint16_t port = freePort();
    red.host(port);
    yellow.join(port);
    if (!QTest::qWaitFor([&] { return red.n().HandshakeDone && yellow.n().HandshakeDone; }, 10000)) {
        std::fprintf(stderr, "no link\n");
        return 2;
    }
    QTest::qWait(50);
    if (qEnvironmentVariableIsEmpty("BENCH_HIDDEN")) {
        showLinked(red);
        showLinked(yellow);
    }
    QTest::qWait(50);

    QByteArray recording(MessageBytes, Qt::Uninitialized);
    for (int i = 0; i < recording.size(); ++i)
        recording[i] = char((i * 7 + i / 2000) & 0xFF);
    QFile out(QDir(red.w->WorkDir()).filePath("outvoice.wav"));
    if (!out.open(QIODevice::WriteOnly) || out.write(recording) != recording.size())
        return 2;
    out.close();

    std::vector<double> millis;
    for (int round = 0; round <= Rounds; ++round) {
        red.w->rec->sent.clear();
        yellow.w->rec->received.clear();
        // The real event loop runs until the receiver plays the message (QTest's waits sleep
        // between their looks and would be measured instead).
        QEventLoop loop;
        yellow.sound.duringPlay = [&](const QString &path, bool wait) {
            if (wait && path.contains("invoice"))
                loop.quit();
        };
        QTimer::singleShot(60000, &loop, [] {
            std::fprintf(stderr, "the message did not arrive\n");
            std::exit(2);
        });
        QElapsedTimer clock;
        clock.start();
        red.w->net().SendVoiceFile();
        loop.exec();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        yellow.sound.duringPlay = nullptr;
        if (!QTest::qWaitFor([&] { return red.n().TotalOut == 0; }, 10000))
            return 2;
        if (round > 0) // the first round warms up
            millis.push_back(ms);
    }
    QFile in(QDir(yellow.w->WorkDir()).filePath("invoice.wav"));
    if (!in.open(QIODevice::ReadOnly) || in.readAll() != recording) {
        std::fprintf(stderr, "invoice.wav differs from the recording\n");
        return 2;
    }
    const double ms = median(millis);
    std::printf("voice message of %d bytes in %d blocks, two windows over loopback, median of %d rounds\n",
                MessageBytes, Blocks, Rounds);
    std::printf("  whole message   %8.1f ms   %6.1f MB/s\n", ms, MessageBytes / 1e3 / ms);
    std::printf("  block round trip %7.1f us\n", ms * 1000.0 / (Blocks + 1));
    std::fflush(stdout);
    return 0;
}
