// Separator lists and text tools, with the edge cases the game relies on.
#include "common/ScriptedMsgBoxes.h"
#include "platform/ErrorGuard.h"
#include "support/Zeptools.h"
#include "game/net/PayloadNumber.h"

#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <limits>

using namespace zeptools;

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

// The three readers that live inside their callers, as they stand there, so the table below
// records what each of the four gives today.
namespace oldreaders {
bool asciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The connection dialog's fields (Peer2Peer.cpp).
double dialogField(const QString &text)
{
    QString t;
    t.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            t += c;
    qsizetype i = 0;
    QString number;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        number += t[i++];
    bool mantissa = false;
    while (i < t.size() && asciiDigit(t[i])) {
        number += t[i++];
        mantissa = true;
    }
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        number += t[i++];
        while (i < t.size() && asciiDigit(t[i])) {
            number += t[i++];
            mantissa = true;
        }
    }
    if (!mantissa)
        return 0.0;
    if (i < t.size() && QStringLiteral("EeDd").contains(t[i])) {
        qsizetype j = i + 1;
        QString exponent;
        if (j < t.size() && (t[j] == QLatin1Char('+') || t[j] == QLatin1Char('-')))
            exponent += t[j++];
        int digits = 0;
        while (j < t.size() && asciiDigit(t[j])) {
            if (digits > 0 || t[j] != QLatin1Char('0')) {
                if (++digits > 4)
                    return 0.0;
                exponent += t[j];
            }
            ++j;
        }
        if (digits > 0)
            number += QStringLiteral("e") + exponent;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0.0;
    return value;
}

// The stored high scores (OstrelLifecycle.cpp).
int32_t highScore(const QString &text)
{
    QString t = text;
    t.remove(QLatin1Char(' '));
    t.remove(QLatin1Char('\t'));
    int i = 0;
    QString number;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        number += t[i++];
    while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128)
        number += t[i++];
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        number += t[i++];
        while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128)
            number += t[i++];
    }
    if (i < t.size() && (t[i] == QLatin1Char('E') || t[i] == QLatin1Char('e') || t[i] == QLatin1Char('D')
                         || t[i] == QLatin1Char('d'))) {
        int j = i + 1;
        const bool negative = j < t.size() && t[j] == QLatin1Char('-');
        if (j < t.size() && (t[j] == QLatin1Char('+') || t[j] == QLatin1Char('-')))
            ++j;
        int exponent = 0;
        bool digits = false;
        while (j < t.size() && t[j].isDigit() && t[j].unicode() < 128) {
            exponent = qMin(exponent * 10 + t[j++].digitValue(), 9999);
            digits = true;
        }
        if (digits)
            number += QStringLiteral("e") + (negative ? QStringLiteral("-") : QString()) + QString::number(exponent);
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded < double(std::numeric_limits<int32_t>::min()) || rounded > double(std::numeric_limits<int32_t>::max()))
        return 0;
    return int32_t(rounded);
}

// The items of the winning cells (OstrelPlay.cpp).
int winCell(const QString &text)
{
    const QString t = text.trimmed();
    int value = 0;
    for (QChar c : t) {
        if (!c.isDigit() || value > 100000)
            break;
        value = value * 10 + c.digitValue();
    }
    return value;
}
} // namespace oldreaders

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

void TestZeptools::numberReadersOnTheCasesTheyDifferOn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("payload");
    QTest::addColumn<double>("dialog");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("cell");
    const double inf = std::numeric_limits<double>::infinity();
    const auto row = [](const char *name, const QString &text, double payload, double dialog, int points, int cell) {
        QTest::newRow(name) << text << payload << dialog << points << cell;
    };
    row("empty", "", 0, 0, 0, 0);
    row("digits", "42", 42, 42, 42, 42);
    row("leading blank", " 12", 12, 12, 12, 12);
    row("leading tab", "\t12", 12, 12, 12, 12);
    row("leading line feed", "\n12", 12, 12, 0, 12);
    row("leading carriage return", "\r12", 0, 0, 0, 12);
    row("blank inside", "1 2", 12, 12, 12, 1);
    row("tab inside", "1\t2", 12, 12, 12, 1);
    row("line feed inside", "1\n2", 12, 12, 1, 1);
    row("minus", "-7", -7, -7, -7, 0);
    row("plus", "+7", 7, 7, 7, 0);
    row("sign then blank", "- 7", -7, -7, -7, 0);
    row("two signs", "+-7", 0, 0, 0, 0);
    row("sign alone", "-", 0, 0, 0, 0);
    row("point five", ".5", 0.5, 0.5, 0, 0);
    row("two and a half", "2.5", 2.5, 2.5, 2, 2);
    row("three and a half", "3.5", 3.5, 3.5, 4, 3);
    row("point alone", ".", 0, 0, 0, 0);
    row("comma", "1,5", 1, 1, 1, 1);
    row("letters after", "12abc", 12, 12, 12, 12);
    row("letters only", "abc", 0, 0, 0, 0);
    row("short exponent", "1e3", 1000, 1000, 1000, 1);
    row("exponent D", "1D2", 100, 100, 100, 1);
    row("negative exponent", "15e-1", 1.5, 1.5, 2, 15);
    row("exponent without digits", "7e", 7, 7, 7, 7);
    row("exponent with blanks", "1 e 2", 100, 100, 100, 1);
    row("exponent with leading zeros", "1e00005", 1e5, 1e5, 100000, 1);
    row("exponent beyond a double", "1e400", inf, 0, 0, 1);
    row("long exponent", "1e99999", inf, 0, 0, 1);
    row("long negative exponent", "1e-99999", 0, 0, 0, 1);
    row("long exponent of a negative", "-1e99999", -inf, 0, 0, 0);
    row("long exponent of zero", "0e99999", 0, 0, 0, 0);
    row("largest 32-bit", "2147483647", 2147483647.0, 2147483647.0, 2147483647, 214748);
    row("beyond 32 bits", "2147483648", 2147483648.0, 2147483648.0, 0, 214748);
    row("smallest 32-bit", "-2147483648", -2147483648.0, -2147483648.0, std::numeric_limits<int32_t>::min(), 0);
    row("beyond 16 bits", "40000", 40000, 40000, 40000, 40000);
    row("arabic-indic digit", QString(QChar(0x0663)), 0, 0, 0, 3);
    row("fullwidth digits", QString(QChar(0xFF11)) + QChar(0xFF12), 0, 0, 0, 12);
}

// What each of the four readers gives where they disagree: the frames' numbers, the connection
// dialog's fields, the stored high scores and the winning cells' items.
void TestZeptools::numberReadersOnTheCasesTheyDifferOn()
{
    QFETCH(QString, text);
    QFETCH(double, payload);
    QFETCH(double, dialog);
    QFETCH(int, points);
    QFETCH(int, cell);
    QCOMPARE(gamenet::payloadValue(text), payload);
    if (text.toLatin1() == text.toUtf8()) // the wire's bytes read as their characters
        QCOMPARE(gamenet::bytesValue(text.toLatin1()), payload);
    QCOMPARE(oldreaders::dialogField(text), dialog);
    QCOMPARE(oldreaders::highScore(text), points);
    QCOMPARE(oldreaders::winCell(text), cell);
}

QTEST_MAIN(TestZeptools)
#include "test_zeptools.moc"
