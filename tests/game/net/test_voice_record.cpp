// Voice messages: push-to-talk against the private sound server and with none, the quick click,
// the repeat label, F9 and the online lamp, and the archive copies with their names.
#include "ChatFixture.h"

#include <QElapsedTimer>
#include "platform/HeldKey.h"

#include "game/window/OnlineLamp.h"
#include "platform/WaveRecorder.h"

#include <QDate>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QRegularExpression>

namespace {
bool silentServer() { return qEnvironmentVariable("PULSE_SERVER").contains("nonexistent"); }
bool privateServer() { return qEnvironmentVariableIsSet("PULSE_SERVER") && !silentServer(); }

QStringList archives(const ChatFixture &f)
{
    QStringList names = QDir(f.w->WorkDir()).entryList({"*.Wav"}, QDir::Files, QDir::Name);
    names.removeAll("invoice.wav");
    names.removeAll("outvoice.wav");
    return names;
}

// Every file below the data home, with its path relative to it.
QStringList allFiles(const ChatFixture &f)
{
    QStringList files;
    QDirIterator it(f.dataHome.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(f.dataHome.path()).relativeFilePath(it.next());
    return files;
}

void connectedLabel(ChatFixture &f)
{
    f.n().NetworkGame = true;
    testing::control<QLabel>(f.w.get(), "lblRecord")->setEnabled(true);
}
} // namespace

class TestVoiceRecord : public QObject {
    Q_OBJECT
private slots:
    void f9SwitchesArchivingOnlyInANetworkGame()
    {
        ChatFixture f;
        auto *shpOnlineLamp = testing::control<gamewindow::OnlineLamp>(f.w.get(), "shpOnlineLamp");
        auto *txtSendmessage = testing::control<QLineEdit>(f.w.get(), "txtSendmessage");
        f.chat()->txtSendmessage_KeyUp(120, 0);
        QVERIFY(!f.n().KeepVoice);
        QCOMPARE(shpOnlineLamp->fillColor(), 0xE0E0E0);
        f.n().NetworkGame = true;
        QTest::keyClick(txtSendmessage, Qt::Key_F9);
        QVERIFY(f.n().KeepVoice);
        QCOMPARE(shpOnlineLamp->fillColor(), 0xFFFF);
        QTest::keyClick(txtSendmessage, Qt::Key_F9);
        QVERIFY(!f.n().KeepVoice);
        QCOMPARE(shpOnlineLamp->fillColor(), 0xFF);
        f.chat()->txtSendmessage_KeyUp(121, 0); // F10
        QVERIFY(!f.n().KeepVoice);
        // A held F9 repeats as release and press pairs with one time stamp: one switch.
        auto send = [&](QEvent::Type type, quint64 time) {
            QKeyEvent event(type, Qt::Key_F9, Qt::NoModifier);
            event.setTimestamp(time);
            QApplication::sendEvent(txtSendmessage, &event);
        };
        send(QEvent::KeyPress, 900);
        for (quint64 t = 1400; t < 2000; t += 40) {
            send(QEvent::KeyRelease, t);
            QTest::qWait(20);
            send(QEvent::KeyPress, t);
        }
        send(QEvent::KeyRelease, 2100);
        QTRY_VERIFY(f.n().KeepVoice);
        QTest::qWait(2 * platform::HeldKey::PairWaitMs);
        QVERIFY(f.n().KeepVoice);
    }

    void aQuickClickSendsNothingAndLeavesTheLabelReady()
    {
        ChatFixture f;
        auto *lblRecord = testing::control<QLabel>(f.w.get(), "lblRecord");
        connectedLabel(f);
        // The release arrives while the press is still preparing the recorder.
        QCoreApplication::postEvent(lblRecord, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5),
                                                          Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        f.chat()->lblRecord_MouseDown(1, 0, 0, 0);
        QVERIFY(f.w->packets.isEmpty());
        QVERIFY(f.w->chat->blocks.isEmpty());
        QCOMPARE(readAll(f.work("outvoice.wav")).size(), 44);
        QVERIFY(lblRecord->isEnabled());
        QCOMPARE(f.chat()->lblRecordColor(), int32_t(0x80000012));
        QVERIFY(!f.n().RecordAborted);
        QCOMPARE(f.chat()->MCI().mode(), platform::WaveRecorder::Mode::NotOpen);
    }

    void withoutASoundServerTheRecordingIsEmptyAndNotSent()
    {
        if (!silentServer())
            QSKIP("runs with no sound server reachable (test_voice_record_silent)");
        ChatFixture f;
        auto *lblRecord = testing::control<QLabel>(f.w.get(), "lblRecord");
        connectedLabel(f);
        QTest::mousePress(lblRecord, Qt::LeftButton);
        QCOMPARE(f.chat()->lblRecordColor(), int32_t(0xFF));
        QTest::mouseRelease(lblRecord, Qt::LeftButton);
        QCOMPARE(readAll(f.work("outvoice.wav")).size(), 44);
        QVERIFY(f.w->packets.isEmpty());
        QVERIFY(lblRecord->isEnabled());
        QCOMPARE(f.chat()->lblRecordColor(), int32_t(0x80000012));
    }

    void pushToTalkRecordsFromTheSoundInputAndAnnouncesTheFile()
    {
        if (!privateServer())
            QSKIP("needs the private sound server (PULSE_SERVER, scripts/test.sh)");
        ChatFixture f;
        auto *lblRecord = testing::control<QLabel>(f.w.get(), "lblRecord");
        connectedLabel(f);
        QTest::mousePress(lblRecord, Qt::LeftButton);
        QCOMPARE(f.chat()->lblRecordColor(), int32_t(0xFF));
        QTest::qWait(500);
        QTest::mouseRelease(lblRecord, Qt::LeftButton);
        const QByteArray file = readAll(f.work("outvoice.wav"));
        QVERIFY2(file.size() > 44, qPrintable(QString::number(file.size())));
        QVERIFY(file.startsWith("RIFF") && file.mid(8, 4) == "WAVE");
        QCOMPARE(f.w->packets, QStringList{"<V>" + QString::number(file.size())});
        QCOMPARE(f.chat()->lblRecordColor(), int32_t(0x80000012));
        // The label stays disabled until the message is on its way.
        QVERIFY(!lblRecord->isEnabled());
        for (int guard = 0; guard < 1000 && f.n().TotalOut != 0; ++guard)
            f.w->net().SendSB();
        QCOMPARE(f.w->packets.last(), QStringLiteral("<VA"));
        QVERIFY(lblRecord->isEnabled());
        QByteArray joined;
        for (const QByteArray &b : f.w->chat->blocks)
            joined += b.mid(8);
        QCOMPARE(joined, file);
    }

    void theRepeatLabelPlaysTheLastReceivedMessage()
    {
        ChatFixture f;
        auto *lblRepeat = testing::control<QLabel>(f.w.get(), "lblRepeat");
        f.chat()->lblRepeat_Click();
        QVERIFY(f.sound.requests.isEmpty());
        QVERIFY(lblRepeat->isEnabled());
        writeFile(f.work("invoice.wav"), pattern(100));
        testing::control<QAction>(f.w.get(), "menSoundOn")
            ->setChecked(false); // the message plays whatever the sound menu says
        f.chat()->lblRepeat_Click();
        QCOMPARE(f.sound.waited("invoice"), 1);
        QVERIFY(f.sound.requests.last().windowWorks);
        QVERIFY(lblRepeat->isEnabled());
    }

    void theLongestRecordingIsStillSent()
    {
        // A recording runs for half an hour and more before the recorder stops taking sound,
        // and what it then holds is still a message the transfer carries.
        using platform::WaveRecorder;
        QVERIFY(WaveRecorder::MaxBytes / WaveRecorder::SampleRate >= 30 * 60);
        ChatFixture f;
        connectedLabel(f);
        writeFile(f.work("outvoice.wav"), WaveRecorder::waveFile(QByteArray(WaveRecorder::MaxBytes, '\x80')));
        f.w->net().SendVoiceFile();
        QCOMPARE(f.w->packets, QStringList{"<V>21474836"});
    }

    void archiveCopiesAreNamedAfterThePeerAndTheSecond()
    {
        ChatFixture f;
        f.n().PeerNameAtConnect = "Anna";
        QString source = f.work("outvoice.wav");
        writeFile(source, pattern(300));
        // Copies within one second get a counter: none waits for the clock.
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 5; ++i)
            f.w->net().SaveVoice(source);
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        const QStringList names = archives(f);
        QCOMPARE(names.size(), 5);
        const QRegularExpression rule("^Anna_(.*)_(\\d{6})(_[2-5])?\\.Wav$");
        for (const QString &name : names) {
            const auto match = rule.match(name);
            QVERIFY2(match.hasMatch(), qPrintable(names.join(' ')));
            QVERIFY(!match.captured(1).contains('.'));
            QCOMPARE(readAll(f.work(name)), pattern(300));
        }
    }

    void archiveNamesNeverLeaveTheWorkFolder()
    {
        ChatFixture f;
        QString source = f.work("invoice.wav");
        writeFile(source, pattern(50));
        const QStringList before = allFiles(f);
        for (const char *peer : {"../x", "/", "..\\..\\y", "a:b*c?\"<>|", "", ".hidden"}) {
            f.n().PeerNameAtConnect = peer;
            f.w->net().SaveVoice(source);
        }
        const QStringList after = allFiles(f);
        QCOMPARE(after.size(), before.size() + 6);
        for (const QString &file : after)
            QVERIFY2(file.startsWith("Ostrel/") && file.count('/') == 1 && !file.startsWith("Ostrel/."), qPrintable(file));
    }

    void keptVoiceArchivesSentAndReceivedMessages()
    {
        ChatFixture f;
        f.n().KeepVoice = true;
        f.n().PeerNameAtConnect = "Bert";
        writeFile(f.work("outvoice.wav"), pattern(45));
        f.w->net().SendVoiceFile();
        QCOMPARE(archives(f).size(), 1);
        f.w->net().ReceiveVoiceAnnounce("20");
        QByteArray block = QByteArray("<VD   20") + pattern(20);
        f.w->net().GetSB(block);
        f.w->net().ReceiveVoiceComplete();
        const QStringList names = archives(f);
        QCOMPARE(names.size(), 2);
        QVERIFY(names[0].startsWith("Bert_") && names[1].startsWith("Bert_"));
        QCOMPARE(readAll(f.work(names[1])), pattern(20));
    }
};

QTEST_MAIN(TestVoiceRecord)
#include "test_voice_record.moc"
