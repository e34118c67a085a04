#pragma once
// Window measures of the original are twips; this screen has 15 twips per pixel.
#include <cmath>

namespace platform {
constexpr int TwipsPerPixel = 15;
inline int twipsToPixels(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixel)); }
inline double pixelsToTwips(int pixels) { return static_cast<double>(pixels) * TwipsPerPixel; }
} // namespace platform
