#include "game/window/BoardPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace gamewindow::pictures {

namespace {
const QColor kBoard(0x18, 0x3c, 0xc8);
const QColor kBoardLight(0x60, 0x88, 0xff);
const QColor kBoardDark(0x08, 0x18, 0x70);
const QColor kHole(0x06, 0x08, 0x24);

QColor chipColor(int player) { return player == 1 ? QColor(0xe0, 0x18, 0x18) : QColor(0xf0, 0xd8, 0x10); }
QColor chipLight(int player) { return player == 1 ? QColor(0xff, 0x90, 0x80) : QColor(0xff, 0xff, 0xb0); }
QColor chipDark(int player) { return player == 1 ? QColor(0x70, 0x00, 0x00) : QColor(0x80, 0x60, 0x00); }

QPixmap blank(const QColor &ground)
{
    QPixmap pixmap(Size, Size);
    pixmap.fill(ground);
    return pixmap;
}

void drawBoardPlate(QPainter &p)
{
    p.fillRect(0, 0, Size, Size, kBoard);
    p.setPen(kBoardLight);
    p.drawLine(0, 0, Size - 1, 0);
    p.drawLine(0, 0, 0, Size - 1);
    p.setPen(kBoardDark);
    p.drawLine(Size - 1, 1, Size - 1, Size - 1);
    p.drawLine(1, Size - 1, Size - 1, Size - 1);
}

// A chip of radius r centred at (cx, cy), with a shine and a rim.
void drawChip(QPainter &p, int player, double cx, double cy, double rx, double ry)
{
    QRadialGradient shine(cx - rx / 3, cy - ry / 3, std::max(rx, ry) * 1.4);
    shine.setColorAt(0, chipLight(player));
    shine.setColorAt(0.45, chipColor(player));
    shine.setColorAt(1, chipDark(player));
    p.setPen(QPen(chipDark(player), 1));
    p.setBrush(shine);
    p.drawEllipse(QPointF(cx, cy), rx, ry);
    if (rx > 4 && ry > 4) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(chipDark(player), 1.2));
        p.drawEllipse(QPointF(cx, cy), rx * 0.62, ry * 0.62);
    }
}

QPixmap cellWithChip(int player, double offset)
{
    QPixmap pixmap = blank(kBoard);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawBoardPlate(p);
    QPainterPath hole;
    hole.addEllipse(QPointF(16, 16), 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(kHole);
    p.drawPath(hole);
    if (player > 0) {
        p.setClipPath(hole);
        drawChip(p, player, 16, 16 + offset, 12.5, 12.5);
        p.setClipping(false);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBoardDark, 1.5));
    p.drawEllipse(QPointF(16, 16), 13, 13);
    return pixmap;
}
} // namespace

QPixmap emptyCell() { return cellWithChip(0, 0); }

QPixmap chip(int player)
{
    QPixmap pixmap = blank(Qt::black);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawChip(p, player, 16, 16, 14, 14);
    return pixmap;
}

QPixmap fallFrame(int player, int stage)
{
    const double offset = stage == 1 ? -14 : stage == 3 ? 14 : 0;
    return cellWithChip(player, offset);
}

QPixmap thinkingFrame(int stage)
{
    QPixmap pixmap = blank(Qt::black);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double turn = std::cos(stage * M_PI / 10.0);
    drawChip(p, 1, 16, 16, std::max(1.5, 14 * turn), 14);
    return pixmap;
}

QPixmap borderPiece(Border kind)
{
    QPixmap pixmap = blank(Qt::black);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient metal(0, 0, Size, Size);
    metal.setColorAt(0, kBoardLight);
    metal.setColorAt(1, kBoardDark);
    p.setPen(Qt::NoPen);
    p.setBrush(metal);
    // Each piece is the band of the frame that lies on its side of the board.
    const int band = 12;
    switch (kind) {
    case Border::Bottom: p.drawRect(0, 0, Size, band); break;
    case Border::Left: p.drawRect(Size - band, 0, band, Size); break;
    case Border::Right: p.drawRect(0, 0, band, Size); break;
    case Border::Top: p.drawRect(0, Size - band, Size, band); break;
    case Border::BottomLeft: p.drawRect(Size - band, 0, band, band); break;
    case Border::BottomRight: p.drawRect(0, 0, band, band); break;
    case Border::TopLeft: p.drawRect(Size - band, Size - band, band, band); break;
    case Border::TopRight: p.drawRect(0, Size - band, band, band); break;
    }
    if (kind == Border::Top) {
        // A small notch shows where the chip goes in.
        p.setBrush(kHole);
        p.drawRoundedRect(QRectF(9, Size - band + 4, 14, 4), 2, 2);
    }
    return pixmap;
}

QPixmap timeBar(bool enabled)
{
    QPixmap pixmap(350, 8);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, 0, 8);
    if (enabled) {
        g.setColorAt(0, QColor(0xa0, 0xff, 0xa0));
        g.setColorAt(0.5, QColor(0x20, 0xc0, 0x20));
        g.setColorAt(1, QColor(0x00, 0x50, 0x00));
    } else {
        g.setColorAt(0, QColor(0xd0, 0xd0, 0xd0));
        g.setColorAt(0.5, QColor(0x80, 0x80, 0x80));
        g.setColorAt(1, QColor(0x40, 0x40, 0x40));
    }
    p.fillRect(pixmap.rect(), g);
    return pixmap;
}

} // namespace gamewindow::pictures
