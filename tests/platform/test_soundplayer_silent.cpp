// The sound player without any sound server (PULSE_SERVER names a socket that does not exist):
// the game stays silent, waited sounds still return, and nothing hangs.
#include "WaveBytes.h"
#include "platform/SoundPlayer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;
using namespace wavetest;

class TestSoundPlayerSilent : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void waitedSoundReturnsAfterAboutItsDuration();
    void unwaitedSoundsReturnAtOnceAndReplaceEachOther();
    void playerWithASoundGoingEndsWithoutDelay();
    void aSoundStartedWhileTheCallerWorksStopsTheWaitedOne();

private:
    QTemporaryDir dir;
    QString tonePath(const char *name, double seconds)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        if (!writeFile(path, tone(seconds)))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
};

void TestSoundPlayerSilent::initTestCase()
{
    QVERIFY(qgetenv("PULSE_SERVER").contains("nonexistent"));
}

void TestSoundPlayerSilent::waitedSoundReturnsAfterAboutItsDuration()
{
    SoundPlayer player;
    QElapsedTimer t;
    t.start();
    QCOMPARE(player.playFile(tonePath("a.wav", 0.3), true), PlayOutcome::Silent);
    QVERIFY2(t.elapsed() >= 250 && t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
    // The retry pause: the next sound does not try the server again, and still keeps its time.
    t.restart();
    QCOMPARE(player.playFile(tonePath("b.wav", 0.2), true), PlayOutcome::Silent);
    QVERIFY2(t.elapsed() >= 150 && t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(player.stats().silent, 2);
    QCOMPARE(player.stats().played, 0);
}

void TestSoundPlayerSilent::unwaitedSoundsReturnAtOnceAndReplaceEachOther()
{
    SoundPlayer player;
    const QString path = tonePath("c.wav", 1.0);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 10; ++i)
        QVERIFY(player.playAsync(path));
    QVERIFY2(t.elapsed() < 200, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(player.playFile(tonePath("d.wav", 0.1), true), PlayOutcome::Silent);
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(player.stats().stopped, 10);
}

void TestSoundPlayerSilent::playerWithASoundGoingEndsWithoutDelay()
{
    QElapsedTimer t;
    t.start();
    {
        SoundPlayer player;
        QVERIFY(player.playAsync(tonePath("e.wav", 5.0)));
        QVERIFY(!player.waitUntilIdle(50));
    }
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
}

void TestSoundPlayerSilent::aSoundStartedWhileTheCallerWorksStopsTheWaitedOne()
{
    SoundPlayer player;
    const QString longer = tonePath("f.wav", 30.0);
    const QString effect = tonePath("g.wav", 0.1);
    QElapsedTimer t;
    t.start();
    int turns = 0;
    const PlayOutcome outcome = player.playFileWhile(longer, [&] {
        if (++turns == 20)
            player.playAsync(effect);
    });
    QCOMPARE(outcome, PlayOutcome::Stopped);
    QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(player.waitUntilIdle(1000));
    QCOMPARE(player.stats().silent, 1); // the effect
    // A file that cannot be played gives the caller no turn at all.
    turns = 0;
    QCOMPARE(player.playFileWhile(dir.filePath("NOSUCH.WAV"), [&] { ++turns; }), PlayOutcome::Refused);
    QCOMPARE(turns, 0);
}

QTEST_GUILESS_MAIN(TestSoundPlayerSilent)
#include "test_soundplayer_silent.moc"
