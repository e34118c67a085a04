// The window's sounds through the program's real player: with the private sound server of the
// test script a waited effect plays to its end and lasts as long as its file; with no server
// (PULSE_SERVER names no socket) the game runs silently, waited sounds still return in about
// their time, and unwaited ones return at once.
#include "WindowFixture.h"
#include "../../platform/WaveBytes.h"
#include "platform/SoundPlayer.h"

#include <QElapsedTimer>

class TestWindowRealSound : public QObject {
    Q_OBJECT
private slots:
    void waitedEffectLastsAsLongAsItsFile();
    void unwaitedEffectsReturnAtOnceDuringAGlide();
};

namespace {
bool serverMissing() { return qEnvironmentVariable("PULSE_SERVER").contains("nonexistent"); }

struct RealWindow {
    QTemporaryDir folder;
    std::unique_ptr<gamewindow::Ostrel> w;
    RealWindow()
    {
        for (const QString &name : effectNames()) {
            const double seconds = name == "TIMEOVER" ? 0.6 : 0.05;
            if (!wavetest::writeFile(folder.path() + "/" + name + ".WAV", wavetest::tone(seconds, 1, 22050, 16)))
                qFatal("cannot write sound file");
        }
        assets::setPictureFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/pictures");
        w = std::make_unique<gamewindow::Ostrel>();
        w->setProgramFolder(folder.path());
        w->setPlayTimerRunsItself(false);
    }
};
} // namespace

void TestWindowRealSound::waitedEffectLastsAsLongAsItsFile()
{
    if (!serverMissing() && !qEnvironmentVariableIsSet("PULSE_SERVER"))
        QSKIP("no private sound server (scripts/test.sh starts one)");
    RealWindow r;
    platform::SoundPlayer &player = platform::SoundPlayer::shared();
    QVERIFY(player.waitUntilIdle(5000));
    const auto before = player.stats();
    QElapsedTimer clock;
    clock.start();
    r.w->Playsound("TIMEOVER", true);
    const qint64 ms = clock.elapsed();
    const auto after = player.stats();
    QVERIFY2(ms >= 550, qPrintable(QString::number(ms)));
    QVERIFY2(ms < 3000, qPrintable(QString::number(ms)));
    QCOMPARE(r.w->state().SoundBusy, false);
    if (serverMissing()) {
        QCOMPARE(after.silent, before.silent + 1);
        QCOMPARE(after.played, before.played);
    } else {
        QCOMPARE(after.played, before.played + 1);
    }
}

void TestWindowRealSound::unwaitedEffectsReturnAtOnceDuringAGlide()
{
    RealWindow r;
    testing::control<QAction>(r.w.get(), "menOnePlayer")->setChecked(false);
    r.w->menStartgame_Click();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 5; ++i) {
        r.w->GoToTube(1, false);
        r.w->GoToTube(7, false);
        r.w->ChipReleased(); // a fall of up to 18 sounds
    }
    // 70 glide steps and about 70 fall sounds would take seven seconds if they were waited for.
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(r.w->state().MoveCount, int16_t(5));
    QVERIFY(platform::SoundPlayer::shared().waitUntilIdle(5000));
}

QTEST_MAIN(TestWindowRealSound)
#include "test_window_realsound.moc"
