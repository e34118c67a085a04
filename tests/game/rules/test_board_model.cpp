// The board model: cell lists, line strings, trial moves with their refusals, turns.
#include "RulesFixture.h"
#include "common/ScriptedMsgBoxes.h"
#include "platform/AppTitle.h"

#include <QApplication>
#include <QTest>

using namespace rules;

class TestBoardModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::setAppTitle(QStringLiteral("Ostrel")); }
    void cellListsAndPatternsAreBuiltAsTheBoardDefinesThem();
    void gameStartGivesOneNineForEveryCellOfEveryLine();
    void yellowChipInColumnFourChangesExactlyItsFourLines();
    void redChipInTheCornerChangesNoDownRightDiagonal();
    void trialMoveAndTakeBackRestoreTheModel();
    void trialMoveIntoFullColumnIsRefusedWithItsBox();
    void takeBackFromEmptyColumnIsRefusedWithItsBox();
    void columnOutsideTheBoardShowsTheErrorBoxOfTheProcedure();
    void changeColorHandsTheMoveOverAndShowsTheChip();
    void ownTurnFollowsTheLocalColour();
    void twoWindowsKeepSeparateBoards();
};

void TestBoardModel::cellListsAndPatternsAreBuiltAsTheBoardDefinesThem()
{
    RulesRig rig;
    const char *expected[5][8] = {
        {},
        {"", "15,23,31,39", "8,16,24,32,40", "1,9,17,25,33,41", "2,10,18,26,34,42", "3,11,19,27,35", "4,12,20,28", ""},
        {"", "4,10,16,22", "5,11,17,23,29", "6,12,18,24,30,36", "7,13,19,25,31,37", "14,20,26,32,38", "21,27,33,39", ""},
        {"", "1,2,3,4,5,6,7", "8,9,10,11,12,13,14", "15,16,17,18,19,20,21", "22,23,24,25,26,27,28",
         "29,30,31,32,33,34,35", "36,37,38,39,40,41,42", ""},
        {"", "1,8,15,22,29,36", "2,9,16,23,30,37", "3,10,17,24,31,38", "4,11,18,25,32,39", "5,12,19,26,33,40",
         "6,13,20,27,34,41", "7,14,21,28,35,42"},
    };
    for (int g = 0; g <= 4; ++g)
        for (int n = 0; n <= 7; ++n)
            QCOMPARE(rig.st.CalcMatrix[g][n], QString::fromLatin1(expected[g][n] ? expected[g][n] : ""));

    // Every cell lies in its row and its column, and in no more than four lines.
    for (int cell = 1; cell <= 42; ++cell) {
        int lines = 0;
        for (int g = 1; g <= 4; ++g)
            for (int n = 1; n <= 7; ++n)
                lines += rig.st.CalcMatrix[g][n].split(QLatin1Char(',')).contains(QString::number(cell));
        QVERIFY(lines >= 2 && lines <= 4);
    }

    const char *patterns[5][3] = {{}, {"", "9911", "9922"}, {"", "1199", "2299"}, {"", "1119", "2229"}, {"", "9111", "9222"}};
    for (int k = 0; k <= 4; ++k)
        for (int p = 0; p <= 2; ++p)
            QCOMPARE(rig.st.Patterns[k][p], QString::fromLatin1(patterns[k][p] ? patterns[k][p] : ""));
}

void TestBoardModel::gameStartGivesOneNineForEveryCellOfEveryLine()
{
    RulesRig rig;
    QCOMPARE(rig.st.PlayMatrix[3][1], QStringLiteral("9999999"));
    QCOMPARE(rig.st.PlayMatrix[1][6], QStringLiteral("9999"));
    QCOMPARE(rig.st.PlayMatrix[2][7], QString());
    QCOMPARE(rig.st.PlayMatrix[1][7], QString());
    QCOMPARE(rig.st.PlayMatrix[3][7], QString());
}

void TestBoardModel::yellowChipInColumnFourChangesExactlyItsFourLines()
{
    RulesRig rig;
    const LineTable before = rig.st.PlayMatrix;
    rig.rules.SetChip(4, 2);
    QCOMPARE(rig.st.Tube[4], int16_t(1));
    QCOMPARE(rig.st.PlayMatrix[1][1], QStringLiteral("9992"));
    QCOMPARE(rig.st.PlayMatrix[2][6], QStringLiteral("9992"));
    QCOMPARE(rig.st.PlayMatrix[3][6], QStringLiteral("9992999"));
    QCOMPARE(rig.st.PlayMatrix[4][4], QStringLiteral("999992"));
    int changed = 0;
    for (int g = 0; g <= 4; ++g)
        for (int n = 0; n <= 7; ++n)
            changed += rig.st.PlayMatrix[g][n] != before[g][n];
    QCOMPARE(changed, 4);
    // Neither the count of moves nor the player nor the window is touched by a trial move.
    QCOMPARE(rig.st.MoveCount, int16_t(0));
    QCOMPARE(rig.st.CurrentPlayer, int16_t(0));
    QVERIFY(rig.ui.log.isEmpty());
}

void TestBoardModel::redChipInTheCornerChangesNoDownRightDiagonal()
{
    RulesRig rig;
    const LineTable before = rig.st.PlayMatrix;
    rig.rules.AdjustPlayMatrix(36, 1);
    QCOMPARE(rig.st.PlayMatrix[2][3], QStringLiteral("999991"));
    QCOMPARE(rig.st.PlayMatrix[3][6], QStringLiteral("1999999"));
    QCOMPARE(rig.st.PlayMatrix[4][1], QStringLiteral("999991"));
    for (int n = 1; n <= 7; ++n)
        QCOMPARE(rig.st.PlayMatrix[1][n], before[1][n]);
    // Cells that lie in no line leave every line string as it was.
    rig.rules.AdjustPlayMatrix(43, 1);
    rig.rules.AdjustPlayMatrix(-1, 1);
    rig.rules.AdjustPlayMatrix(1000, 2);
    QCOMPARE(rig.st.PlayMatrix[3][6], QStringLiteral("1999999"));
    QCOMPARE(rig.st.PlayMatrix[1][7], QString());
}

void TestBoardModel::trialMoveAndTakeBackRestoreTheModel()
{
    RulesRig rig;
    rig.drops({4, 4, 3, 5, 4}, 1);
    const GameState before = rig.st;
    rig.rules.SetChip(4, 1);
    QVERIFY(rig.st.PlayMatrix != before.PlayMatrix);
    rig.rules.ResetChip(4);
    QCOMPARE(rig.st.Tube, before.Tube);
    QVERIFY(rig.st.PlayMatrix == before.PlayMatrix);
    // A take-back removes the top chip whoever's it is.
    rig.rules.ResetChip(4);
    QCOMPARE(rig.st.Tube[4], int16_t(2));
    QCOMPARE(rig.st.PlayMatrix[4][4], QStringLiteral("999921"));
}

void TestBoardModel::trialMoveIntoFullColumnIsRefusedWithItsBox()
{
    ScriptedMsgBoxes boxes;
    RulesRig rig;
    rig.drops({2, 2, 2, 2, 2, 2}, 1);
    const GameState before = rig.st;
    rig.rules.SetChip(2, 1);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown()[0].prompt, QStringLiteral("FEHLER !!! Fillheight > 6 !"));
    QCOMPARE(boxes.shown()[0].style, int(platform::vbOKOnly));
    QCOMPARE(boxes.shown()[0].title, QStringLiteral("Ostrel"));
    QCOMPARE(rig.st.Tube, before.Tube);
    QVERIFY(rig.st.PlayMatrix == before.PlayMatrix);
}

void TestBoardModel::takeBackFromEmptyColumnIsRefusedWithItsBox()
{
    ScriptedMsgBoxes boxes;
    RulesRig rig;
    const LineTable before = rig.st.PlayMatrix;
    rig.rules.ResetChip(6);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown()[0].prompt, QStringLiteral("Fehler!!! - Fillheight < 0 !)"));
    QCOMPARE(boxes.shown()[0].style, int(platform::vbOKOnly));
    QCOMPARE(rig.st.Tube[6], int16_t(0));
    QVERIFY(rig.st.PlayMatrix == before);
}

void TestBoardModel::columnOutsideTheBoardShowsTheErrorBoxOfTheProcedure()
{
    ScriptedMsgBoxes boxes;
    boxes.answer(platform::vbAbort);
    RulesRig rig;
    rig.rules.SetChip(8, 1);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown()[0].title, QStringLiteral("Fehler in: (Ostrel) Sub SetChip"));
    QVERIFY(boxes.shown()[0].prompt.startsWith(QStringLiteral("Fehler-Nr: 9\r\n")));
    boxes.answer(platform::vbAbort);
    rig.rules.ResetChip(-1);
    QCOMPARE(boxes.shown()[1].title, QStringLiteral("Fehler in: (Ostrel) Sub ResetChip"));
    QCOMPARE(rig.st.Tube, (std::array<int16_t, 8>{}));
}

void TestBoardModel::changeColorHandsTheMoveOverAndShowsTheChip()
{
    RulesRig rig;
    rig.st.CurrentPlayer = 1;
    rig.rules.ChangeColor();
    QCOMPARE(rig.st.CurrentPlayer, int16_t(2));
    QCOMPARE(rig.ui.log, QStringList{QStringLiteral("ShowFloatingChip 2")});
    rig.rules.ChangeColor();
    QCOMPARE(rig.st.CurrentPlayer, int16_t(1));
    rig.st.CurrentPlayer = 0;
    rig.rules.ChangeColor();
    QCOMPARE(rig.st.CurrentPlayer, int16_t(1));
    QCOMPARE(rig.ui.log.last(), QStringLiteral("ShowFloatingChip 1"));
}

void TestBoardModel::ownTurnFollowsTheLocalColour()
{
    RulesRig rig;
    rig.st.CurrentPlayer = 1;
    QVERIFY(rig.rules.OwnTurn(true));
    QVERIFY(!rig.rules.OwnTurn(false));
    rig.st.CurrentPlayer = 2;
    QVERIFY(!rig.rules.OwnTurn(true));
    QVERIFY(rig.rules.OwnTurn(false));
}

void TestBoardModel::twoWindowsKeepSeparateBoards()
{
    RulesRig red;
    RulesRig yellow;
    red.rules.SetChip(1, 1);
    QCOMPARE(yellow.st.Tube[1], int16_t(0));
    QCOMPARE(yellow.st.PlayMatrix[3][6], QStringLiteral("9999999"));
    QCOMPARE(red.st.PlayMatrix[3][6], QStringLiteral("1999999"));
}

QTEST_MAIN(TestBoardModel)
#include "test_board_model.moc"
