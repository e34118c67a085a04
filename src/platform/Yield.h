#pragma once
// Yielding to the message loop: timers, clicks, key presses and socket events are handled
// inside the call, so handlers may run inside other handlers.
namespace platform {
// Handles every pending event and returns at once.
void doEvents();
// Sleeps until at least one event arrives or the time is up, handles what came, and returns.
// Waiting loops use it so that they do not spin the processor.
void waitForEvents(int maxMilliseconds);
} // namespace platform
