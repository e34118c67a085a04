// The play timer: the modes CheckTimer chooses, the thinking animation, the time control with
// its time-out, the winner blink kept by the spare cell, and the blinking draw text.
#include "WindowFixture.h"

class TestWindowTimer : public QObject {
    Q_OBJECT
private slots:
    void checkTimerChoosesTheModeForThePlayerToMove();
    void thinkingAnimationTurnsWithoutRepeatingTheEnds();
    void timeRunsOutOnTheHundredAndFirstTickAtLevelFive();
    void timeControlWithoutAGameDoesNothing();
    void winnerBlinkPhaseIsCarriedByTheSpareCell();
    void blinkStartsOneTickLaterWhenTheSpareCellIsStillEmpty();
    void drawTextBlinksBlueInTheCurrentLanguage();
    void pingTickDoesNothing();
    void realTimerStartsTheComputersMove();
};

namespace {
void winWithColumnOne(WindowFixture &f)
{
    for (int i = 0; i < 3; ++i) {
        f.dropWithKeys(1);
        f.dropWithKeys(2);
    }
    f.dropWithKeys(1);
}
} // namespace

void TestWindowTimer::checkTimerChoosesTheModeForThePlayerToMove()
{
    WindowFixture f;
    f.w->CheckTimer(); // no game: nothing
    QCOMPARE(f.s().TimerMode, QString());
    f.s().GameRunning = true;
    f.s().ComputerColor = 1;
    f.s().CurrentPlayer = 2;
    f.s().TimeLimitActive = true;
    f.w->CheckTimer();
    QCOMPARE(f.s().TimerMode, QString("TIMECONTROL"));
    QCOMPARE(testing::control<QTimer>(f.w.get(), "timPlayTimer")->interval(), 300);
    f.s().CurrentPlayer = 1;
    f.w->CheckTimer();
    QCOMPARE(f.s().TimerMode, QString("THINKING"));
    QCOMPARE(testing::control<QTimer>(f.w.get(), "timPlayTimer")->interval(), 400);
    QCOMPARE(gamewindow::OstrelProbe::AnimFrame(*f.w), int16_t(0));
    QCOMPARE(gamewindow::OstrelProbe::AnimStep(*f.w), int16_t(1));
    f.s().ComputerColor = 0;
    f.s().TimeLimitActive = false;
    f.w->CheckTimer();
    QCOMPARE(f.s().TimerMode, QString());
    QCOMPARE(testing::control<QTimer>(f.w.get(), "timPlayTimer")->interval(), 0);
    f.s().TimerMode = "SHOWWINNER";
    f.w->SetPlayTimerInterval(400);
    f.w->CheckTimer();
    QCOMPARE(f.s().TimerMode, QString("SHOWWINNER"));
    QCOMPARE(testing::control<QTimer>(f.w.get(), "timPlayTimer")->interval(), 400);
}

void TestWindowTimer::thinkingAnimationTurnsWithoutRepeatingTheEnds()
{
    WindowFixture f;
    f.s().TimerMode = "THINKING";
    f.s().ComputerThinking = true;
    QList<int> shown;
    for (int i = 0; i < 21; ++i) {
        f.w->timPlayTimer_Timer();
        int frame = -1;
        for (int k = 0; k <= 5; ++k)
            if (testing::control<PictureBox>(f.w.get(), "picChip", 0)->picture()
                == testing::control<PictureBox>(f.w.get(), "picAnim", k)->picture())
                frame = k;
        shown.append(frame);
    }
    QCOMPARE(shown, QList<int>({0, 1, 2, 3, 4, 5, 4, 3, 2, 1, 0, 2, 3, 4, 5, 4, 3, 2, 1, 0, 2}));
}

void TestWindowTimer::timeRunsOutOnTheHundredAndFirstTickAtLevelFive()
{
    WindowFixture f;
    testing::control<QAction>(f.w.get(), "menTimeLimit")->setChecked(true);
    f.w->menStartgame_Click();
    QCOMPARE(f.s().TimeLimitActive, true);
    QCOMPARE(f.s().PointsMode, true);
    f.w->timPlayTimer_Timer(); // the computer's move; then the human's clock runs
    QCOMPARE(f.s().TimerMode, QString("TIMECONTROL"));
    QCOMPARE(testing::control<QTimer>(f.w.get(), "timPlayTimer")->interval(), 300);
    QCOMPARE(f.status(), QString("Spielstufe 1 (Zug Spieler)"));
    f.s().Level = 5;
    f.sound.clear();
    for (int i = 0; i < 100; ++i)
        f.w->timPlayTimer_Timer();
    QCOMPARE(f.s().TimeLeft, 0.0);
    QCOMPARE(gamewindow::OstrelProbe::timeBarWidthTwips(*f.w), 0.0f);
    QCOMPARE(f.s().GameRunning, true);
    QVERIFY(testing::control<PictureBox>(f.w.get(), "TimeBar")->isVisibleTo(f.w.get()));
    f.w->timPlayTimer_Timer();
    QCOMPARE(f.s().GameRunning, false);
    QVERIFY(!testing::control<PictureBox>(f.w.get(), "TimeBar")->isVisibleTo(f.w.get()));
    QCOMPARE(f.s().TimerMode, QString());
    QCOMPARE(testing::control<QTimer>(f.w.get(), "timPlayTimer")->interval(), 0);
    QCOMPARE(f.status(), QString("Zeit abgelaufen ..."));
    QCOMPARE(f.sound.waited("TIMEOVER"), 1);
    // The lost game ends the series: the result panel says so.
    QCOMPARE(f.s().ResultShown, true);
    QVERIFY(testing::control<QLabel>(f.w.get(), "lblResult")->text().startsWith("Spiel beendet (Spielstufe 5) !"));
    QCOMPARE(f.s().Level, int16_t(0));
    QCOMPARE(f.sound.requests.last().name, QString("TIMEOVER"));
}

void TestWindowTimer::timeControlWithoutAGameDoesNothing()
{
    WindowFixture f;
    f.s().TimerMode = "TIMECONTROL";
    f.s().TimeLeft = 50;
    f.s().Level = 3;
    f.w->timPlayTimer_Timer();
    QCOMPARE(f.s().TimeLeft, 50.0);
    QCOMPARE(f.s().TimerMode, QString("TIMECONTROL"));
    // With a game the bar follows the time: 52.5 twips per percent.
    f.s().GameRunning = true;
    f.w->timPlayTimer_Timer();
    QCOMPARE(f.s().TimeLeft, 50.0 - 0.6);
    QCOMPARE(gamewindow::OstrelProbe::timeBarWidthTwips(*f.w), 5250.0f / 100.0f * 49.4f);
}

void TestWindowTimer::winnerBlinkPhaseIsCarriedByTheSpareCell()
{
    WindowFixture f(false);
    f.w->menStartgame_Click();
    winWithColumnOne(f);
    QCOMPARE(f.s().TimerMode, QString("SHOWWINNER"));
    QCOMPARE(f.textColor("lblStatus"), 0xFF);
    const int cells[] = {15, 22, 29, 36};
    for (int n : cells)
        QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", n)->picture(), f.moveChip(2));
    for (int tick = 1; tick <= 4; ++tick) {
        f.w->timPlayTimer_Timer();
        const gamewindow::Picture expected = tick % 2 ? f.empty() : f.moveChip(2);
        for (int n : cells)
            QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", n)->picture(), expected);
        QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 0)->picture(), expected);
    }
    QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", 37)->picture(),
             f.moveChip(5)); // not part of the line
}

void TestWindowTimer::blinkStartsOneTickLaterWhenTheSpareCellIsStillEmpty()
{
    WindowFixture f(false);
    f.w->menStartgame_Click();
    winWithColumnOne(f);
    f.w->timPlayTimer_Timer(); // the spare cell now shows the empty-cell store
    f.w->menStartgame_Click(); // yellow begins and wins the same way
    winWithColumnOne(f);
    QCOMPARE(f.s().CurrentPlayer, int16_t(2));
    f.w->timPlayTimer_Timer();
    for (int n : {15, 22, 29, 36})
        QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", n)->picture(), f.moveChip(5));
    f.w->timPlayTimer_Timer();
    for (int n : {15, 22, 29, 36})
        QCOMPARE(testing::control<PictureBox>(f.w.get(), "picPlaygrid", n)->picture(), f.empty());
}

void TestWindowTimer::drawTextBlinksBlueInTheCurrentLanguage()
{
    WindowFixture f(false);
    f.s().TimerMode = "SHOWDRAWN";
    testing::control<QLabel>(f.w.get(), "lblStatus")->setText(QString());
    f.w->timPlayTimer_Timer();
    QCOMPARE(f.status(), QString("Unentschieden!!!"));
    QCOMPARE(f.textColor("lblStatus"), 0xFF0000);
    f.w->timPlayTimer_Timer();
    QCOMPARE(f.status(), QString());
    f.s().English = true;
    f.w->timPlayTimer_Timer();
    QCOMPARE(f.status(), QString("Drawn!!!"));
    // The next game start turns the text light grey again.
    f.w->menStartgame_Click();
    QCOMPARE(f.textColor("lblStatus"), 0xC0C0C0);
}

void TestWindowTimer::pingTickDoesNothing()
{
    WindowFixture f(false);
    f.w->menStartgame_Click();
    const rules::GameState before = f.s();
    f.w->timPing_Timer();
    f.s().TimerMode = QString();
    f.w->timPlayTimer_Timer(); // an empty mode: nothing
    QCOMPARE(f.s().MoveCount, before.MoveCount);
    QCOMPARE(f.s().SelColumn, before.SelColumn);
}

void TestWindowTimer::realTimerStartsTheComputersMove()
{
    WindowFixture f;
    f.w->setPlayTimerRunsItself(true);
    f.w->menStartgame_Click();
    QCOMPARE(f.s().MoveCount, int16_t(0));
    QTRY_COMPARE_WITH_TIMEOUT(f.s().MoveCount, int16_t(1), 3000);
    QCOMPARE(f.s().CurrentPlayer, int16_t(2));
    QCOMPARE(testing::control<QTimer>(f.w.get(), "timPlayTimer")->interval(), 0);
}

QTEST_MAIN(TestWindowTimer)
#include "test_window_timer.moc"
