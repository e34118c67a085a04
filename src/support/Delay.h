#pragma once
// Waiting a number of seconds while the message loop keeps running: timers, clicks, key
// presses and socket events are handled inside the wait.
#include <cstdint>

namespace support {

// Where the wait reads the time of day and how it sleeps; tests supply their own.
class DelayClock {
public:
    virtual ~DelayClock() = default;
    virtual double timeOfDay() = 0;                // seconds since midnight, with fractions
    virtual void waitForEvents(int maxMilliseconds) = 0; // first of the three yields of a check
    virtual void doEvents() = 0;                   // the other two yields
};

DelayClock &systemDelayClock();

// Waits until the time of day reaches its start rounded to the whole second (half to even)
// plus `seconds`; so the wait lasts between seconds - 0.5 and seconds + 0.5. Ends across midnight.
void Delay(int16_t seconds);
void Delay(int16_t seconds, DelayClock &clock);

} // namespace support
