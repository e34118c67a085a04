// The wave recorder with no sound server reachable (PULSE_SERVER names a socket that does not
// exist): the command sequence neither hangs nor fails, and saves an empty recording, a wave
// file of its 44-byte header alone.
#include "platform/SoundPlayer.h"
#include "platform/WaveRecorder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

class TestWaveRecorderSilent : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void releaseSavesAnEmptyRecording();
};

void TestWaveRecorderSilent::initTestCase()
{
    QVERIFY(qgetenv("PULSE_SERVER").contains("nonexistent"));
}

void TestWaveRecorderSilent::releaseSavesAnEmptyRecording()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("outvoice.wav"));
    QElapsedTimer t;
    t.start();
    WaveRecorder mci;
    mci.setDeviceType(QStringLiteral("WaveAudio"));
    mci.setFileName(path);
    mci.setCommand(QStringLiteral("Open"));
    mci.setCommand(QStringLiteral("Back"));
    mci.setCommand(QStringLiteral("Record"));
    QCOMPARE(mci.error(), 0);
    // The capture gives up on its own: the recorder is stopped, with nothing recorded.
    QTRY_COMPARE_WITH_TIMEOUT(mci.mode(), WaveRecorder::Mode::Stopped, 10000);
    mci.setWait(true);
    mci.setCommand(QStringLiteral("Stop"));
    mci.setCommand(QStringLiteral("Prev"));
    mci.setWait(true);
    mci.setCommand(QStringLiteral("Save"));
    QCOMPARE(mci.error(), 0);
    mci.setCommand(QStringLiteral("Close"));
    QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 44);
    const auto wave = parseWave(bytes);
    QVERIFY(wave);
    QCOMPARE(wave->frames(), 0);

    // Record and close straight away, and the empty-recording path (Stop, Close, no Save).
    mci.setCommand(QStringLiteral("Open"));
    mci.setCommand(QStringLiteral("Record"));
    mci.setWait(true);
    mci.setCommand(QStringLiteral("Stop"));
    mci.setCommand(QStringLiteral("Close"));
    QCOMPARE(mci.recordedBytes(), 0);
}

QTEST_GUILESS_MAIN(TestWaveRecorderSilent)
#include "test_waverecorder_silent.moc"
