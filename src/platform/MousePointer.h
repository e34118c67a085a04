#pragma once
// The screen-wide mouse pointer of the form runtime: 0 the default arrow, 11 the hourglass.
// It shows over every window of the program until it is set back.
namespace platform {
enum MousePointerShape : int { vbDefault = 0, vbHourglass = 11 };
void setMousePointer(int shape);
int mousePointer();
} // namespace platform
