// Separator lists and text tools, with the edge cases the game relies on.
#include "common/ScriptedMsgBoxes.h"
#include "platform/ErrorGuard.h"
#include "support/Zeptools.h"

#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

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

QTEST_MAIN(TestZeptools)
#include "test_zeptools.moc"
