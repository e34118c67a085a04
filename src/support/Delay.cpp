#include "support/Delay.h"

#include "platform/ErrorGuard.h"
#include "platform/Yield.h"

#include <QElapsedTimer>
#include <QTime>
#include <algorithm>
#include <cmath>

namespace support {

namespace {
constexpr double SecondsPerDay = 86400.0;

class SystemDelayClock : public DelayClock {
public:
    // The wall clock is read once; from then on the time of day counts on with a steady clock,
    // so that a change to summer time or a clock set back cannot stretch a wait by hours.
    double timeOfDay() override
    {
        static const double startOfDay = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
        static const QElapsedTimer sinceStart = [] {
            QElapsedTimer timer;
            timer.start();
            return timer;
        }();
        return std::fmod(startOfDay + sinceStart.nsecsElapsed() / 1e9, SecondsPerDay);
    }
    void waitForEvents(int maxMilliseconds) override { platform::waitForEvents(maxMilliseconds); }
    void doEvents() override { platform::doEvents(); }
};
} // namespace

DelayClock &systemDelayClock()
{
    static SystemDelayClock clock;
    return clock;
}

void Delay(int16_t seconds) { Delay(seconds, systemDelayClock()); }

void Delay(int16_t seconds, DelayClock &clock)
{
    platform::guardedSub(QStringLiteral("Delay"), [&](platform::Step &step) {
        double start = 0;
        double last = 0;
        step([&] {
            last = clock.timeOfDay();
            start = std::nearbyint(last); // the default rounding mode rounds a half to even
        });
        const double end = start + seconds;
        double dayOffset = 0; // added once per midnight passed, so the comparison keeps counting up
        for (;;) {
            const double now = clock.timeOfDay();
            if (now < last - SecondsPerDay / 2) // the clock went past midnight
                dayOffset += SecondsPerDay;
            last = now;
            const double remaining = end - (now + dayOffset);
            if (remaining <= 0)
                return;
            // Sleep in the first yield until an event comes or the wait is over, so that the
            // wait costs next to no processor time.
            clock.waitForEvents(std::clamp(static_cast<int>(std::ceil(remaining * 1000.0)), 1, 50));
            clock.doEvents();
            clock.doEvents();
        }
    });
}

} // namespace support
