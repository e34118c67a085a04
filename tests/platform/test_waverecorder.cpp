// The wave recorder: its command sequence against the private sound server of the test script
// (PULSE_SERVER; its microphone plays a 440 Hz tone), the bound on a recording's length, and
// the commands given in the wrong state.
#include "platform/SoundPlayer.h"
#include "platform/WaveRecorder.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace platform;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The sequence of a push-to-talk press up to the moment recording starts.
void openAndRecord(WaveRecorder &mci, const QString &path)
{
    mci.setDeviceType(QStringLiteral("WaveAudio"));
    mci.setFileName(path);
    mci.setCommand(QStringLiteral("Open"));
    QCOMPARE(mci.error(), 0);
    mci.setCommand(QStringLiteral("Back"));
    QCOMPARE(mci.error(), 0);
    mci.setCommand(QStringLiteral("Record"));
    QCOMPARE(mci.error(), 0);
}

// The sequence of the release.
void stopAndSave(WaveRecorder &mci)
{
    mci.setWait(true);
    mci.setCommand(QStringLiteral("Stop"));
    QVERIFY(!mci.wait());
    mci.setCommand(QStringLiteral("Prev"));
    mci.setWait(true);
    mci.setCommand(QStringLiteral("Save"));
    QCOMPARE(mci.error(), 0);
    mci.setCommand(QStringLiteral("Close"));
    QCOMPARE(mci.mode(), WaveRecorder::Mode::NotOpen);
}

} // namespace

class TestWaveRecorder : public QObject {
    Q_OBJECT
private slots:
    void waveFileLayout();
    void shortRecordingOfTheToneIsSaved();
    void recordingStopsAtItsBound();
    void quickReleaseSavesAValidFile();
    void commandsInTheWrongStateFail();

private:
    QTemporaryDir dir;
    static bool haveServer() { return qEnvironmentVariableIsSet("PULSE_SERVER"); }
};

void TestWaveRecorder::waveFileLayout()
{
    const QByteArray empty = WaveRecorder::waveFile({});
    QCOMPARE(empty.size(), 44);
    auto parsed = parseWave(empty);
    QVERIFY(parsed);
    QCOMPARE(parsed->sampleRate, 11025);
    QCOMPARE(parsed->channels, 1);
    QCOMPARE(parsed->bitsPerSample, 8);
    QCOMPARE(parsed->frames(), 0);
    // An odd count of sound bytes gets a pad byte that the chunk's size does not count.
    const QByteArray odd = WaveRecorder::waveFile(QByteArray(101, '\x10'));
    QCOMPARE(odd.size(), 44 + 102);
    parsed = parseWave(odd);
    QVERIFY(parsed);
    QCOMPARE(parsed->pcm, QByteArray(101, '\x10'));
}

void TestWaveRecorder::shortRecordingOfTheToneIsSaved()
{
    if (!haveServer())
        QSKIP("no sound server (PULSE_SERVER unset)");
    const QString path = dir.filePath(QStringLiteral("outvoice.wav"));
    WaveRecorder mci;
    openAndRecord(mci, path);
    QCOMPARE(mci.mode(), WaveRecorder::Mode::Recording);
    // About 0.3 seconds of sound, however long the server takes to start.
    QTRY_VERIFY_WITH_TIMEOUT(mci.recordedBytes() >= 3300, 20000);
    stopAndSave(mci);

    const QByteArray file = readAll(path);
    const auto wave = parseWave(file);
    QVERIFY(wave);
    QCOMPARE(wave->sampleRate, 11025);
    QVERIFY(wave->pcm.size() >= 3300);
    QCOMPARE(file.size(), 44 + wave->pcm.size() + (wave->pcm.size() & 1));
    const auto [low, high] = std::minmax_element(wave->pcm.begin(), wave->pcm.end(),
                                                 [](char a, char b) { return uchar(a) < uchar(b); });
    QVERIFY2(uchar(*high) - uchar(*low) > 40,
             qPrintable(QStringLiteral("samples range %1..%2").arg(uchar(*low)).arg(uchar(*high))));
}

void TestWaveRecorder::recordingStopsAtItsBound()
{
    if (!haveServer())
        QSKIP("no sound server (PULSE_SERVER unset)");
    const QString path = dir.filePath(QStringLiteral("bounded.wav"));
    WaveRecorder mci(2205);
    openAndRecord(mci, path);
    QTRY_COMPARE_WITH_TIMEOUT(mci.mode(), WaveRecorder::Mode::Stopped, 20000);
    QCOMPARE(mci.recordedBytes(), 2205);
    // Recording again adds nothing beyond the bound.
    mci.setCommand(QStringLiteral("Record"));
    QCOMPARE(mci.mode(), WaveRecorder::Mode::Stopped);
    stopAndSave(mci);
    const auto wave = parseWave(readAll(path));
    QVERIFY(wave);
    QCOMPARE(wave->pcm.size(), 2205);
}

void TestWaveRecorder::quickReleaseSavesAValidFile()
{
    // Stop straight after Record: whatever came in (possibly nothing) is a valid wave file.
    const QString path = dir.filePath(QStringLiteral("quick.wav"));
    for (int i = 0; i < 3; ++i) {
        WaveRecorder mci;
        openAndRecord(mci, path);
        stopAndSave(mci);
        QVERIFY(parseWave(readAll(path)));
    }
    // A recorder dropped while recording ends its capture.
    WaveRecorder *mci = new WaveRecorder;
    openAndRecord(*mci, path);
    delete mci;
}

void TestWaveRecorder::commandsInTheWrongStateFail()
{
    const QString path = dir.filePath(QStringLiteral("never.wav"));
    WaveRecorder mci;
    mci.setFileName(path);
    mci.setCommand(QStringLiteral("Record"));
    QCOMPARE(mci.error(), int(WaveRecorder::NotOpen));
    mci.setCommand(QStringLiteral("Save"));
    QCOMPARE(mci.error(), int(WaveRecorder::NotOpen));
    QVERIFY(!QFile::exists(path));
    mci.setCommand(QStringLiteral("Close")); // closing a closed recorder is harmless
    QCOMPARE(mci.error(), 0);

    mci.setDeviceType(QStringLiteral("CDAudio"));
    mci.setCommand(QStringLiteral("Open"));
    QCOMPARE(mci.error(), int(WaveRecorder::UnknownDevice));
    QCOMPARE(mci.mode(), WaveRecorder::Mode::NotOpen);

    mci.setDeviceType(QStringLiteral("waveaudio"));
    mci.setCommand(QStringLiteral("OPEN"));
    QCOMPARE(mci.error(), 0);
    mci.setCommand(QStringLiteral("Eject"));
    QCOMPARE(mci.error(), int(WaveRecorder::UnknownCommand));

    // A file name in a folder that does not exist cannot be saved.
    mci.setFileName(dir.filePath(QStringLiteral("no/such/folder/x.wav")));
    mci.setCommand(QStringLiteral("Save"));
    QCOMPARE(mci.error(), int(WaveRecorder::CannotWrite));
    mci.setFileName(QString());
    mci.setCommand(QStringLiteral("Save"));
    QCOMPARE(mci.error(), int(WaveRecorder::CannotWrite));
    mci.setCommand(QStringLiteral("Close"));
}

QTEST_GUILESS_MAIN(TestWaveRecorder)
#include "test_waverecorder.moc"
