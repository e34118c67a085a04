// Voice transfer in blocks: the sender's frames and blocks one "<C>" at a time, the bars on both
// colours, the receiver assembling invoice.wav byte for byte, and hostile announcements and
// blocks that must not overrun or allocate without bound.
#include "ChatFixture.h"
#include "common/ScriptedMsgBoxes.h"
#include "game/net/NetFraming.h"

#include "../../platform/WaveBytes.h"
#include "platform/RichTextBox.h"
#include "platform/SoundPlayer.h"
#include "platform/Twips.h"

#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {
QByteArray frame(const char *tag, const QByteArray &payload)
{
    return QByteArray(tag) + (QByteArray(5, ' ') + QByteArray::number(payload.size())).right(5) + payload;
}

// The sender's frames for a file of `size` bytes: "<V>", blocks for each "<C>", then "<VA".
struct Sent {
    QStringList packets;
    QList<QByteArray> blocks;
};

Sent sendFile(ChatFixture &f, const QByteArray &file)
{
    writeFile(f.work("outvoice.wav"), file);
    f.w->packets.clear();
    f.w->chat->blocks.clear();
    f.w->net().SendVoiceFile();
    for (int guard = 0; guard < 1000 && f.n().TotalOut != 0; ++guard)
        f.w->net().SendSB(); // the receiver's "<C>"
    return {f.w->packets, f.w->chat->blocks};
}
} // namespace

class TestVoiceTransfer : public QObject {
    Q_OBJECT
private slots:
    void aMessageGoesOutInBlocksOfAtMost2000Bytes_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("lengths");
        QTest::newRow("45") << 45 << QList<int>{45};
        QTest::newRow("2000") << 2000 << QList<int>{2000};
        QTest::newRow("2001") << 2001 << QList<int>{2000, 1};
        QTest::newRow("4500") << 4500 << QList<int>{2000, 2000, 500};
    }
    void aMessageGoesOutInBlocksOfAtMost2000Bytes()
    {
        QFETCH(int, size);
        QFETCH(QList<int>, lengths);
        ChatFixture f;
        auto *lblRecord = testing::control<QLabel>(f.w.get(), "lblRecord");
        lblRecord->setEnabled(false); // as the release leaves it
        const QByteArray file = pattern(size);
        const Sent sent = sendFile(f, file);
        QCOMPARE(sent.packets, (QStringList{"<V>" + QString::number(size), "<VA"}));
        QCOMPARE(sent.blocks.size(), lengths.size());
        QByteArray joined;
        for (int i = 0; i < lengths.size(); ++i) {
            const QByteArray &b = sent.blocks[i];
            QCOMPARE(b.size(), lengths[i] + 8);
            QCOMPARE(b.left(8), frame("<VD", QByteArray(lengths[i], 'x')).left(8));
            joined += b.mid(8);
        }
        QCOMPARE(joined, file);
        QVERIFY(lblRecord->isEnabled());
        QCOMPARE(f.n().SentOut, 0);
        QVERIFY(!testing::control<gamewindow::PictureBox>(f.w.get(), "picSend", 0)->isVisible());
        // A "<C>" with nothing on its way has no effect.
        f.w->net().SendSB();
        QCOMPARE(f.w->packets.size(), 2);
    }

    void anEmptyRecordingIsNotSentAndRestoresTheRecordLabel()
    {
        ChatFixture f;
        auto *lblRecord = testing::control<QLabel>(f.w.get(), "lblRecord");
        lblRecord->setEnabled(false);
        const Sent sent = sendFile(f, pattern(44));
        QVERIFY(sent.packets.isEmpty());
        QVERIFY(sent.blocks.isEmpty());
        QVERIFY(lblRecord->isEnabled());
        QCOMPARE(f.chat()->lblRecordColor(), int32_t(0x80000012));
        QVERIFY(f.n().RecordAborted);
        QVERIFY(!testing::control<gamewindow::PictureBox>(f.w.get(), "picSend", 1)->isVisible());

        // A recording that is missing altogether is treated alike, not left hanging.
        lblRecord->setEnabled(false);
        QFile::remove(f.work("outvoice.wav"));
        f.w->net().SendVoiceFile();
        QVERIFY(f.w->packets.isEmpty());
        QVERIFY(lblRecord->isEnabled());
    }

    void barsGrowWithTheBytesAndBar0CarriesRed()
    {
        ChatFixture f;
        QCOMPARE(f.w->TransferBarWidth(), int16_t(6120));
        f.n().LocalIsRed = true;
        writeFile(f.work("outvoice.wav"), pattern(4500));
        f.w->net().SendVoiceFile();
        QVERIFY(testing::control<gamewindow::PictureBox>(f.w.get(), "picSend", 0)->isVisibleTo(f.chat()));
        QVERIFY(qAbs(f.chat()->picSendWidthTwips(0) - 61.2f) < 0.01f);
        f.w->net().SendSB();
        QVERIFY(qAbs(f.chat()->picSendWidthTwips(0) - 2720.0f) < 1.0f);
        f.w->net().SendSB();
        f.w->net().SendSB();
        QVERIFY(f.chat()->picSendWidthTwips(0) < 6120.0f && f.chat()->picSendWidthTwips(0) > 6119.9f);

        // The yellow side sends on bar 1 and receives on bar 0.
        ChatFixture y;
        y.n().LocalIsRed = false;
        QCOMPARE(y.w->net().TransferBarIndex("Send"), int16_t(1));
        QCOMPARE(y.w->net().TransferBarIndex("Get"), int16_t(0));
        y.w->net().ReceiveVoiceAnnounce("4500");
        QVERIFY(testing::control<gamewindow::PictureBox>(y.w.get(), "picSend", 0)->isVisibleTo(y.chat()));
        QVERIFY(!testing::control<gamewindow::PictureBox>(y.w.get(), "picSend", 1)->isVisibleTo(y.chat()));
    }

    void aBarOnScreenFollowsItsBytesAndEndsFullAtOnce()
    {
        ChatFixture f;
        f.n().LocalIsRed = true;
        f.w->show();
        f.chat()->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.w.get()));
        f.w->net().ReceiveVoiceAnnounce("4500");
        const QWidget *bar = testing::control<gamewindow::PictureBox>(f.w.get(), "picSend", 1);
        QVERIFY(bar->isVisible());
        f.w->net().GetSB(frame("<VD", pattern(2000)));
        // 2000 of 4500 bytes: 2720 twips, shown within a few frames.
        QTRY_COMPARE_WITH_TIMEOUT(bar->width(), platform::twipsToPixels(2720), 2000);
        f.w->net().GetSB(frame("<VD", pattern(2000)));
        f.w->net().GetSB(frame("<VD", pattern(500)));
        // The last block: the whole stripe, before anything else has run.
        QCOMPARE(bar->width(), 408);
        const QImage shot = f.chat()->grab().toImage();
        const QColor end = shot.pixelColor(bar->mapTo(f.chat(), QPoint(405, 2)));
        QVERIFY2(end.red() > 200 && end.green() > 180 && end.blue() < 120, "the yellow stripe reaches its end");
    }

    void theReceiverWritesInvoiceWavByteForByteAndPlaysIt()
    {
        ChatFixture sender;
        ChatFixture receiver;
        writeFile(receiver.work("invoice.wav"), pattern(9000)); // an older, longer message
        const QByteArray file = pattern(4500);
        writeFile(sender.work("outvoice.wav"), file);
        sender.w->net().SendVoiceFile();
        // The frames cross: each "<V>" and "<VD" is answered with "<C>".
        int answers = 0;
        for (int guard = 0; guard < 100; ++guard) {
            if (!sender.w->packets.isEmpty()) {
                const QString p = sender.w->packets.takeFirst();
                if (p.startsWith("<V>")) {
                    receiver.w->net().ReceiveVoiceAnnounce(p.mid(3));
                } else if (p == "<VA") {
                    receiver.w->net().ReceiveVoiceComplete();
                    break;
                }
            } else if (!sender.w->chat->blocks.isEmpty()) {
                QByteArray block = sender.w->chat->blocks.takeFirst();
                receiver.w->net().GetSB(block);
            } else {
                QFAIL("nothing on the wire");
            }
            ++answers;
            sender.w->net().SendSB();
        }
        QCOMPARE(answers, 4);
        QCOMPARE(readAll(receiver.work("invoice.wav")), file);
        QCOMPARE(receiver.n().TotalIn, 0);
        QCOMPARE(receiver.n().ReceivedIn, 0);
        QCOMPARE(receiver.sound.waited("invoice"), 1);
        QCOMPARE(receiver.sound.requests.last().path, receiver.work("invoice.wav"));
        QVERIFY(receiver.sound.requests.last().windowWorks);
    }

    void aLongMessagePlaysWholeWhileTheWindowAnswers()
    {
        // 75 seconds as the recorder makes them, through the real player at 25 times the speed.
        constexpr int Rate = 11025;
        const QByteArray message = wavetest::tone(75.0, 1, Rate, 8);
        platform::SoundPlayer player(25);
        gamewindow::PulseSoundOutput output(player);
        ChatFixture f;
        auto *txtSendmessage = testing::control<QLineEdit>(f.w.get(), "txtSendmessage");
        f.w->setSoundOutput(&output);
        f.w->show();
        QByteArray arrival = frame("<V>", QByteArray::number(message.size()));
        for (int at = 0; at < message.size(); at += 2000)
            arrival += frame("<VD", message.mid(at, 2000));
        f.peerSaidHello();
        int16_t client = 1;
        f.w->net().Pelkin_DataArrival(client, int32_t(arrival.size()), arrival);
        QCOMPARE(f.n().ReceivedIn, int32_t(message.size()));

        // While it plays: a key typed into the chat line, and the peer's chat lines and next
        // message, which waits for the end of this one and then plays whole too.
        const QByteArray next = wavetest::tone(1.0, 1, Rate, 8);
        QElapsedTimer clock;
        qint64 keyPosted = -1, keyAnswered = -1;
        QObject::connect(txtSendmessage, &QLineEdit::textChanged, f.w.get(),
                         [&] { keyAnswered = clock.elapsed(); });
        // And a move of the local player, which the peer must learn of.
        f.n().NetworkGame = true;
        f.s().CurrentPlayer = 1;
        f.w->packets.clear();
        QTimer::singleShot(1000, f.w.get(), [&] {
            f.w->GoToTube(f.s().SelColumn == 5 ? 6 : 5, false);
            keyPosted = clock.elapsed();
            QCoreApplication::postEvent(txtSendmessage,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
        });
        QTimer::singleShot(1500, f.w.get(), [&] {
            QByteArray lines = frame("<T>", "<Bob> one") + frame("<T>", "<Bob> two")
                             + frame("<V>", QByteArray::number(next.size()));
            for (int at = 0; at < next.size(); at += 2000)
                lines += frame("<VD", next.mid(at, 2000));
            lines += frame("<VA", "");
            f.w->net().Pelkin_DataArrival(client, int32_t(lines.size()), lines);
        });
        QByteArray end = frame("<VA", "");
        clock.start();
        f.w->net().Pelkin_DataArrival(client, int32_t(end.size()), end);
        const qint64 played = clock.elapsed();

        QCOMPARE(player.stats().frames, qint64(76) * Rate);
        QCOMPARE(player.stats().played + player.stats().silent, 2);
        QCOMPARE(readAll(f.work("invoice.wav")), next);
        QVERIFY2(played >= 2900, qPrintable(QString::number(played)));
        QVERIFY(keyPosted >= 0 && keyAnswered >= keyPosted);
        QVERIFY2(keyAnswered - keyPosted < 500, qPrintable(QString::number(keyAnswered - keyPosted)));
        QVERIFY(keyAnswered < played);
        QCOMPARE(txtSendmessage->text(), QString("a"));
        // The peer's lines came during the playback, each once and in their order.
        const QString chat = testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage")->text();
        QCOMPARE(chat.count("<Bob> one"), 1);
        QCOMPARE(chat.count("<Bob> two"), 1);
        QVERIFY(chat.indexOf("<Bob> one") < chat.indexOf("<Bob> two"));
        QCOMPARE(f.s().SoundBusy, false);
        QVERIFY(f.w->packets.contains("<G>5") || f.w->packets.contains("<G>6"));
    }

    void closingTheWindowEndsTheMessage()
    {
        platform::SoundPlayer player;
        gamewindow::PulseSoundOutput output(player);
        ChatFixture f;
        f.w->setSoundOutput(&output);
        f.w->show();
        const QByteArray message = wavetest::tone(30.0, 1, 11025, 8);
        f.w->net().ReceiveVoiceAnnounce(QString::number(message.size()));
        for (int at = 0; at < message.size(); at += 2000) {
            const QByteArray block = frame("<VD", message.mid(at, 2000));
            f.w->net().GetSB(block);
        }
        QTimer::singleShot(300, f.w.get(), [&] { f.w->close(); });
        QElapsedTimer clock;
        clock.start();
        f.w->net().ReceiveVoiceComplete();
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(player.stats().stopped, 1);
        QCOMPARE(f.s().SoundBusy, false);
    }

    void aMessageThatCannotBeWrittenIsReportedOnceWithPathAndReason()
    {
        ScriptedMsgBoxes boxes;
        ChatFixture f;
        f.w->personsPace = true;
        // A work folder below a file, as with XDG_DATA_HOME naming a file.
        writeFile(f.dataHome.filePath("file"), "x");
        f.w->setWorkDir(f.dataHome.filePath("file/Ostrel"));
        f.n().KeepVoice = true;
        f.w->net().ReceiveVoiceAnnounce("100");
        QByteArray block = frame("<VD", pattern(100));
        f.w->net().GetSB(block);
        f.w->net().ReceiveVoiceComplete();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.shown()[0].prompt, "The voice message could not be written to "
                                              + f.dataHome.filePath("file/Ostrel/invoice.wav") + ": Not a directory");
        QVERIFY(boxes.shown()[0].style & platform::vbExclamation);
        QCOMPARE(f.sound.count("invoice"), 0);
        QVERIFY(!testing::control<gamewindow::PictureBox>(f.w.get(), "picSend", 1)->isVisibleTo(f.chat()));
        QCOMPARE(f.n().TotalIn, 0);

        // German, and the next message into a usable folder plays again.
        boxes.clear();
        f.w->menLanGerman_Click();
        f.n().KeepVoice = false;
        f.w->net().ReceiveVoiceAnnounce("100");
        f.w->net().GetSB(block);
        f.w->net().ReceiveVoiceComplete();
        QCOMPARE(boxes.count(), 1);
        QVERIFY(boxes.shown()[0].prompt.startsWith("Die Sprachnachricht konnte nicht in "));
        f.w->setWorkDir(f.dataHome.path());
        f.w->net().ReceiveVoiceAnnounce("100");
        f.w->net().GetSB(block);
        f.w->net().ReceiveVoiceComplete();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(f.sound.waited("invoice"), 1);
    }

    void aSecondAnnouncementDropsTheUnfinishedMessageWithAWarning()
    {
        ChatFixture f;
        f.w->personsPace = true;
        f.w->net().ReceiveVoiceAnnounce("4000");
        QByteArray block = frame("<VD", pattern(2000));
        f.w->net().GetSB(block);
        QCOMPARE(f.n().ReceivedIn, 2000);
        f.w->net().ReceiveVoiceAnnounce("100");
        QCOMPARE(f.n().TotalIn, 100);
        QCOMPARE(f.n().ReceivedIn, 0);
        QVERIFY(testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage")
                    ->text()
                    .startsWith("--- Voice message incomplete"));
        QByteArray small = frame("<VD", QByteArray(100, 'a'));
        f.w->net().GetSB(small);
        f.w->net().ReceiveVoiceComplete();
        QCOMPARE(readAll(f.work("invoice.wav")), QByteArray(100, 'a'));
    }

    void hostileAnnouncementsAndBlocksStayInsideTheBuffer()
    {
        ChatFixture f;
        f.w->personsPace = true;
        // Blocks with no transfer pending are dropped.
        QByteArray stray = frame("<VD", pattern(2000));
        f.w->net().GetSB(stray);
        QCOMPARE(f.n().ReceivedIn, 0);
        QVERIFY(f.n().InBuf.isEmpty());
        // No size, size 0, negative and absurd sizes change nothing.
        for (const char *payload : {"", "abc", "0", "-5", "99999999999", "21474837", "1e300", "  "}) {
            f.w->net().ReceiveVoiceAnnounce(payload);
            QCOMPARE(f.n().TotalIn, 0);
        }
        // The largest transfer is accepted, but nothing is allocated before a block arrives.
        f.w->net().ReceiveVoiceAnnounce("21474836");
        QCOMPARE(f.n().TotalIn, 21474836);
        QVERIFY(f.n().InBuf.isEmpty());

        // Blocks beyond the announced size: the buffer keeps exactly the announced bytes.
        f.w->net().ReceiveVoiceAnnounce("10");
        QByteArray big = frame("<VD", pattern(2000));
        f.w->net().GetSB(big);
        f.w->net().GetSB(big);
        QCOMPARE(f.n().InBuf.size(), 10);
        QCOMPARE(f.n().ReceivedIn, 10);
        QCOMPARE(f.n().InBuf, pattern(10));
        // A frame too short to hold a payload adds nothing.
        QByteArray cut("<VD");
        f.w->net().GetSB(cut);
        QCOMPARE(f.n().ReceivedIn, 10);
        f.w->net().ReceiveVoiceComplete();
        QCOMPARE(readAll(f.work("invoice.wav")), pattern(10));
    }

    void lengthFieldsAreReadAsNumbers()
    {
        const QByteArray data = frame("<C>", "") + frame("<VD", QByteArray(2000, 'z')) + QByteArray("<T>  abc")
                              + "<X>99999" + "<X>-9999" + "<X> 1 2 " + "<X>";
        int16_t at = 0;
        QCOMPARE(gamenet::framing::GetBlockLen(data, at), std::optional<int16_t>(0));
        at = 8;
        QCOMPARE(gamenet::framing::GetBlockLen(data, at), std::optional<int16_t>(2000));
        at = 2016;
        QCOMPARE(gamenet::framing::GetBlockLen(data, at), std::optional<int16_t>(0));
        at = 2024; // beyond 16 bits: an overflow, as for any 16-bit number
        QCOMPARE(gamenet::framing::GetBlockLen(data, at), std::optional<int16_t>());
        at = 2032;
        QCOMPARE(gamenet::framing::GetBlockLen(data, at), std::optional<int16_t>(-9999));
        at = 2040;
        QCOMPARE(gamenet::framing::GetBlockLen(data, at), std::optional<int16_t>(12));
        at = 2048; // the field is missing: nothing past the end is read
        QCOMPARE(gamenet::framing::GetBlockLen(data, at), std::optional<int16_t>(0));
        at = -3;
        QCOMPARE(gamenet::framing::GetBlockLen(data, at), std::optional<int16_t>(0));
        QByteArray shortField("<D>   1");
        at = 0;
        QCOMPARE(gamenet::framing::GetBlockLen(shortField, at), std::optional<int16_t>(1));
    }
};

QTEST_MAIN(TestVoiceTransfer)
#include "test_voice_transfer.moc"
