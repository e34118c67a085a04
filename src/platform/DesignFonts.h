#pragma once
// The fonts the windows were laid out for. Their texts were measured in a small sans-serif of
// Arial's widths at 8 points, and the titles name Times New Roman. fontconfig maps these names
// to the metric-compatible Liberation fonts where they are installed (Debian's fonts-liberation),
// so the texts keep the widths the layouts expect. Without them fontconfig would pick the
// desktop's default sans-serif, which is much wider; a condensed face stands in then, so the
// layouts still fit.
#include <QFont>

namespace platform {

// The font every control uses unless it sets its own.
QFont designFont();
// Makes designFont the application's default font; call once, before the first window.
void useDesignFonts();

} // namespace platform
