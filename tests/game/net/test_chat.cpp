// The chat: the chat line's Enter, the colours of the lines, the nickname command on both sides,
// hostile text from the peer, and the dialogue log QorLog.Txt with its blocks.
#include "ChatFixture.h"
#include "common/ScriptedMsgBoxes.h"

#include "platform/RichTextBox.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>

namespace {
constexpr int32_t Green = 0x00FF00;
constexpr int32_t Red = 0x0000FF;
constexpr int32_t Yellow = 0x00FFFF;

void addLine(ChatWindow &w, const QString &line, std::optional<int16_t> side = std::nullopt) { w.net().AddChatLine(line, side); }

// Every character of text[from, to) has the colour.
bool coloured(platform::RichTextBox *box, int from, int to, int32_t color)
{
    for (int i = from; i < to; ++i)
        if (box->colorAt(i) != color)
            return false;
    return true;
}

QList<QByteArray> logLines(ChatFixture &f)
{
    QByteArray text = readAll(f.work("QorLog.Txt"));
    if (!text.endsWith("\r\n"))
        return {QByteArray("unterminated")};
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();
    return lines;
}
} // namespace

class TestChat : public QObject {
    Q_OBJECT
private slots:
    void linesTakeTheColourOfTheirSpeakerAndEndWithOneBlank()
    {
        ChatFixture f;
        auto *box = testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage");
        QCOMPARE(box->text(), QStringLiteral(" "));
        f.n().LocalIsRed = true;
        addLine(*f.w, "--- notice");
        // The first line takes the blank's place, wholly in its colour.
        QCOMPARE(box->text(), QStringLiteral("--- notice "));
        QVERIFY(coloured(box, 0, 11, Green));
        addLine(*f.w, "<Anna> Hello", 1);
        addLine(*f.w, "<Bert> Hi", 2);
        QCOMPARE(box->text(), QStringLiteral("--- notice\r\n<Anna> Hello\r\n<Bert> Hi "));
        QVERIFY(coloured(box, 0, 10, Green));
        QVERIFY(coloured(box, 12, 24, Red));
        QVERIFY(coloured(box, 26, 36, Yellow));

        // On the yellow side the own lines are yellow and the peer's red.
        f.n().LocalIsRed = false;
        addLine(*f.w, "own", 1);
        addLine(*f.w, "peer", 7);
        const int own = int(box->text().indexOf("own"));
        QVERIFY(coloured(box, own, own + 3, Yellow));
        QVERIFY(coloured(box, own + 5, own + 9, Red));
        // An emptied display starts again with no line break in front.
        box->setText(QString());
        addLine(*f.w, "again");
        QCOMPARE(box->text(), QStringLiteral("again "));
    }

    void enterSendsTheLineUnderTheOwnNameAndEchoesIt()
    {
        ChatFixture f;
        auto *txtInMessage = testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage");
        f.n().LocalIsRed = true;
        f.n().Nick = {"Anna", "Bert"};
        QLineEdit *line = testing::control<QLineEdit>(f.w.get(), "txtSendmessage");
        line->setText("Hello");
        QTest::keyClick(line, Qt::Key_Return);
        QCOMPARE(f.w->packets, QStringList{"<T><Anna> Hello"});
        QCOMPARE(line->text(), QString());
        QCOMPARE(txtInMessage->text(), QStringLiteral("<Anna> Hello "));
        QVERIFY(coloured(txtInMessage, 0, 13, Red));

        // Blanks count as text; an empty line sends nothing.
        line->setText("  ");
        QTest::keyClick(line, Qt::Key_Return);
        QTest::keyClick(line, Qt::Key_Return);
        QCOMPARE(f.w->packets, (QStringList{"<T><Anna> Hello", "<T><Anna>   "}));
        // Other keys reach the line as usual.
        QTest::keyClicks(line, "ab");
        QCOMPARE(line->text(), QStringLiteral("ab"));
    }

    void aFailedSendShowsTheErrorBoxAndEchoesNothing()
    {
        ChatFixture f;
        auto *txtSendmessage = testing::control<QLineEdit>(f.w.get(), "txtSendmessage");
        ScriptedMsgBoxes boxes;
        f.w->chat->failSend = 6;
        txtSendmessage->setText("Hello");
        QTest::keyClick(txtSendmessage, Qt::Key_Return);
        QCOMPARE(boxes.count(), 1);
        QVERIFY(boxes.shown().first().title.contains("txtSendmessage_KeyPress"));
        QCOMPARE(testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage")->text(), QStringLiteral(" "));
        QCOMPARE(txtSendmessage->text(), QString());
    }

    void nickCommandRenamesWithoutEchoAndGoesOutUnderTheNewName()
    {
        ChatFixture f;
        auto *txtInMessage = testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage");
        auto *txtSendmessage = testing::control<QLineEdit>(f.w.get(), "txtSendmessage");
        f.n().LocalIsRed = true;
        f.n().Nick = {"Anna", "Bert"};
        txtSendmessage->setText("/nick Bertram");
        QTest::keyClick(txtSendmessage, Qt::Key_Return);
        QCOMPARE(f.w->packets, QStringList{"<T><Bertram> /nick Bertram"});
        QCOMPARE(f.n().Nick[0], QStringLiteral("Bertram"));
        QCOMPARE(txtInMessage->text(), QStringLiteral("--- Player: Anna changed his/her name to: Bertram ... "));
        QVERIFY(coloured(txtInMessage, 0, 10, Green));
        QVERIFY(f.chat()->title().contains("Bertram"));
        QCOMPARE(f.sound.count("nickchan"), 1);

        // The peer's frame: the name after the first ">" is skipped; 20 characters keep 12.
        int16_t peer = 1;
        QString text = "   26<Bert> /NICK  ABCDEFGHIJKLMNOPQRST  ";
        QCOMPARE(f.w->net().GetNick(peer, text), QStringLiteral("ABCDEFGHIJKL"));
        QCOMPARE(f.n().Nick[1], QStringLiteral("ABCDEFGHIJKL"));
        QCOMPARE(f.sound.count("nickchan"), 2);
    }

    void onlyALeadingNickCommandWithANameRenames()
    {
        ChatFixture f;
        auto *txtSendmessage = testing::control<QLineEdit>(f.w.get(), "txtSendmessage");
        f.n().Nick = {"Anna", "Bert"};
        int16_t own = 0;
        QString words = "Hi /NICK Bob";
        QCOMPARE(f.w->net().GetNick(own, words), QString());
        QString blanks = "/NICK     ";
        QCOMPARE(f.w->net().GetNick(own, blanks), QString());
        QString noBlank = "/NICKBob";
        QCOMPARE(f.w->net().GetNick(own, noBlank), QString());
        QCOMPARE(f.n().Nick[0], QStringLiteral("Anna"));
        QString leading = "   /Nick Bob";
        QCOMPARE(f.w->net().GetNick(own, leading), QStringLiteral("Bob"));
        QCOMPARE(f.n().Nick[0], QStringLiteral("Bob"));

        // "Hi /NICK Bob" and "/NICK " with only blanks go out as chat and are echoed.
        txtSendmessage->setText("/NICK   ");
        QTest::keyClick(txtSendmessage, Qt::Key_Return);
        QCOMPARE(f.w->packets, QStringList{"<T><Bob> /NICK   "});
        QVERIFY(
            testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage")->text().endsWith("<Bob> /NICK    "));
    }

    void germanNotice()
    {
        ChatFixture f(false);
        f.n().Nick = {"Anna", "Bert"};
        int16_t peer = 1;
        QString text = "<Bert> /nick Zed";
        QCOMPARE(f.w->net().GetNick(peer, text), QStringLiteral("Zed"));
        QCOMPARE(testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage")->text(),
                 QStringLiteral("--- Spieler: Bert änderte seinen Namen auf: Zed ... "));
    }

    void hostileTextFromThePeerShowsLiterally()
    {
        ChatFixture f;
        auto *txtInMessage = testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage");
        const QString hostile = QStringLiteral("<Bert> <b>bold</b> <img src=x> &amp; \x01\t%s%n");
        addLine(*f.w, hostile, 2);
        // Markup shows as it stands; control characters show as blanks.
        QCOMPARE(txtInMessage->text(), QStringLiteral("<Bert> <b>bold</b> <img src=x> &amp;   %s%n "));
        const QString shown = txtInMessage->view()->toPlainText();
        QVERIFY(shown.contains("<b>bold</b> <img src=x> &amp;"));
        // A very long line is kept whole, and one full of line breaks stays one line.
        addLine(*f.w, QString(40000, 'x'), 2);
        addLine(*f.w, QString("\r\n").repeated(100), 2);
        QVERIFY(txtInMessage->text().contains(QString(40000, 'x')));
        QVERIFY(txtInMessage->text().endsWith("\r\n" + QString(201, ' ')));
    }

    void aFloodKeepsTheRecentLinesShownAndAllLogged()
    {
        ChatFixture f;
        f.n().LocalIsRed = true;
        auto *box = testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage");
        for (int i = 0; i < 2000; ++i)
            addLine(*f.w, QStringLiteral("<Bert> line %1").arg(i), int16_t(i % 2 ? 2 : 1));
        const QStringList shown = box->text().split("\r\n");
        QCOMPARE(shown.size(), 500);
        QCOMPARE(shown.first(), QStringLiteral("<Bert> line 1500"));
        QCOMPARE(shown.last(), QStringLiteral("<Bert> line 1999 "));
        QCOMPARE(box->view()->document()->blockCount(), 500);
        // The lines left keep their colours, and the next line goes where it belongs.
        QVERIFY(coloured(box, 0, int(shown.first().size()), Red));
        QCOMPARE(box->colorAt(int(box->text().size()) - 2), Yellow);
        addLine(*f.w, "--- notice");
        QVERIFY(box->text().endsWith("<Bert> line 1999\r\n--- notice "));
        QVERIFY(coloured(box, int(box->text().size()) - 11, int(box->text().size()), Green));
        QCOMPARE(logLines(f).size(), 3 + 2001);
    }

    void captionsFollowTheLanguage()
    {
        ChatFixture f;
        auto *cmdP2PClose = testing::control<QPushButton>(f.w.get(), "cmdP2PClose");
        auto *lblRecord = testing::control<QLabel>(f.w.get(), "lblRecord");
        auto *lblRepeat = testing::control<QLabel>(f.w.get(), "lblRepeat");
        QCOMPARE(cmdP2PClose->text(), QStringLiteral("Close"));
        QCOMPARE(lblRepeat->text(), QStringLiteral("R"));
        QCOMPARE(lblRecord->text(), QStringLiteral("Record"));
        f.w->menLanGerman_Click();
        QCOMPARE(cmdP2PClose->text(), QStringLiteral("Beenden"));
        QCOMPARE(lblRepeat->text(), QStringLiteral("W"));
        QCOMPARE(lblRecord->text(), QStringLiteral("Aufnahme"));
    }

    void everyLineIsLoggedInBlocksWithHeaderAndFooter()
    {
        ChatFixture f;
        QVERIFY(f.w->LogDialogue());
        QVERIFY(f.w->WorkDir().startsWith(f.dataHome.path()));
        QVERIFY(!QFile::exists(f.work("QorLog.Txt")));
        addLine(*f.w, "  --- Connected with Bert! ---");
        addLine(*f.w, QStringLiteral("<Bert> Grüße"), 2);
        QCOMPARE(f.n().LogFileNo, int16_t(1));
        f.w->net().WriteLogFooter();
        QCOMPARE(f.n().LogFileNo, int16_t(0));
        f.w->net().WriteLogFooter(); // a second end of the connection writes nothing
        f.w->menLanGerman_Click();
        addLine(*f.w, "<Anna> next", 1);
        f.w->net().WriteLogFooter();

        const QList<QByteArray> lines = logLines(f);
        QCOMPARE(lines.size(), 17);
        for (const QByteArray &l : lines)
            QVERIFY(l.endsWith('\r'));
        const QByteArray stars = QByteArray(60, '*') + '\r';
        QCOMPARE(lines[0], stars);
        QVERIFY(lines[1].startsWith("--- Dialogue from: ") && lines[1].endsWith(" :\r"));
        QCOMPARE(lines[2], stars);
        QCOMPARE(lines[3], QByteArray("  --- Connected with Bert! ---\r"));
        QCOMPARE(lines[4], QByteArray("<Bert> Gr\xFC\xDF" "e\r")); // one byte per character
        QVERIFY(lines[5].startsWith("--- End of Connection (") && lines[5].endsWith(") ---\r"));
        QCOMPARE(lines[6], QByteArray("\r"));
        QCOMPARE(lines[7], QByteArray("\r"));
        QCOMPARE(lines[8], QByteArray("\r"));
        QCOMPARE(lines[9], stars);
        QVERIFY(lines[10].startsWith("--- Dialog vom: "));
        QCOMPARE(lines[12], QByteArray("<Anna> next\r"));
        QVERIFY(lines[13].startsWith("--- Ende der Verbindung ("));
        QCOMPARE(lines[16], QByteArray("\r"));
        QCOMPARE(lines[14], QByteArray("\r"));
    }

    void aLogThatCannotBeWrittenIsReportedOnceWithPathAndReason()
    {
        ScriptedMsgBoxes boxes;
        ChatFixture f;
        // A work folder below a file, as with XDG_DATA_HOME naming a file.
        writeFile(f.dataHome.filePath("file"), "x");
        f.w->setWorkDir(f.dataHome.filePath("file/Ostrel"));
        addLine(*f.w, "  --- Connected with Bert! ---");
        addLine(*f.w, "<Bert> hi", 2);
        const QString log = f.dataHome.filePath("file/Ostrel/QorLog.Txt");
        QString shown = testing::control<platform::RichTextBox>(f.w.get(), "txtInMessage")->text();
        QCOMPARE(shown.count("--- The dialogue log " + log + " cannot be written: Not a directory ---"), 1);
        QCOMPARE(shown.count("cannot be written"), 1);
        QVERIFY(shown.endsWith("<Bert> hi "));

        QCOMPARE(boxes.count(), 0);

        // A full disk: the block opens, its lines are lost, and that is said once.
        ChatFixture full;
        auto *txtInMessage = testing::control<platform::RichTextBox>(full.w.get(), "txtInMessage");
        QVERIFY(QFile::link("/dev/full", full.work("QorLog.Txt")));
        addLine(*full.w, "<Bert> one", 2);
        addLine(*full.w, "<Bert> two", 2);
        shown = txtInMessage->text();
        QCOMPARE(shown.count("--- The dialogue log " + full.work("QorLog.Txt")
                             + " cannot be written: No space left on device ---"), 1);
        QCOMPARE(shown.count("cannot be written"), 1);
        // Written again, a later failure is said again.
        QFile::remove(full.work("QorLog.Txt"));
        full.w->net().WriteLogFooter();
        addLine(*full.w, "<Bert> three", 2);
        QVERIFY(readAll(full.work("QorLog.Txt")).contains("<Bert> three"));
        full.w->net().WriteLogFooter();
        QFile::remove(full.work("QorLog.Txt"));
        QVERIFY(QFile::link("/dev/full", full.work("QorLog.Txt")));
        addLine(*full.w, "<Bert> four", 2);
        QCOMPARE(txtInMessage->text().count("cannot be written"), 2);
    }

    void sentAndReceivedLinesAreLoggedAsShown()
    {
        ChatFixture f;
        auto *txtSendmessage = testing::control<QLineEdit>(f.w.get(), "txtSendmessage");
        f.n().Nick = {"Anna", "Bert"};
        txtSendmessage->setText("Hello");
        QTest::keyClick(txtSendmessage, Qt::Key_Return);
        txtSendmessage->setText("/nick Ann");
        QTest::keyClick(txtSendmessage, Qt::Key_Return);
        const QList<QByteArray> lines = logLines(f);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[3], QByteArray("<Anna> Hello\r"));
        QCOMPARE(lines[4], QByteArray("--- Player: Anna changed his/her name to: Ann ...\r"));
    }
};

QTEST_MAIN(TestChat)
#include "test_chat.moc"
