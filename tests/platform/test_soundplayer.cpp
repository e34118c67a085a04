// The sound player: wave decoding and its refusals, file lookup without regard to case, and
// real playback against the private sound server of the test script (PULSE_SERVER).
#include "WaveBytes.h"
#include "platform/SoundPlayer.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;
using namespace wavetest;

class TestSoundPlayer : public QObject {
    Q_OBJECT
private slots:
    void everyPlayableLayoutIsDecoded();
    void malformedWaveFilesAreRefused();
    void damagedCopiesOfAGoodFileNeverCrash();
    void missingUnreadableOrOversizedFilesPlayNothing();
    void fileNamesAreMatchedWithoutRegardToCase();
    void waitedSoundPlaysToItsEndAndTakesAboutItsDuration();
    void unwaitedSoundReturnsAtOnce();
    void newSoundStopsTheOneThatPlays();
    void aLongMessagePlaysWholeWhileTheCallerWorks();

private:
    QTemporaryDir dir;
    QString file(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        if (!writeFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    static bool haveServer() { return qEnvironmentVariableIsSet("PULSE_SERVER"); }
};

void TestSoundPlayer::everyPlayableLayoutIsDecoded()
{
    auto mono8 = parseWave(tone(0.5, 1, 11025, 8));
    QVERIFY(mono8);
    QCOMPARE(mono8->sampleRate, 11025);
    QCOMPARE(mono8->channels, 1);
    QCOMPARE(mono8->bitsPerSample, 8);
    QCOMPARE(mono8->frames(), 5512);

    auto stereo16 = parseWave(tone(0.25, 2, 44100, 16));
    QVERIFY(stereo16);
    QCOMPARE(stereo16->frames(), 11025);
    QCOMPARE(stereo16->seconds(), 0.25);

    // Other chunks before the data, one of odd length with its pad byte, are skipped; a trailing
    // half frame is dropped; bytes after the RIFF chunk are ignored.
    const QByteArray pcm = samples(2, 8000, 16, 0.01) + QByteArray(3, '\x01');
    QByteArray list("LIST");
    put32(list, 5);
    list.append("abcde");
    list.append('\0');
    QByteArray bytes = riff(fmtChunk(1, 2, 8000, 16) + list + dataChunk(pcm, quint32(pcm.size())));
    bytes.append("junk after the file");
    auto padded = parseWave(bytes);
    QVERIFY(padded);
    QCOMPARE(padded->frames(), 80);
    QCOMPARE(padded->pcm.size(), 320);

    // The extensible format header with the PCM subformat.
    QByteArray ext = fmtChunk(0xFFFE, 1, 22050, 16, 40);
    put16(ext, 22);
    put16(ext, 16);
    put32(ext, 4);
    put16(ext, 1);
    ext.append("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    const QByteArray extPcm = samples(1, 22050, 16, 0.1);
    QVERIFY(parseWave(riff(ext + dataChunk(extPcm, quint32(extPcm.size())))));
}

void TestSoundPlayer::malformedWaveFilesAreRefused()
{
    const QByteArray pcm = samples(1, 22050, 16, 0.05);
    const QByteArray good = riff(fmtChunk(1, 1, 22050, 16) + dataChunk(pcm, quint32(pcm.size())));
    QVERIFY(parseWave(good));

    struct Case {
        const char *what;
        QByteArray bytes;
    };
    const QList<Case> cases = {
        {"empty", QByteArray()},
        {"not RIFF", QByteArray("RIFX") + good.mid(4)},
        {"not WAVE", good.left(8) + "AVI " + good.mid(12)},
        {"header only", good.left(12)},
        {"truncated in the format chunk", good.left(30)},
        {"data shorter than declared", good.left(good.size() - 10)},
        {"huge data size", riff(fmtChunk(1, 1, 22050, 16) + dataChunk(pcm, 0xFFFFFFFFu))},
        {"huge format size", riff(fmtChunk(1, 1, 22050, 16, 0xFFFFFFF0u) + dataChunk(pcm, 100))},
        {"format chunk too small", riff(fmtChunk(1, 1, 22050, 16, 8) + dataChunk(pcm, 100))},
        {"float samples", riff(fmtChunk(3, 1, 22050, 32) + dataChunk(pcm, quint32(pcm.size())))},
        {"ADPCM", riff(fmtChunk(2, 1, 22050, 4) + dataChunk(pcm, quint32(pcm.size())))},
        {"24-bit", riff(fmtChunk(1, 1, 22050, 24) + dataChunk(pcm, quint32(pcm.size())))},
        {"three channels", riff(fmtChunk(1, 3, 22050, 16) + dataChunk(pcm, quint32(pcm.size())))},
        {"no channels", riff(fmtChunk(1, 0, 22050, 16) + dataChunk(pcm, quint32(pcm.size())))},
        {"rate zero", riff(fmtChunk(1, 1, 0, 16) + dataChunk(pcm, quint32(pcm.size())))},
        {"rate absurd", riff(fmtChunk(1, 1, 4000000000u, 16) + dataChunk(pcm, quint32(pcm.size())))},
        {"data before format", riff(dataChunk(pcm, quint32(pcm.size())) + fmtChunk(1, 1, 22050, 16))},
        {"no data chunk", riff(fmtChunk(1, 1, 22050, 16))},
        {"extensible but not PCM", riff(fmtChunk(0xFFFE, 1, 22050, 16, 40) + QByteArray(24, '\3')
                                        + dataChunk(pcm, quint32(pcm.size())))},
    };
    for (const Case &c : cases)
        QVERIFY2(!parseWave(c.bytes), c.what);

    // Block alignment that disagrees with channels and bits.
    QByteArray badAlign = fmtChunk(1, 2, 22050, 16);
    badAlign[20] = 3;
    QVERIFY(!parseWave(riff(badAlign + dataChunk(pcm, quint32(pcm.size())))));

    // A refused file is refused by the player as well.
    SoundPlayer player;
    QCOMPARE(player.playFile(file("trunc.wav", good.left(good.size() - 10)), true), PlayOutcome::Refused);
    QVERIFY(!player.playAsync(file("huge.wav", cases[6].bytes)));
}

void TestSoundPlayer::damagedCopiesOfAGoodFileNeverCrash()
{
    const QByteArray good = tone(0.02, 2, 8000, 16);
    // Every truncation, and random damage to the header: nothing may read outside the bytes
    // (the sanitizer build checks) and whatever is accepted stays inside the file.
    for (int n = 0; n < good.size(); ++n) {
        auto s = parseWave(good.left(n));
        if (s)
            QVERIFY(s->pcm.size() <= n);
    }
    QRandomGenerator rng(4711);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bad = good;
        const int hits = 1 + int(rng.bounded(4));
        for (int h = 0; h < hits; ++h)
            bad[int(rng.bounded(qMin<int>(60, bad.size())))] = char(rng.bounded(256));
        auto s = parseWave(bad);
        if (s)
            QVERIFY(s->pcm.size() <= bad.size() && s->frameBytes() > 0);
    }
}

void TestSoundPlayer::missingUnreadableOrOversizedFilesPlayNothing()
{
    SoundPlayer player;
    QElapsedTimer t;
    t.start();
    QVERIFY(!player.playSync(dir.filePath("NOSUCH.WAV")));
    QVERIFY(!player.playAsync(dir.filePath("NOSUCH.WAV")));
    QVERIFY(!player.playSync(QString()));
    QVERIFY(!player.playSync(dir.path())); // a folder
    QVERIFY(!player.playSync(QStringLiteral("/dev/zero")));
    QVERIFY(t.elapsed() < 2000);

    QFile big(dir.filePath("big.wav"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.write(tone(0.01)) > 0);
    QVERIFY(big.resize(MaxWaveFileBytes + 100)); // sparse: costs no disk
    big.close();
    QVERIFY(!readWaveFile(big.fileName()));

    const QString locked = file("locked.wav", tone(0.01));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (!QFile(locked).open(QIODevice::ReadOnly)) // root reads it anyway
        QVERIFY(!player.playSync(locked));
    QCOMPARE(player.stats().played + player.stats().silent, 0);
}

void TestSoundPlayer::fileNamesAreMatchedWithoutRegardToCase()
{
    const QString upper = file("CHFALL.WAV", tone(0.01));
    QCOMPARE(findFileNoCase(dir.path(), "chfall.wav"), upper);
    QCOMPARE(findFileNoCase(dir.path(), "ChFall.Wav"), upper);
    QCOMPARE(resolvePathNoCase(dir.filePath("chfall.WAV")), upper);
    QVERIFY(readWaveFile(dir.filePath("Chfall.wav")));

    // An exact match wins over a name that differs only in case.
    const QString lower = file("invoice.wav", tone(0.01));
    file("INVOICE.WAV", tone(0.02));
    QCOMPARE(findFileNoCase(dir.path(), "invoice.wav"), lower);

    QVERIFY(findFileNoCase(dir.path(), "TFILLED.WAV").isEmpty());
    QVERIFY(findFileNoCase(dir.path(), "../CHFALL.WAV").isEmpty());
    QVERIFY(findFileNoCase(dir.path(), "..").isEmpty());
    QVERIFY(findFileNoCase(dir.filePath("nofolder"), "CHFALL.WAV").isEmpty());
}

void TestSoundPlayer::waitedSoundPlaysToItsEndAndTakesAboutItsDuration()
{
    if (!haveServer())
        QSKIP("no private sound server: run through scripts/test.sh");
    const QString path = file("tone.wav", tone(0.3));
    SoundPlayer player;
    QElapsedTimer t;
    t.start();
    QCOMPARE(player.playFile(path, true), PlayOutcome::Played);
    const qint64 ms = t.elapsed();
    QVERIFY2(ms >= 250 && ms < 2500, qPrintable(QString::number(ms)));
    QCOMPARE(player.stats().played, 1);

    // A second waited sound on the open connection takes about as long again.
    t.restart();
    QVERIFY(player.playSync(path));
    QVERIFY2(t.elapsed() >= 250 && t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(player.stats().played, 2);
}

void TestSoundPlayer::unwaitedSoundReturnsAtOnce()
{
    const QString path = file("long.wav", tone(2.0));
    SoundPlayer player;
    QElapsedTimer t;
    t.start();
    QVERIFY(player.playAsync(path));
    QVERIFY2(t.elapsed() < 200, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!player.waitUntilIdle(100)); // still playing
    player.stop();
    QVERIFY(player.waitUntilIdle(2000));
    QCOMPARE(player.stats().stopped, 1);
}

void TestSoundPlayer::newSoundStopsTheOneThatPlays()
{
    const QString longer = file("long2.wav", tone(2.0));
    const QString shorter = file("short.wav", tone(0.3));
    SoundPlayer player;
    QElapsedTimer t;
    t.start();
    QVERIFY(player.playAsync(longer));
    QVERIFY(!player.waitUntilIdle(150));
    const PlayOutcome second = player.playFile(shorter, true);
    QCOMPARE(second, haveServer() ? PlayOutcome::Played : PlayOutcome::Silent);
    QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
    QVERIFY(player.waitUntilIdle(1000));
    QCOMPARE(player.stats().stopped, 1);

    // Unwaited sounds in quick succession (a falling chip): each replaces the last, the final
    // one plays, and the caller is never held up.
    t.restart();
    for (int i = 0; i < 18; ++i)
        QVERIFY(player.playAsync(shorter));
    QVERIFY2(t.elapsed() < 200, qPrintable(QString::number(t.elapsed())));
    QVERIFY(player.waitUntilIdle(3000));
    const SoundPlayer::Stats s = player.stats();
    QCOMPARE(s.stopped, 1 + 17);
    QCOMPARE(s.played + s.silent, 2);
}

void TestSoundPlayer::aLongMessagePlaysWholeWhileTheCallerWorks()
{
    // A 75-second message as the recorder makes them, played 25 times as fast: every frame
    // reaches the sound server, and the caller gets its turn every few milliseconds throughout.
    constexpr int Rate = 11025;
    const QString path = file("message.wav", tone(75.0, 1, Rate, 8));
    SoundPlayer player(25);
    QElapsedTimer t;
    t.start();
    int turns = 0;
    qint64 last = 0;
    qint64 longestGap = 0;
    const PlayOutcome outcome = player.playFileWhile(path, [&] {
        ++turns;
        longestGap = qMax(longestGap, t.elapsed() - last);
        last = t.elapsed();
    });
    const qint64 ms = t.elapsed();
    QCOMPARE(outcome, haveServer() ? PlayOutcome::Played : PlayOutcome::Silent);
    QCOMPARE(player.stats().frames, qint64(75) * Rate);
    QVERIFY2(ms >= 2900 && ms < 7000, qPrintable(QString::number(ms)));
    QVERIFY2(turns > 100, qPrintable(QString::number(turns)));
    QVERIFY2(longestGap < 200, qPrintable(QString::number(longestGap)));
}

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "test_soundplayer.moc"
