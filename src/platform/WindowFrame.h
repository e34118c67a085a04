#pragma once
// The outer size of a top-level window: its inside plus the frame that the window manager puts
// around it (borders and title bar). Sizes the game gives for a window are outer sizes, while
// Qt sizes the inside, so the inside is the outer size less the frame. The frame is known once
// a window manager has framed the window; before that, and on displays without one (offscreen),
// a usual desktop frame is assumed, and a window sized with setOuterHeight is sized again once
// the real frame turns out to differ.
#include <QMargins>
#include <QSize>

class QWidget;

namespace platform {

// What is assumed where the window manager's frame is not known: 4-pixel borders and a
// 19-pixel title bar above the top border.
constexpr QMargins AssumedFrame{4, 23, 4, 4};

// The frame around `window`: the window manager's, or AssumedFrame.
QMargins windowFrame(const QWidget *window);
// The window's inside plus its frame, in pixels.
QSize outerSize(const QWidget *window);
// Sizes the window so that its outer height is `outerHeight` pixels; the inside keeps its width.
void setOuterHeight(QWidget *window, int outerHeight);

} // namespace platform
