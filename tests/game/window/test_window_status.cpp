// The status line: each of its rules in both languages, and the time-out's hand-over of the
// lost game to the series.
#include "WindowFixture.h"

class TestWindowStatus : public QObject {
    Q_OBJECT
private slots:
    void everyTextInBothLanguages_data();
    void everyTextInBothLanguages();
    void timeOutIsHandedToTheSeriesOnEveryRebuild();
    void networkWinIsNotifiedOnEveryRebuild();
};

void TestWindowStatus::everyTextInBothLanguages_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("onePlayer");
    QTest::addColumn<int>("computer");
    QTest::addColumn<int>("player");
    QTest::addColumn<double>("timeLeft");
    QTest::addColumn<QString>("winCells");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("points");
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("text");

    const bool E = true, G = false;
    QTest::newRow("before the first game") << E << true << 0 << 0 << 0.0 << "" << false << false << 0 << "F2 - new game!";
    QTest::newRow("vor dem ersten Spiel") << G << true << 0 << 0 << 0.0 << "" << false << false << 0 << "F2 - für neues Spiel!";
    QTest::newRow("time out") << E << true << 1 << 2 << -0.5 << "" << false << false << 3 << "Time out ...";
    QTest::newRow("Zeit abgelaufen") << G << true << 1 << 2 << 0.0 << "" << true << false << 3 << "Zeit abgelaufen ...";
    QTest::newRow("computer won") << E << true << 1 << 1 << 50.0 << "1,2,3,4," << false << false << 1 << "Computer has won!!!";
    QTest::newRow("Spieler gewann") << G << true << 1 << 2 << 50.0 << "1,2,3,4," << false << false << 1 << "Spieler hat gewonnen!!!";
    QTest::newRow("player won") << E << true << 1 << 2 << 50.0 << "1,2,3,4," << false << false << 1 << "Player has won!!!";
    QTest::newRow("red won") << E << false << 0 << 1 << 100.0 << "1,2,3,4," << false << false << 1 << "Red has won!!!";
    QTest::newRow("Gelb gewann") << G << false << 0 << 2 << 100.0 << "1,2,3,4," << false << false << 1 << "Gelb hat gewonnen!!!";
    QTest::newRow("no computer, no time: not a time-out") << E << false << 0 << 2 << 0.0 << "" << false << false << 1 << "F2 - new game!";
    QTest::newRow("two players, red") << E << false << 0 << 1 << 100.0 << "" << true << false << 1 << "Player:Player (move Red)";
    QTest::newRow("zwei Spieler, gelb") << G << false << 0 << 2 << 100.0 << "" << true << false << 1 << "Spieler:Spieler (Zug Gelb)";
    QTest::newRow("zwei Spieler, rot") << G << false << 0 << 1 << 100.0 << "" << true << false << 1 << "Spieler:Spieler (Zug Rot)";
    QTest::newRow("two players, yellow") << E << false << 0 << 2 << 100.0 << "" << true << false << 1 << "Player:Player (move Yellow)";
    QTest::newRow("level, computer") << E << true << 1 << 1 << 100.0 << "" << true << true << 3 << "Level 3 (move Computer)";
    QTest::newRow("Spielstufe 12") << G << true << 1 << 2 << 100.0 << "" << true << true << 12 << "Spielstufe 12 (Zug Spieler)";
    QTest::newRow("no series, player") << E << true << 1 << 2 << 100.0 << "" << true << false << 1 << "Pl. : Com.  (move Player)";
    QTest::newRow("ohne Serie, Spieler") << G << true << 1 << 2 << 100.0 << "" << true << false << 1 << "Sp. : Com.  (Zug Spieler)";
    QTest::newRow("ohne Serie, Computer") << G << true << 1 << 1 << 100.0 << "" << true << false << 1 << "Sp. : Com.  (Zug Computer)";
}

void TestWindowStatus::everyTextInBothLanguages()
{
    QFETCH(bool, english);
    QFETCH(bool, onePlayer);
    QFETCH(int, computer);
    QFETCH(int, player);
    QFETCH(double, timeLeft);
    QFETCH(QString, winCells);
    QFETCH(bool, running);
    QFETCH(bool, points);
    QFETCH(int, level);
    QFETCH(QString, text);
    WindowFixture f(onePlayer);
    f.s().English = english;
    f.s().ComputerColor = int16_t(computer);
    f.s().CurrentPlayer = int16_t(player);
    f.s().TimeLeft = timeLeft;
    f.s().WinCells = winCells;
    f.s().GameRunning = running;
    f.s().PointsMode = points;
    f.s().Level = int16_t(level);
    f.w->adjuststatuslbl();
    QCOMPARE(f.status(), text);
}

void TestWindowStatus::timeOutIsHandedToTheSeriesOnEveryRebuild()
{
    WindowFixture f;
    f.s().English = true;
    f.s().ComputerColor = 1;
    f.s().CurrentPlayer = 2;
    f.s().TimeLeft = -0.2;
    f.s().PointsMode = true;
    f.s().Level = 2;
    f.s().TotalPoints = 1500;
    f.w->adjuststatuslbl();
    QCOMPARE(f.status(), QString("Time out ..."));
    QCOMPARE(f.s().ResultShown, true);
    QCOMPARE(testing::control<QLabel>(f.w.get(), "lblResult")->text(),
             QString("Game over (Level 2) !\r\n\r\nYou reached 1,500 points!"));
    QCOMPARE(f.textColor("lblResult"), 0xFF);
    QCOMPARE(f.s().TotalPoints, 0);
    // The next rebuild hands it over again (the series is over: level 0 now).
    f.sound.clear();
    f.w->adjuststatuslbl();
    QCOMPARE(f.sound.count("RESOPEN"), 14);
    QVERIFY(testing::control<QLabel>(f.w.get(), "lblResult")->text().startsWith("Game over (Level 0)"));
}

void TestWindowStatus::networkWinIsNotifiedOnEveryRebuild()
{
    WindowFixture f(false);
    f.n().NetworkGame = true;
    f.s().CurrentPlayer = 2;
    f.s().WinCells = "3,4,5,6,";
    f.w->adjuststatuslbl();
    f.w->adjuststatuslbl();
    QCOMPARE(f.w->notified, QList<int>({2, 2}));
    QCOMPARE(f.status(), QString("Gelb hat gewonnen!!!"));
}

QTEST_MAIN(TestWindowStatus)
#include "test_window_status.moc"
