#pragma once
// The pictures of the board, 32 x 32 pixels each: the empty cell, the red and yellow chips, the
// fall frames, the frame pieces, the thinking frames and the two looks of the time bar. They are
// drawn here, so the program needs no picture files.
#include <QPixmap>

namespace gamewindow::pictures {

constexpr int Size = 32;

// An empty cell: a dark hole in the blue board.
QPixmap emptyCell();
// A chip of Player (1 red, 2 yellow) on a black ground.
QPixmap chip(int player);
// A cell with a falling chip of Player: stage 1 in the upper part of the hole, 2 filling it,
// 3 in the lower part.
QPixmap fallFrame(int player, int stage);
// The red chip turning from face-on (0) to edge-on (5), on a black ground.
QPixmap thinkingFrame(int stage);

enum class Border { Bottom, BottomLeft, BottomRight, Left, Right, TopLeft, TopRight, Top };
QPixmap borderPiece(Border kind);

// The time bar, 350 x 8 pixels: green while the time limit applies, grey otherwise.
QPixmap timeBar(bool enabled);

} // namespace gamewindow::pictures
