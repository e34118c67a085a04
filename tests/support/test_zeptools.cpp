// Separator lists and text tools, with the edge cases the game relies on.
#include "common/ScriptedMsgBoxes.h"
#include "platform/ErrorGuard.h"
#include "support/NumberText.h"
#include "support/Zeptools.h"

#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <limits>

using namespace zeptools;

namespace {
// A rounded number that does not fit the integer type.
constexpr qint64 NoFit = std::numeric_limits<qint64>::min();
} // namespace

class TestZeptools : public QObject {
    Q_OBJECT
private slots:
    void countItemsCollapsesSeparatorRuns();
    void getItemPicksFirstLastAndMissingItems();
    void getItemWithoutSeparatorInTheList();
    void getItemSeesEmptyFirstAndLastItems();
    void getItemBlankLists();
    void getItemNegativeIndexActsAsOne();
    void getItemHandshakePayload();
    void replaceAllDoesNotRescanItsReplacement();
    void replaceAllReplacesEveryOccurrence();
    void replaceAtOverwritesGrowsAndAppends();
    void textsBeyondSixteenBitPositionsOverflowInTheCaller();
    void fileExistsOnlyForFiles();
    void centerFormCentresOnTheScreen();
    void numberReadersOnTheCasesTheyDifferOn_data();
    void numberReadersOnTheCasesTheyDifferOn();
};


void TestZeptools::countItemsCollapsesSeparatorRuns()
{
    QCOMPARE(CountItems(QString(), ","), int16_t(1));
    QCOMPARE(CountItems("1,2,3", ","), int16_t(3));
    QCOMPARE(CountItems("a  b   c", " "), int16_t(3));
    QCOMPARE(CountItems("a,,b", ","), int16_t(2));
    QCOMPARE(CountItems(",a", ","), int16_t(2));
    QCOMPARE(CountItems("a,", ","), int16_t(2));
    QCOMPARE(CountItems("a,,,,,,,b", ","), int16_t(2));
    QCOMPARE(CountItems("abc", ","), int16_t(1));
}

void TestZeptools::getItemPicksFirstLastAndMissingItems()
{
    QCOMPARE(GetItem("1,2,3", ",", 1), QString("1"));
    QCOMPARE(GetItem("1,2,3", ",", 2), QString("2"));
    QCOMPARE(GetItem("1,2,3", ",", 3), QString("3"));
    QCOMPARE(GetItem("1,2,3", ",", 0), QString("3"));
    QCOMPARE(GetItem("1,2,3", ",", 4), QString());
    QCOMPARE(GetItem("1,2,3", ",", 5), QString());
    QCOMPARE(GetItem("a,,b", ",", 2), QString("b"));
    QCOMPARE(GetItem("15,23,31,39", ",", 4), QString("39"));
    QCOMPARE(GetItem("a   b", " ", 2), QString("b"));
}

void TestZeptools::getItemWithoutSeparatorInTheList()
{
    QCOMPARE(GetItem("abc", ",", 1), QString("abc"));
    QCOMPARE(GetItem("abc", ",", 0), QString("abc"));
    QCOMPARE(GetItem("abc", ",", 2), QString());
    QCOMPARE(GetItem(QString(), ",", 1), QString());
}

void TestZeptools::getItemSeesEmptyFirstAndLastItems()
{
    QCOMPARE(GetItem(",a", ",", 1), QString());
    QCOMPARE(GetItem(",a", ",", 2), QString("a"));
    QCOMPARE(GetItem("a,", ",", 0), QString());
    QCOMPARE(GetItem("a,", ",", 1), QString("a"));
}

void TestZeptools::getItemBlankLists()
{
    QCOMPARE(GetItem("   ", ",", 0), QString());
    QCOMPARE(GetItem("   ", ",", 1), QString("   "));
    QCOMPARE(GetItem("   ", " ", 1), QString());
}

void TestZeptools::getItemNegativeIndexActsAsOne()
{
    QCOMPARE(GetItem("x,y", ",", -3), QString("x"));
    QCOMPARE(GetItem("abc", ",", -1), QString("abc"));
}

void TestZeptools::getItemHandshakePayload()
{
    QCOMPARE(GetItem("Anna|Version 2.98", "|", 2), QString("Version 2.98"));
    QCOMPARE(GetItem("Anna|Version 2.98", "|", 1), QString("Anna"));
}

void TestZeptools::replaceAllDoesNotRescanItsReplacement()
{
    QCOMPARE(ReplaceAll("a,,,b", ",,", ","), QString("a,,b"));
    QCOMPARE(ReplaceAll("aaa", "a", "aa"), QString("aaaaaa"));
}

void TestZeptools::replaceAllReplacesEveryOccurrence()
{
    QCOMPARE(ReplaceAll("01.02.2026", ".", ""), QString("01022026"));
    QCOMPARE(ReplaceAll("abc", "x", "y"), QString("abc"));
    QCOMPARE(ReplaceAll("abc", "", "y"), QString("abc"));
}

void TestZeptools::replaceAtOverwritesGrowsAndAppends()
{
    QCOMPARE(ReplaceAt("9999999", 3, "1"), QString("9919999"));
    QCOMPARE(ReplaceAt("99", 2, "12"), QString("912"));
    QCOMPARE(ReplaceAt("99", 5, "1"), QString("991"));
    QCOMPARE(ReplaceAt("9999", 1, "2"), QString("2999"));
    QCOMPARE(ReplaceAt("9999", 4, "2"), QString("9992"));
    QCOMPARE(ReplaceAt("", 1, "5"), QString("5"));
    try {
        ReplaceAt("9999", 0, "2");
        QFAIL("position 0 accepted");
    } catch (const platform::RuntimeError &e) {
        QCOMPARE(e.number(), 5);
    }
}

void TestZeptools::textsBeyondSixteenBitPositionsOverflowInTheCaller()
{
    ScriptedMsgBoxes boxes;
    const QString longList = QString(40000, QLatin1Char('x')) + QStringLiteral(",y");
    int16_t counted = -1;
    platform::guardedSub(QStringLiteral("Caller"), [&](platform::Step &step) {
        step([&] { counted = CountItems(longList, ","); });
    });
    QCOMPARE(counted, int16_t(-1));
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown().first().prompt, QStringLiteral("Fehler-Nr: 6\r\nFehler     : Overflow"));
    QCOMPARE(boxes.shown().first().title, QStringLiteral("Fehler in: (Ostrel) Sub Caller"));
    QVERIFY_THROWS_EXCEPTION(platform::RuntimeError, GetItem(longList, ",", 2));
    QVERIFY_THROWS_EXCEPTION(platform::RuntimeError, ReplaceAll(longList, ",", ";"));
    // The limit is the text's length, wherever its separators stand.
    const QString separatorsFirst = QStringLiteral("y,") + QString(40000, QLatin1Char('x'));
    const auto overflows = [](auto &&call) {
        try {
            call();
        } catch (const platform::RuntimeError &e) {
            return e.number() == 6;
        }
        return false;
    };
    QVERIFY(overflows([&] { CountItems(separatorsFirst, ","); }));
    QVERIFY(overflows([&] { GetItem(separatorsFirst, ",", 1); }));
    QVERIFY(overflows([&] { GetItem(QString(40000, QLatin1Char('x')), ",", 1); }));
    QVERIFY(overflows([&] { ReplaceAll(separatorsFirst, "y", "z"); }));
    QVERIFY(overflows([&] { ReplaceAt(separatorsFirst, 1, "z"); }));
    // Short enough: no error.
    QCOMPARE(CountItems(QString(32000, QLatin1Char('x')) + ",y", ","), int16_t(2));
    const QString longest = QStringLiteral("y,") + QString(32765, QLatin1Char('x'));
    QCOMPARE(GetItem(longest, ",", 1), QString("y"));
    QCOMPARE(ReplaceAt(longest, 1, "z").left(2), QString("z,"));
}

void TestZeptools::fileExistsOnlyForFiles()
{
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.txt");
    QFile f(empty);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(FileExists(empty));
    QVERIFY(!FileExists(QString()));
    QVERIFY(!FileExists(dir.filePath("missing.txt")));
    QVERIFY(!FileExists(dir.filePath("no/such/folder/x.txt")));
    QVERIFY(!FileExists(dir.path()));
}

void TestZeptools::centerFormCentresOnTheScreen()
{
    QWidget w;
    w.resize(200, 100);
    CenterForm(&w);
    const QRect screen = w.screen()->geometry();
    QCOMPARE(w.x(), screen.x() + (screen.width() - w.frameGeometry().width()) / 2);
    QCOMPARE(w.y(), screen.y() + (screen.height() - w.frameGeometry().height()) / 2);
    QWidget big;
    big.resize(screen.width() + 400, screen.height() + 200);
    CenterForm(&big);
    QVERIFY(big.x() < screen.x());
    QVERIFY(big.y() < screen.y());
}

// What the one reader gives where the four readers it replaces disagreed, and the rounding its
// callers apply: to 16 bits for the frames' numbers (a length field, a column), where a number
// that does not fit is refused; to 32 bits for the stored high scores, where such a number
// counts as 0, and for the winning cells' items, where it is out of the grid's range.
void TestZeptools::numberReadersOnTheCasesTheyDifferOn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("int16");
    QTest::addColumn<qint64>("int32");
    const double inf = std::numeric_limits<double>::infinity();
    const auto row = [](const char *name, const QString &text, double value, qint64 int16, qint64 int32) {
        QTest::newRow(name) << text << value << int16 << int32;
    };
    constexpr qint64 none = NoFit;
    row("empty", "", 0, 0, 0);
    row("digits", "42", 42, 42, 42);
    row("leading blank", " 12", 12, 12, 12);
    row("leading tab", "\t12", 12, 12, 12);
    row("leading line feed", "\n12", 12, 12, 12);
    row("leading carriage return", "\r12", 0, 0, 0);
    row("blank inside", "1 2", 12, 12, 12);
    row("tab inside", "1\t2", 12, 12, 12);
    row("line feed inside", "1\n2", 12, 12, 12);
    row("minus", "-7", -7, -7, -7);
    row("plus", "+7", 7, 7, 7);
    row("sign then blank", "- 7", -7, -7, -7);
    row("two signs", "+-7", 0, 0, 0);
    row("sign alone", "-", 0, 0, 0);
    row("point five", ".5", 0.5, 0, 0);
    row("two and a half", "2.5", 2.5, 2, 2);
    row("three and a half", "3.5", 3.5, 4, 4);
    row("point alone", ".", 0, 0, 0);
    row("comma", "1,5", 1, 1, 1);
    row("letters after", "12abc", 12, 12, 12);
    row("letters only", "abc", 0, 0, 0);
    row("short exponent", "1e3", 1000, 1000, 1000);
    row("exponent D", "1D2", 100, 100, 100);
    row("negative exponent", "15e-1", 1.5, 2, 2);
    row("exponent without digits", "7e", 7, 7, 7);
    row("exponent with blanks", "1 e 2", 100, 100, 100);
    row("exponent with leading zeros", "1e00005", 1e5, none, 100000);
    row("exponent beyond a double", "1e400", inf, none, none);
    row("long exponent", "1e99999", inf, none, none);
    row("long negative exponent", "1e-99999", 0, 0, 0);
    row("long exponent of a negative", "-1e99999", -inf, none, none);
    row("long exponent of zero", "0e99999", 0, 0, 0);
    row("tiny with a positive exponent", "0." + QString(400, '0') + "1e5", 0, 0, 0);
    row("huge with a negative exponent", "1" + QString(400, '0') + "e-5", inf, none, none);
    row("largest 32-bit", "2147483647", 2147483647.0, none, 2147483647);
    row("beyond 32 bits", "2147483648", 2147483648.0, none, none);
    row("smallest 32-bit", "-2147483648", -2147483648.0, none, std::numeric_limits<int32_t>::min());
    row("largest 16-bit", "32767.4", 32767.4, 32767, 32767);
    row("beyond 16 bits", "32767.5", 32767.5, none, 32768);
    row("smallest 16-bit", "-32768", -32768, -32768, -32768);
    row("arabic-indic digit", QString(QChar(0x0663)), 0, 0, 0);
    row("fullwidth digits", QString(QChar(0xFF11)) + QChar(0xFF12), 0, 0, 0);
}

void TestZeptools::numberReadersOnTheCasesTheyDifferOn()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(qint64, int16);
    QFETCH(qint64, int32);
    QCOMPARE(support::numberValue(text), value);
    if (text.toLatin1() == text.toUtf8()) // the wire's bytes read as their characters
        QCOMPARE(support::numberValue(QByteArrayView(text.toLatin1())), value);
    const auto fitted = [](auto rounded) { return rounded ? qint64(*rounded) : NoFit; };
    QCOMPARE(fitted(support::roundedValue<int16_t>(value)), int16);
    QCOMPARE(fitted(support::roundedValue<int32_t>(value)), int32);
}

QTEST_MAIN(TestZeptools)
#include "test_zeptools.moc"
