// Level and points of a series: points of won and drawn games, game over, the messages in both
// languages with grouped thousands.
#include "RulesFixture.h"
#include "common/ScriptedMsgBoxes.h"
#include "platform/AppTitle.h"
#include "platform/RuntimeError.h"

#include <QLocale>
#include <QTest>

using namespace rules;

namespace {
struct SeriesRig : RulesRig {
    SeriesRig()
    {
        st.PointsMode = true;
        st.ComputerColor = 1;
        st.English = true;
    }
};
} // namespace

class TestSeriesPoints : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        platform::setAppTitle(QStringLiteral("Ostrel"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void outsideASeriesNothingHappens();
    void humanWinEarnsTimeAndLevelPoints();
    void fractionOfThePointsIsDropped();
    void drawEarnsLevelPoints();
    void germanMessagesUseTheGermanSeparator();
    void computerWinEndsTheSeriesAfterTheHighScoreCheck();
    void timeOutIsALostGame();
    void highLevelsEarnPointsWithoutOverflow();
    void totalBeyondThirtyTwoBitsShowsTheOverflowBox();
    void raiseLevelCountsUpAndOverflowsAtTheTop();
    void groupingFollowsTheNumberSettings();
};

void TestSeriesPoints::outsideASeriesNothingHappens()
{
    for (int16_t winner : {int16_t(0), int16_t(1), int16_t(2), int16_t(-1)}) {
        RulesRig rig;
        rig.st.Level = 3;
        rig.st.TotalPoints = 500;
        rig.st.TimeLeft = 50;
        rig.st.CurrentPlayer = 2;
        rig.st.ComputerColor = 1;
        rig.rules.CheckWinners(winner);
        QCOMPARE(rig.st.Level, int16_t(3));
        QCOMPARE(rig.st.TotalPoints, 500);
        QVERIFY(rig.ui.log.isEmpty());
    }
}

void TestSeriesPoints::humanWinEarnsTimeAndLevelPoints()
{
    SeriesRig rig;
    rig.st.Level = 1;
    rig.st.TimeLeft = 62.4;
    rig.st.TotalPoints = 1000;
    rig.st.CurrentPlayer = 2;
    rig.rules.CheckWinners(2);
    QCOMPARE(rig.st.TotalPoints, 32700);
    QCOMPARE(rig.ui.log, (QStringList{QStringLiteral("ResultColor ffff"), QStringLiteral("ShowResultGame")}));
    QCOMPARE(rig.ui.resultText,
             QStringLiteral("This game results in 31,700 points! (Level 1)\r\nTotal points: 32,700 !!!"));
    QCOMPARE(rig.st.Level, int16_t(1));
}

void TestSeriesPoints::fractionOfThePointsIsDropped()
{
    SeriesRig rig;
    rig.st.Level = 3;
    rig.st.TimeLeft = 12.3456;
    rig.st.CurrentPlayer = 2;
    rig.rules.CheckWinners(2);
    QCOMPARE(rig.st.TotalPoints, 7672);
}

void TestSeriesPoints::drawEarnsLevelPoints()
{
    SeriesRig rig;
    rig.st.Level = 2;
    rig.st.TimeLeft = 80;
    rig.st.CurrentPlayer = 1; // the last mover; a draw is no lost game even when it was the computer
    rig.rules.CheckWinners(0);
    QCOMPARE(rig.st.TotalPoints, 1000);
    QCOMPARE(rig.ui.resultText, QStringLiteral("This game results in 1,000 points! (Level 2)\r\nTotal points: 1,000 !!!"));
}

void TestSeriesPoints::germanMessagesUseTheGermanSeparator()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    SeriesRig rig;
    rig.st.English = false;
    rig.st.Level = 1;
    rig.st.TimeLeft = 62.4;
    rig.st.TotalPoints = 1000000;
    rig.st.CurrentPlayer = 2;
    rig.rules.CheckWinners(2);
    QCOMPARE(rig.ui.resultText,
             QStringLiteral("Dieses Spiel ergab 31.700 Punkte! (Spielstufe 1)\r\nGesamtpunktzahl: 1.031.700 !!!"));
    rig.st.CurrentPlayer = 1;
    rig.rules.CheckWinners(1);
    QCOMPARE(rig.ui.resultText,
             QStringLiteral("Spiel beendet (Spielstufe 1) !\r\n\r\nSie haben 1.031.700 Punkte erreicht!"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestSeriesPoints::computerWinEndsTheSeriesAfterTheHighScoreCheck()
{
    SeriesRig rig;
    rig.st.Level = 4;
    rig.st.TotalPoints = 61234;
    rig.st.CurrentPlayer = 1;
    rig.rules.CheckWinners(1);
    QCOMPARE(rig.ui.log, (QStringList{QStringLiteral("ResultColor ff"), QStringLiteral("ShowResultGame"),
                                      QStringLiteral("CheckHighScore 4 61234")}));
    QCOMPARE(rig.ui.resultText, QStringLiteral("Game over (Level 4) !\r\n\r\nYou reached 61,234 points!"));
    QCOMPARE(rig.st.Level, int16_t(0));
    QCOMPARE(rig.st.TotalPoints, 0);
}

void TestSeriesPoints::timeOutIsALostGame()
{
    // After a time-out the human is still the player to move, yet the series ends.
    SeriesRig rig;
    rig.st.Level = 2;
    rig.st.TotalPoints = 37500;
    rig.st.CurrentPlayer = 2;
    rig.st.TimeLeft = -0.4;
    rig.rules.CheckWinners(-1);
    QCOMPARE(rig.ui.log, (QStringList{QStringLiteral("ResultColor ff"), QStringLiteral("ShowResultGame"),
                                      QStringLiteral("CheckHighScore 2 37500")}));
    QCOMPARE(rig.ui.resultText, QStringLiteral("Game over (Level 2) !\r\n\r\nYou reached 37,500 points!"));
    QCOMPARE(rig.st.Level, int16_t(0));
    QCOMPARE(rig.st.TotalPoints, 0);
}

void TestSeriesPoints::highLevelsEarnPointsWithoutOverflow()
{
    ScriptedMsgBoxes boxes;
    SeriesRig rig;
    rig.st.Level = 66;
    rig.st.CurrentPlayer = 2;
    rig.rules.CheckWinners(0);
    QCOMPARE(rig.st.TotalPoints, 33000);
    rig.st.Level = 32767;
    rig.st.TimeLeft = 100;
    rig.rules.CheckWinners(2);
    QCOMPARE(rig.st.TotalPoints, 33000 + 16433500);
    QCOMPARE(boxes.count(), 0);
}

void TestSeriesPoints::totalBeyondThirtyTwoBitsShowsTheOverflowBox()
{
    ScriptedMsgBoxes boxes;
    SeriesRig rig;
    rig.st.Level = 10;
    rig.st.TotalPoints = 2147480000;
    rig.st.CurrentPlayer = 2;
    rig.rules.CheckWinners(0);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown()[0].title, QStringLiteral("Fehler in: (Ostrel) Sub CheckWinners"));
    QCOMPARE(boxes.shown()[0].prompt, QStringLiteral("Fehler-Nr: 6\r\nFehler     : Overflow"));
    QCOMPARE(rig.st.TotalPoints, 2147480000);
}

void TestSeriesPoints::raiseLevelCountsUpAndOverflowsAtTheTop()
{
    RulesRig rig;
    rig.rules.RaiseLevel();
    QCOMPARE(rig.st.Level, int16_t(1));
    rig.st.Level = 32767;
    bool overflow = false;
    try {
        rig.rules.RaiseLevel();
    } catch (const platform::RuntimeError &e) {
        overflow = e.number() == platform::ErrOverflow;
    }
    QVERIFY(overflow);
    QCOMPARE(rig.st.Level, int16_t(32767));
}

void TestSeriesPoints::groupingFollowsTheNumberSettings()
{
    QCOMPARE(formatPoints(0), QStringLiteral("0"));
    QCOMPARE(formatPoints(999), QStringLiteral("999"));
    QCOMPARE(formatPoints(1000), QStringLiteral("1,000"));
    QCOMPARE(formatPoints(1234567), QStringLiteral("1,234,567"));
    QCOMPARE(formatPoints(2147483647), QStringLiteral("2,147,483,647"));
    QCOMPARE(formatPoints(-61234), QStringLiteral("-61,234"));
}

QTEST_MAIN(TestSeriesPoints)
#include "test_series_points.moc"
