// The coloured plain-text display of the chat: lines appended the way the chat appends them,
// markup shown literally, positions that stay exact whatever characters a peer sends, and the
// newest line kept in view.
#include "platform/RichTextBox.h"

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

using namespace platform;

namespace {

constexpr int32_t Green = 0x00FF00;
constexpr int32_t Red = 0x0000FF;
constexpr int32_t Yellow = 0x00FFFF;

// The chat's way of adding a line: the trailing blank is replaced by a line break (unless it is
// the only character), the line and a new blank; the new part takes the line's colour; the caret
// goes to the end.
void addLine(RichTextBox &box, const QString &line, int32_t color)
{
    if (box.text().isEmpty())
        box.setText(QStringLiteral(" "));
    const int length = int(box.text().size());
    box.setSelStart(length - 1);
    box.setSelLength(1);
    const int start = length == 1 ? 0 : length - 1 + 2;
    box.setSelText((length == 1 ? QString() : QStringLiteral("\r\n")) + line + QLatin1Char(' '));
    box.setSelStart(start);
    box.setSelLength(int(box.text().size()) - start);
    box.setSelColor(color);
    box.setSelStart(int(box.text().size()));
    box.refresh();
}

void verifyColor(const RichTextBox &box, int from, int to, int32_t color)
{
    for (int i = from; i < to; ++i) {
        if (box.colorAt(i) != color)
            QFAIL(qPrintable(QStringLiteral("position %1 has colour %2, not %3")
                                 .arg(i).arg(box.colorAt(i), 6, 16).arg(color, 6, 16)));
    }
}

// The document shows one place for each character of the text.
void verifyOnePlacePerCharacter(const RichTextBox &box)
{
    QCOMPARE(box.view()->document()->characterCount() - 1, box.text().size());
}

} // namespace

class TestRichTextBox : public QObject {
    Q_OBJECT
private slots:
    void linesAppendInTheirColoursAfterOneBlank();
    void markupFromAPeerShowsLiterally();
    void controlCharactersKeepPositionsExact();
    void veryLongLineIsKeptWholeAndInColour();
    void selectionIsClampedToTheText();
    void newestLineStaysInView();
};

void TestRichTextBox::linesAppendInTheirColoursAfterOneBlank()
{
    RichTextBox box;
    box.setText(QStringLiteral(" "));
    addLine(box, QStringLiteral("<Anna> Hello"), Red);
    QCOMPARE(box.text(), QStringLiteral("<Anna> Hello "));
    verifyColor(box, 0, 13, Red);
    QCOMPARE(box.selStart(), 13);

    addLine(box, QStringLiteral("--- Player: Anna changed his/her name to: Bertram ..."), Green);
    addLine(box, QStringLiteral("<Bob> Hi"), Yellow);
    const QString expected = QStringLiteral("<Anna> Hello\r\n--- Player: Anna changed his/her name "
                                            "to: Bertram ...\r\n<Bob> Hi ");
    QCOMPARE(box.text(), expected);
    verifyColor(box, 0, 12, Red);
    const int second = int(expected.indexOf(QLatin1String("---")));
    const int third = int(expected.indexOf(QLatin1String("<Bob>")));
    verifyColor(box, second, third - 2, Green);
    verifyColor(box, third, int(expected.size()), Yellow);
    QCOMPARE(box.view()->document()->blockCount(), 3);
    QCOMPARE(box.view()->document()->findBlockByNumber(2).text(), QStringLiteral("<Bob> Hi "));
    QCOMPARE(box.view()->textCursor().position(), int(expected.size()));
    verifyOnePlacePerCharacter(box);

    // An empty display is first given its blank; a reset starts over in the default colour.
    RichTextBox fresh;
    addLine(fresh, QStringLiteral("first"), Green);
    QCOMPARE(fresh.text(), QStringLiteral("first "));
    box.setText(QStringLiteral(" "));
    QCOMPARE(box.text(), QStringLiteral(" "));
    QCOMPARE(box.view()->document()->blockCount(), 1);
    QVERIFY(box.colorAt(0) != Yellow);
}

void TestRichTextBox::markupFromAPeerShowsLiterally()
{
    const QStringList hostile = {
        QStringLiteral("<Eve> <b>x</b>"),
        QStringLiteral("<Eve> <img src=\"file:///etc/passwd\"><img src=http://example.invalid/a.png>"),
        QStringLiteral("<Eve> &amp; &lt;table&gt; <table><tr><td>cell</td></tr></table>"),
        QStringLiteral("<Eve> <a href=\"x\">link</a><script>alert(1)</script><!-- c -->"),
        QStringLiteral("<html><body style=\"color:#000\">{\\rtf1 \\b bold}</body></html>"),
    };
    RichTextBox box;
    QString expected;
    for (const QString &line : hostile) {
        addLine(box, line, Yellow);
        expected += (expected.isEmpty() ? QString() : QStringLiteral("\r\n")) + line;
    }
    expected += QLatin1Char(' ');
    QCOMPARE(box.text(), expected);
    QString shown = expected;
    shown.replace(QLatin1Char('\r'), QChar(0x200B)); // a CR takes its place, but shows nothing
    QCOMPARE(box.view()->document()->toPlainText(), shown);
    // Nothing became a picture, a link, a table or bold text.
    for (QTextBlock b = box.view()->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            QVERIFY(!f.isImageFormat());
            QVERIFY(!f.isAnchor());
            QCOMPARE(f.fontWeight() > QFont::Normal, false);
        }
    }
    QCOMPARE(box.view()->document()->rootFrame()->childFrames().size(), 0);
    verifyColor(box, 0, int(expected.size()), Yellow);
    verifyOnePlacePerCharacter(box);
}

void TestRichTextBox::controlCharactersKeepPositionsExact()
{
    RichTextBox box;
    const QString nasty = QStringLiteral("<Eve> a\rb\nc\r\nd") + QChar(0x2029) + QChar(0x2028)
        + QChar(0xFFFC) + QChar(0xFDD0) + QChar(0xFDD1) + QChar(0) + QChar(0x1B) + QChar(0x0B)
        + QStringLiteral("\tend");
    addLine(box, nasty, Yellow);
    addLine(box, QStringLiteral("after"), Green);
    const QString expected = nasty + QStringLiteral("\r\nafter ");
    QCOMPARE(box.text(), expected);
    verifyOnePlacePerCharacter(box);
    verifyColor(box, 0, int(nasty.size()), Yellow);
    verifyColor(box, int(nasty.size()) + 2, int(expected.size()), Green);
    QCOMPARE(box.view()->document()->rootFrame()->childFrames().size(), 0);

    // Selecting and reading back a range gives the characters that were put in.
    box.setSelStart(8);
    box.setSelLength(5);
    QCOMPARE(box.selText(), nasty.mid(8, 5));
}

void TestRichTextBox::veryLongLineIsKeptWholeAndInColour()
{
    RichTextBox box;
    box.resize(300, 120);
    box.show();
    // The longest chat text a frame can carry, without a single blank to wrap at.
    const QString longLine = QStringLiteral("<Eve> ") + QString(99990, QLatin1Char('W'));
    addLine(box, QStringLiteral("before"), Green);
    addLine(box, longLine, Yellow);
    addLine(box, QStringLiteral("<Anna> still here"), Red);
    const QString expected = QStringLiteral("before\r\n") + longLine + QStringLiteral("\r\n<Anna> still here ");
    QCOMPARE(box.text().size(), expected.size());
    QVERIFY(box.text() == expected);
    verifyOnePlacePerCharacter(box);
    QCOMPARE(box.colorAt(8), Yellow);
    QCOMPARE(box.colorAt(8 + int(longLine.size()) - 1), Yellow);
    verifyColor(box, int(expected.size()) - 18, int(expected.size()), Red);
}

void TestRichTextBox::selectionIsClampedToTheText()
{
    RichTextBox box;
    box.setText(QStringLiteral("abcdef"));
    box.setSelStart(-5);
    QCOMPARE(box.selStart(), 0);
    box.setSelStart(100);
    QCOMPARE(box.selStart(), 6);
    box.setSelStart(2);
    box.setSelLength(100);
    QCOMPARE(box.selLength(), 4);
    box.setSelLength(-1);
    QCOMPARE(box.selLength(), 0);
    box.setSelLength(2);
    QCOMPARE(box.selText(), QStringLiteral("cd"));
    box.setSelText(QStringLiteral("<i>X</i>"));
    QCOMPARE(box.text(), QStringLiteral("ab<i>X</i>ef"));
    QCOMPARE(box.selStart(), 10);
    QCOMPARE(box.selLength(), 0);
    // Setting the start ends the selection; colouring nothing changes nothing.
    box.setSelStart(0);
    box.setSelColor(Red);
    QVERIFY(box.colorAt(0) != Red);
    box.setText(QString());
    QCOMPARE(box.text(), QString());
    QCOMPARE(box.selStart(), 0);
    box.setSelText(QStringLiteral("x"));
    QCOMPARE(box.text(), QStringLiteral("x"));
}

void TestRichTextBox::newestLineStaysInView()
{
    RichTextBox box;
    box.resize(240, 90);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (int i = 0; i < 60; ++i)
        addLine(box, QStringLiteral("<Anna> line %1").arg(i), i % 2 ? Red : Yellow);
    QScrollBar *bar = box.view()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    const QRect caret = box.view()->cursorRect();
    QVERIFY(box.view()->viewport()->rect().intersects(caret));
}

QTEST_MAIN(TestRichTextBox)
#include "test_richtextbox.moc"
