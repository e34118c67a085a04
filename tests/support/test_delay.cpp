// Waiting while the message loop runs: rounding of the start, midnight, and a real wait
// that lets a timer fire without burning the processor.
#include "common/ScriptedMsgBoxes.h"
#include "platform/RuntimeError.h"
#include "platform/Yield.h"
#include "support/Delay.h"

#include <QMouseEvent>
#include <QWidget>

#include <QElapsedTimer>
#include <QTest>
#include <QTime>
#include <QTimer>
#include <cmath>
#include <ctime>

using namespace support;

namespace {
// A clock that moves on by the time each sleep asks for.
class FakeClock : public DelayClock {
public:
    explicit FakeClock(double start) : now(start) {}
    double timeOfDay() override { return now; }
    void waitForEvents(int ms) override
    {
        ++sleeps;
        now += ms / 1000.0;
        if (now >= 86400.0)
            now -= 86400.0;
    }
    void doEvents() override { ++yields; }
    double now;
    int sleeps = 0;
    int yields = 0;
};
// Real yields to the message loop, with a time of day that moves on 10 ms per reading.
class SteppingClock : public DelayClock {
public:
    double timeOfDay() override { return now += 0.01; }
    void waitForEvents(int) override { platform::waitForEvents(1); }
    void doEvents() override { platform::doEvents(); }
    double now = 200.0;
};

class ClickTarget : public QWidget {
public:
    int clicks = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++clicks; }
};
} // namespace

class TestDelay : public QObject {
    Q_OBJECT
private slots:
    void startIsRoundedDown();
    void startIsRoundedUp();
    void halfSecondRoundsToEven();
    void yieldsThreeTimesPerCheck();
    void zeroSecondsReturnsWithinHalfASecond();
    void waitEndsAcrossMidnight();
    void queuedTimerFiresInsideTheWaitUsingLittleProcessor();
    void clickIsHandledBeforeTheWaitReturns();
    void systemTimeOfDayFollowsTheClockAndNeverGoesBack();
    void errorInTheWaitShowsTheBoxOfSubDelay();
};

void TestDelay::startIsRoundedDown()
{
    FakeClock clock(100.4);
    Delay(3, clock);
    QVERIFY(clock.now >= 103.0 && clock.now < 103.06);
}

void TestDelay::startIsRoundedUp()
{
    FakeClock clock(100.6);
    Delay(3, clock);
    QVERIFY(clock.now >= 104.0 && clock.now < 104.06);
}

void TestDelay::halfSecondRoundsToEven()
{
    FakeClock even(100.5);
    Delay(1, even);
    QVERIFY(even.now >= 101.0 && even.now < 101.06);
    FakeClock odd(101.5);
    Delay(1, odd);
    QVERIFY(odd.now >= 103.0 && odd.now < 103.06);
}

void TestDelay::yieldsThreeTimesPerCheck()
{
    FakeClock clock(10.0);
    Delay(1, clock);
    QVERIFY(clock.sleeps > 0);
    QCOMPARE(clock.yields, 2 * clock.sleeps);
}

void TestDelay::zeroSecondsReturnsWithinHalfASecond()
{
    FakeClock now(50.2);
    Delay(0, now);
    QCOMPARE(now.sleeps, 0);
    FakeClock later(50.7);
    Delay(0, later);
    QVERIFY(later.now >= 51.0 && later.now < 51.06);
}

void TestDelay::waitEndsAcrossMidnight()
{
    FakeClock clock(86399.0);
    Delay(3, clock);
    QVERIFY(clock.now >= 2.0 && clock.now < 2.06);
}

void TestDelay::queuedTimerFiresInsideTheWaitUsingLittleProcessor()
{
    bool fired = false;
    QTimer::singleShot(50, [&] { fired = true; });
    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpuStart = std::clock();
    Delay(2);
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double wallSeconds = wall.elapsed() / 1000.0;
    QVERIFY(fired);
    QVERIFY(wallSeconds >= 1.45 && wallSeconds <= 2.6);
    QVERIFY2(cpuSeconds < 0.05 * wallSeconds, qPrintable(QString::number(cpuSeconds)));
}

void TestDelay::clickIsHandledBeforeTheWaitReturns()
{
    ClickTarget board;
    board.resize(100, 100);
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    const QPointF at(50, 50);
    QCoreApplication::postEvent(&board, new QMouseEvent(QEvent::MouseButtonPress, at, board.mapToGlobal(at),
                                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    SteppingClock clock;
    Delay(1, clock);
    QCOMPARE(board.clicks, 1);
}

void TestDelay::systemTimeOfDayFollowsTheClockAndNeverGoesBack()
{
    DelayClock &clock = systemDelayClock();
    const double first = clock.timeOfDay();
    const double wall = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    double apart = std::abs(first - wall);
    apart = std::min(apart, 86400.0 - apart); // either side of midnight
    QVERIFY2(apart < 1.0, qPrintable(QString::number(apart)));
    double last = first;
    for (int i = 0; i < 1000; ++i) {
        const double now = clock.timeOfDay();
        QVERIFY(now >= last || last - now > 86000.0);
        last = now;
    }
}

void TestDelay::errorInTheWaitShowsTheBoxOfSubDelay()
{
    // A time of day that cannot be read once: the box names the procedure; Ignore goes on and returns.
    class FailingOnce : public FakeClock {
    public:
        using FakeClock::FakeClock;
        double timeOfDay() override
        {
            if (!failed) {
                failed = true;
                platform::raiseError(platform::ErrOverflow);
            }
            return FakeClock::timeOfDay();
        }
        bool failed = false;
    };
    ScriptedMsgBoxes boxes;
    boxes.answer(platform::vbIgnore);
    FailingOnce clock(100.0);
    Delay(2, clock);
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.shown().first().title, QStringLiteral("Fehler in: (Ostrel) Sub Delay"));
    QCOMPARE(boxes.shown().first().prompt, QStringLiteral("Fehler-Nr: 6\r\nFehler     : Overflow"));
}

QTEST_MAIN(TestDelay)
#include "test_delay.moc"
