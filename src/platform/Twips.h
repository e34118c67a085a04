#pragma once
// Window measures of the original are twips; this screen has 15 twips per pixel.
#include <QRect>

#include <cmath>

namespace platform {
constexpr int TwipsPerPixel = 15;
inline int twipsToPixels(double twips) { return static_cast<int>(std::lround(twips / TwipsPerPixel)); }
inline double pixelsToTwips(int pixels) { return static_cast<double>(pixels) * TwipsPerPixel; }
// A control's place given in twips, as pixels.
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}
} // namespace platform
