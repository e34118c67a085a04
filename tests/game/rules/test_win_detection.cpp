// Four in a row: the winning cells, test-only mode, and what ending mode does to the game.
#include "RulesFixture.h"
#include "common/ScriptedMsgBoxes.h"
#include "platform/AppTitle.h"

#include <QTest>

using namespace rules;

class TestWinDetection : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::setAppTitle(QStringLiteral("Ostrel")); }
    void bottomRowWinEndsTheGameInOrder();
    void yellowWinColoursTheStatusYellow();
    void fiveInARowListsAllFive();
    void diagonalAndRowShareACellListedTwice();
    void columnRunFollowsTheColumnsList();
    void testOnlyAnswersWithoutSideEffects();
    void endingModeWithoutWinChangesNothing();
    void gapInTheLineIsNoWin();
    void winSoundDigitComesFromTheRandomNumber();
    void winInAPointsSeriesIsScoredForTheWinner();
    void errorInEndingModeNamesCheckForWin();
};

void TestWinDetection::bottomRowWinEndsTheGameInOrder()
{
    RulesRig rig;
    for (int cell : {36, 37, 38, 39})
        rig.rules.AdjustPlayMatrix(int16_t(cell), 1);
    rig.st.CurrentPlayer = 1;
    rig.random.push(0.0);
    QCOMPARE(rig.rules.CheckForWin(1, false), false);
    QCOMPARE(rig.st.WinCells, QStringLiteral("36,37,38,39,"));
    QCOMPARE(rig.st.GameRunning, false);
    QCOMPARE(rig.st.TimerMode, QStringLiteral("SHOWWINNER"));
    QCOMPARE(rig.ui.log, (QStringList{QStringLiteral("Playsound PLWIN1 0"), QStringLiteral("StatusColor ff"),
                                      QStringLiteral("Interval SHOWWINNER 400")}));
}

void TestWinDetection::yellowWinColoursTheStatusYellow()
{
    RulesRig rig;
    for (int cell : {18, 25, 32, 39})
        rig.rules.AdjustPlayMatrix(int16_t(cell), 2);
    rig.st.CurrentPlayer = 2;
    rig.rules.CheckForWin(2, false);
    QCOMPARE(rig.st.WinCells, QStringLiteral("18,25,32,39,"));
    QVERIFY(rig.ui.log.contains(QStringLiteral("StatusColor ffff")));
}

void TestWinDetection::fiveInARowListsAllFive()
{
    RulesRig rig;
    for (int cell : {36, 37, 38, 39, 40})
        rig.rules.AdjustPlayMatrix(int16_t(cell), 1);
    rig.rules.AdjustPlayMatrix(42, 1); // a lone chip after a gap is not part of the run
    rig.st.CurrentPlayer = 1;
    rig.rules.CheckForWin(1, false);
    QCOMPARE(rig.st.WinCells, QStringLiteral("36,37,38,39,40,"));

    // A run that ends at the line's end is collected whole as well.
    RulesRig end;
    for (int cell : {37, 38, 39, 40, 41, 42})
        end.rules.AdjustPlayMatrix(int16_t(cell), 2);
    end.st.CurrentPlayer = 2;
    end.rules.CheckForWin(2, false);
    QCOMPARE(end.st.WinCells, QStringLiteral("37,38,39,40,41,42,"));
}

void TestWinDetection::diagonalAndRowShareACellListedTwice()
{
    RulesRig rig;
    // Diagonal 15,23,31,39 (slot 1,1) and the bottom row 36..39 share cell 39.
    for (int cell : {15, 23, 31, 39, 36, 37, 38})
        rig.rules.AdjustPlayMatrix(int16_t(cell), 1);
    rig.st.CurrentPlayer = 1;
    rig.rules.CheckForWin(1, false);
    QCOMPARE(rig.st.WinCells, QStringLiteral("15,23,31,39,36,37,38,39,"));
}

void TestWinDetection::columnRunFollowsTheColumnsList()
{
    RulesRig rig;
    rig.drops({4, 1, 4, 1, 4, 2, 4}, 2); // yellow 39, 32, 25, 18
    rig.st.CurrentPlayer = 2;
    rig.rules.CheckForWin(2, false);
    QCOMPARE(rig.st.WinCells, QStringLiteral("18,25,32,39,"));
}

void TestWinDetection::testOnlyAnswersWithoutSideEffects()
{
    RulesRig rig;
    for (int cell : {4, 12, 20, 28})
        rig.rules.AdjustPlayMatrix(int16_t(cell), 2);
    rig.st.WinCells = QStringLiteral("1,2,3,4,");
    rig.st.TimerMode = QStringLiteral("THINKING");
    QCOMPARE(rig.rules.CheckForWin(2, true), true);
    QCOMPARE(rig.rules.CheckForWin(1, true), false);
    QCOMPARE(rig.st.WinCells, QString());
    QCOMPARE(rig.st.GameRunning, true);
    QCOMPARE(rig.st.TimerMode, QStringLiteral("THINKING"));
    QVERIFY(rig.ui.log.isEmpty());
    QCOMPARE(rig.random.drawn, 0);
}

void TestWinDetection::endingModeWithoutWinChangesNothing()
{
    RulesRig rig;
    for (int cell : {36, 37, 38, 40, 29, 22})
        rig.rules.AdjustPlayMatrix(int16_t(cell), 1);
    rig.st.CurrentPlayer = 1;
    rig.st.WinCells = QStringLiteral("x");
    QCOMPARE(rig.rules.CheckForWin(1, false), false);
    QCOMPARE(rig.st.WinCells, QString());
    QCOMPARE(rig.st.GameRunning, true);
    QVERIFY(rig.ui.log.isEmpty());
    QCOMPARE(rig.random.drawn, 0);
}

void TestWinDetection::gapInTheLineIsNoWin()
{
    RulesRig rig;
    for (int cell : {1, 2, 4, 5})
        rig.rules.AdjustPlayMatrix(int16_t(cell), 1);
    rig.rules.AdjustPlayMatrix(3, 2);
    QCOMPARE(rig.st.PlayMatrix[3][1], QStringLiteral("1121199"));
    QCOMPARE(rig.rules.CheckForWin(1, true), false);
    QCOMPARE(rig.rules.CheckForWin(2, true), false);
}

void TestWinDetection::winSoundDigitComesFromTheRandomNumber()
{
    const std::pair<double, QString> cases[] = {{0.0, QStringLiteral("PLWIN1")},
                                                {0.3333, QStringLiteral("PLWIN1")},
                                                {0.34, QStringLiteral("PLWIN2")},
                                                {0.6667, QStringLiteral("PLWIN3")},
                                                {0.999999, QStringLiteral("PLWIN3")}};
    for (const auto &[r, sound] : cases) {
        RulesRig rig;
        for (int cell : {36, 37, 38, 39})
            rig.rules.AdjustPlayMatrix(int16_t(cell), 1);
        rig.st.CurrentPlayer = 1;
        rig.random.push(r);
        rig.rules.CheckForWin(1, false);
        QCOMPARE(rig.ui.log.first(), QStringLiteral("Playsound %1 0").arg(sound));
    }
}

void TestWinDetection::winInAPointsSeriesIsScoredForTheWinner()
{
    // The sound, colour and series use CurrentPlayer: the human (yellow) won at level 2.
    RulesRig rig;
    rig.st.PointsMode = true;
    rig.st.English = true;
    rig.st.ComputerColor = 1;
    rig.st.Level = 2;
    rig.st.TimeLeft = 50.0;
    rig.st.CurrentPlayer = 2;
    for (int cell : {36, 37, 38, 39})
        rig.rules.AdjustPlayMatrix(int16_t(cell), 2);
    rig.rules.CheckForWin(2, false);
    QCOMPARE(rig.st.TotalPoints, 26000);
    const qsizetype interval = rig.ui.log.indexOf(QStringLiteral("Interval SHOWWINNER 400"));
    QVERIFY(interval >= 0);
    QCOMPARE(rig.ui.log.indexOf(QStringLiteral("ResultColor ffff")), interval + 1);
    QCOMPARE(rig.ui.log.last(), QStringLiteral("ShowResultGame"));
}

void TestWinDetection::errorInEndingModeNamesCheckForWin()
{
    ScriptedMsgBoxes boxes;
    boxes.answer(platform::vbAbort);
    RulesRig rig;
    for (int cell : {36, 37, 38, 39})
        rig.rules.AdjustPlayMatrix(int16_t(cell), 1);
    rig.st.CurrentPlayer = 1;
    rig.ui.failOn = QStringLiteral("Playsound");
    rig.rules.CheckForWin(1, false);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown()[0].title, QStringLiteral("Fehler in: (Ostrel) Sub CheckForWin"));
    QCOMPARE(boxes.shown()[0].style, int(platform::vbAbortRetryIgnore | platform::vbExclamation | platform::vbDefaultButton3));
    // Abort leaves the procedure: the game has ended, the timer is not set.
    QCOMPARE(rig.st.GameRunning, false);
    QCOMPARE(rig.st.TimerMode, QString());
}

QTEST_MAIN(TestWinDetection)
#include "test_win_detection.moc"
