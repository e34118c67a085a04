#include "pictures.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <functional>
#include <vector>

namespace assetgen {
namespace {

const QColor BoardLight(0x3a, 0x74, 0xf0);
const QColor Board(0x1c, 0x4f, 0xd8);
const QColor BoardDark(0x10, 0x32, 0x96);
const QColor Hole(0x05, 0x08, 0x18);
const QColor Ground(0, 0, 0);
constexpr double HoleR = 12.0;
constexpr double ChipR = 12.0;

struct ChipColours {
    QColor light, mid, dark, ring;
};
const ChipColours Red{QColor(0xff, 0x8a, 0x7a), QColor(0xd8, 0x14, 0x24), QColor(0x70, 0x00, 0x0c),
                      QColor(0xa0, 0x08, 0x14)};
const ChipColours Yellow{QColor(0xff, 0xfa, 0xc0), QColor(0xf6, 0xc8, 0x00), QColor(0x8a, 0x66, 0x00),
                         QColor(0xc0, 0x96, 0x00)};

QImage blank(int w, int h, QColor fill = Qt::transparent)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

// A chip seen face-on: shaded disc with a raised inner ring, centred at c.
void drawChip(QPainter &p, QPointF c, double r, const ChipColours &k, double squeeze = 1.0)
{
    p.save();
    p.translate(c);
    p.scale(squeeze, 1.0);
    QRadialGradient g(QPointF(-r * 0.35, -r * 0.4), r * 1.5);
    g.setColorAt(0.0, k.light);
    g.setColorAt(0.45, k.mid);
    g.setColorAt(1.0, k.dark);
    p.setPen(QPen(k.dark, 1.0));
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(k.ring, 1.6));
    p.drawEllipse(QPointF(0.4, 0.5), r * 0.62, r * 0.62);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
    p.drawEllipse(QPointF(-0.3, -0.3), r * 0.62, r * 0.62);
    p.restore();
}

// A blue board square with a round hole; `inHole` draws into the hole, clipped to it.
QImage cell(const std::function<void(QPainter &)> &inHole = {})
{
    QImage img = blank(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 32, 32);
    g.setColorAt(0, Board.lighter(108));
    g.setColorAt(1, Board.darker(108));
    p.fillRect(img.rect(), g);
    const QPointF c(16, 16);
    // Hole with a sunken rim: shadow on the upper left, light on the lower right.
    QRadialGradient hole(QPointF(18, 18), HoleR + 2);
    hole.setColorAt(0, Hole.lighter(180));
    hole.setColorAt(1, Hole);
    p.setPen(Qt::NoPen);
    p.setBrush(hole);
    p.drawEllipse(c, HoleR, HoleR);
    if (inHole) {
        QPainterPath clip;
        clip.addEllipse(c, HoleR, HoleR);
        p.save();
        p.setClipPath(clip);
        inHole(p);
        p.restore();
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(BoardDark, 1.6));
    p.drawArc(QRectF(c.x() - HoleR, c.y() - HoleR, 2 * HoleR, 2 * HoleR), 30 * 16, 180 * 16);
    p.setPen(QPen(BoardLight, 1.4));
    p.drawArc(QRectF(c.x() - HoleR, c.y() - HoleR, 2 * HoleR, 2 * HoleR), 210 * 16, 180 * 16);
    return img;
}

QImage fallFrame(const ChipColours &k, double dy)
{
    return cell([&](QPainter &p) { drawChip(p, QPointF(16, 16 + dy), ChipR, k); });
}

QImage chipOnGround(const ChipColours &k)
{
    QImage img = blank(32, 32, Ground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawChip(p, QPointF(16, 16), 13, k);
    return img;
}

// The red chip turning about its upright axis: 0 face-on .. 5 edge-on.
QImage animFrame(int i)
{
    QImage img = blank(32, 32, Ground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double angle = i * (M_PI / 2) / 5.0;
    const double squeeze = std::max(0.12, std::cos(angle));
    const double thick = 4.0 * std::sin(angle);
    // The chip's edge shows beside the face as it turns.
    p.setPen(Qt::NoPen);
    p.setBrush(Red.dark);
    p.drawEllipse(QPointF(16 + thick / 2, 16), 13 * squeeze + thick / 2, 13);
    drawChip(p, QPointF(16 - thick / 2, 16), 13, Red, squeeze);
    return img;
}

// Frame pieces: a blue rim next to the cells on black ground. `edges` says where the cells
// are (rim on that side of the piece); corners round the outer edge.
enum Side { Left = 1, Right = 2, Top = 4, Bottom = 8 };
constexpr double Rim = 11.0;

QImage border(int cellsAt)
{
    QImage img = blank(32, 32, Ground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF area(0, 0, 32, 32);
    if (cellsAt & Left)
        area.setLeft(0), area.setRight(Rim);
    if (cellsAt & Right)
        area.setLeft(32 - Rim), area.setRight(32);
    if (cellsAt & Top)
        area.setTop(0), area.setBottom(Rim);
    if (cellsAt & Bottom)
        area.setTop(32 - Rim), area.setBottom(32);
    QPainterPath path;
    const bool corner = (cellsAt & (Left | Right)) && (cellsAt & (Top | Bottom));
    if (corner) {
        // Quarter disc around the corner of the board that touches this piece.
        const QPointF centre((cellsAt & Right) ? 32 : 0, (cellsAt & Bottom) ? 32 : 0);
        path.addEllipse(centre, Rim, Rim);
        QPainterPath box;
        box.addRect(QRectF(0, 0, 32, 32));
        path = path.intersected(box);
    } else {
        path.addRect(area);
    }
    QLinearGradient g(area.topLeft(), (cellsAt & (Left | Right)) ? area.topRight() : area.bottomLeft());
    const bool towardsCellsGrowing = (cellsAt & (Right | Bottom)) != 0;
    g.setColorAt(towardsCellsGrowing ? 0 : 1, BoardLight);
    g.setColorAt(towardsCellsGrowing ? 1 : 0, Board);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(path);
    return img;
}

QImage timeBar(QColor top, QColor bottom)
{
    QImage img = blank(350, 12);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 12);
    g.setColorAt(0, top);
    g.setColorAt(0.45, bottom.lighter(115));
    g.setColorAt(1, bottom.darker(140));
    p.setPen(QPen(bottom.darker(200), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 349, 11), 5, 5);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.drawLine(QPointF(4, 2.5), QPointF(346, 2.5));
    return img;
}

QImage voiceBar(const ChipColours &k)
{
    QImage img = blank(408, 4);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 4);
    g.setColorAt(0, k.light);
    g.setColorAt(0.5, k.mid);
    g.setColorAt(1, k.dark);
    p.fillRect(img.rect(), g);
    p.setPen(k.dark.darker(150));
    p.drawRect(0, 0, 407, 3);
    return img;
}

void lettering(QPainter &p, const QRectF &box, const QString &text, int pixelSize, QColor fill)
{
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setBold(true);
    f.setPixelSize(pixelSize);
    p.setFont(f);
    p.setPen(QColor(0x90, 0x00, 0x10));
    p.drawText(box.translated(2, 2), Qt::AlignCenter, text);
    p.setPen(fill);
    p.drawText(box, Qt::AlignCenter, text);
}

// The wording of the title sits on a plain navy band, so that the English wording, a picture
// of its own, covers the German one without a seam.
const QColor Band(0x0c, 0x14, 0x3c);

QImage titleArt()
{
    QImage img = blank(478, 337, Ground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 337);
    sky.setColorAt(0, QColor(0x0c, 0x14, 0x3c));
    sky.setColorAt(1, QColor(0x02, 0x04, 0x10));
    p.fillRect(img.rect(), sky);
    p.fillRect(QRect(0, 0, 478, 46), Band);
    // Light rays behind the board.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        QPainterPath ray;
        const double a0 = i * M_PI / 6, a1 = a0 + M_PI / 18;
        ray.moveTo(300, 200);
        ray.lineTo(300 + 500 * std::cos(a0), 200 + 500 * std::sin(a0));
        ray.lineTo(300 + 500 * std::cos(a1), 200 + 500 * std::sin(a1));
        p.setBrush(QColor(0x30, 0x50, 0xc0, 40));
        p.drawPath(ray);
    }
    // A board of 7 x 6 cells, with a game in progress.
    const int cell = 34, bx = 130, by = 80;
    QRectF frame(bx - 10, by - 10, 7 * cell + 20, 6 * cell + 20);
    QLinearGradient fg(frame.topLeft(), frame.bottomRight());
    fg.setColorAt(0, BoardLight);
    fg.setColorAt(1, BoardDark);
    p.setBrush(fg);
    p.drawRoundedRect(frame, 14, 14);
    const char *rows[6] = {".......", ".......", "...Y...", "..RR...", "..YRY..", ".YRYRR."};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 7; ++c) {
            const QPointF centre(bx + c * cell + cell / 2.0, by + r * cell + cell / 2.0);
            p.setPen(Qt::NoPen);
            p.setBrush(Hole);
            p.drawEllipse(centre, 13, 13);
            if (rows[r][c] == 'R')
                drawChip(p, centre, 13, Red);
            else if (rows[r][c] == 'Y')
                drawChip(p, centre, 13, Yellow);
        }
    // The next red chip on its way into the middle column.
    drawChip(p, QPointF(bx + 3 * cell + cell / 2.0, by - 34), 14, Red);
    p.setPen(QPen(QColor(255, 255, 255, 120), 2, Qt::DashLine));
    p.drawLine(QPointF(bx + 3.5 * cell, by - 16), QPointF(bx + 3.5 * cell, by - 2));
    // A yellow chip rolling in from the left.
    drawChip(p, QPointF(62, 250), 20, Yellow);
    drawChip(p, QPointF(428, 282), 20, Red);
    return img;
}

QImage titleGerman()
{
    QImage img = titleArt();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    lettering(p, QRectF(4, 0, 157, 41), QStringLiteral("Vier in Reihe"), 20, QColor(0xff, 0xe0, 0x40));
    return img;
}

QImage titleEnglish()
{
    // It lies 8 pixels higher than the title picture. That strip is clear, so that the frame
    // lines the title window draws around the artwork show through it.
    QImage img = blank(157, 49, Band);
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRect(0, 0, 157, 8), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setRenderHint(QPainter::Antialiasing);
    lettering(p, QRectF(0, 8, 157, 41), QStringLiteral("Four in a Row"), 20, QColor(0xff, 0xe0, 0x40));
    return img;
}

QImage flagGerman()
{
    QImage img = blank(32, 32);
    QPainter p(&img);
    p.fillRect(QRect(0, 5, 32, 8), QColor(0, 0, 0));
    p.fillRect(QRect(0, 13, 32, 7), QColor(0xdd, 0x00, 0x00));
    p.fillRect(QRect(0, 20, 32, 7), QColor(0xff, 0xce, 0x00));
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(0, 5, 31, 21);
    return img;
}

QImage flagEnglish()
{
    QImage img = blank(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF f(0, 5, 32, 22);
    p.setClipRect(f);
    p.fillRect(f, QColor(0x01, 0x21, 0x69));
    const QColor white(255, 255, 255), red(0xc8, 0x10, 0x2e);
    p.setPen(QPen(white, 5));
    p.drawLine(f.topLeft(), f.bottomRight());
    p.drawLine(f.bottomLeft(), f.topRight());
    p.setPen(QPen(red, 1.6));
    p.drawLine(f.topLeft(), f.bottomRight());
    p.drawLine(f.bottomLeft(), f.topRight());
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(12.5, 5, 7, 22), white);
    p.fillRect(QRectF(0, 12.5, 32, 7), white);
    p.fillRect(QRectF(14, 5, 4, 22), red);
    p.fillRect(QRectF(0, 14, 32, 4), red);
    p.setClipping(false);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 5.5, 31, 21));
    return img;
}

// A corner of the board with two chips: the program's icon.
QImage infoIcon()
{
    QImage img = blank(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 32, 32);
    g.setColorAt(0, BoardLight);
    g.setColorAt(1, BoardDark);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, 32, 32), 5, 5);
    const QPointF c[4] = {{9, 9}, {23, 9}, {9, 23}, {23, 23}};
    for (const QPointF &x : c) {
        p.setBrush(Hole);
        p.drawEllipse(x, 6, 6);
    }
    drawChip(p, c[2], 6, Red);
    drawChip(p, c[3], 6, Yellow);
    drawChip(p, c[1], 6, Red);
    return img;
}

QImage infoBackground()
{
    QImage img = blank(440, 320, Ground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 320);
    g.setColorAt(0, QColor(0x14, 0x16, 0x26));
    g.setColorAt(1, QColor(0x06, 0x06, 0x0c));
    p.fillRect(img.rect(), g);
    // Faint rings like empty board holes.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x30, 0x40, 0x80, 60), 2));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 11; ++x)
            p.drawEllipse(QPointF(20 + x * 40, 20 + y * 40), 14, 14);
    return img;
}

struct Picture {
    QString name;
    QImage image;
};

std::vector<Picture> allPictures()
{
    std::vector<Picture> v;
    v.push_back({"cellEmpty", cell()});
    v.push_back({"cellRedEnter", fallFrame(Red, -12)});
    v.push_back({"cellRedFilled", fallFrame(Red, 0)});
    v.push_back({"cellRedLeave", fallFrame(Red, 12)});
    v.push_back({"cellYellowEnter", fallFrame(Yellow, -12)});
    v.push_back({"cellYellowFilled", fallFrame(Yellow, 0)});
    v.push_back({"cellYellowLeave", fallFrame(Yellow, 12)});
    v.push_back({"chipRed", chipOnGround(Red)});
    v.push_back({"chipYellow", chipOnGround(Yellow)});
    for (int i = 0; i < 6; ++i)
        v.push_back({QStringLiteral("anim%1").arg(i), animFrame(i)});
    v.push_back({"borderTopLeft", border(Right | Bottom)});
    v.push_back({"borderTop", border(Bottom)});
    v.push_back({"borderTopRight", border(Left | Bottom)});
    v.push_back({"borderLeft", border(Right)});
    v.push_back({"borderRight", border(Left)});
    v.push_back({"borderBottomLeft", border(Right | Top)});
    v.push_back({"borderBottom", border(Top)});
    v.push_back({"borderBottomRight", border(Left | Top)});
    v.push_back({"timeBarEnabled", timeBar(QColor(0xb0, 0xff, 0xa0), QColor(0x20, 0xa8, 0x30))});
    v.push_back({"timeBarDisabled", timeBar(QColor(0xe8, 0xe8, 0xe8), QColor(0x90, 0x90, 0x90))});
    v.push_back({"titleGerman", titleGerman()});
    v.push_back({"titleEnglish", titleEnglish()});
    v.push_back({"flagEnglish", flagEnglish()});
    v.push_back({"flagGerman", flagGerman()});
    v.push_back({"infoIcon", infoIcon()});
    v.push_back({"infoBackground", infoBackground()});
    v.push_back({"voiceBarRed", voiceBar(Red)});
    v.push_back({"voiceBarYellow", voiceBar(Yellow)});
    return v;
}

// All pictures on grey, each with its name; below them a small board put together from the
// pieces as the window places them, to check that they fit.
QImage contactSheet(const std::vector<Picture> &pics)
{
    QImage sheet = blank(1100, 1400, QColor(0x80, 0x80, 0x80));
    QPainter p(&sheet);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(10);
    p.setFont(f);
    int x = 10, y = 10, rowH = 0;
    for (const Picture &pic : pics) {
        const QSize s = pic.image.size() * (pic.image.width() <= 32 ? 2 : 1);
        const int w = std::max(s.width(), 100);
        if (x + w > sheet.width() - 10) {
            x = 10;
            y += rowH + 22;
            rowH = 0;
        }
        p.drawImage(QRect(QPoint(x, y), s), pic.image);
        p.setPen(Qt::black);
        p.drawText(QPoint(x, y + s.height() + 12), pic.name);
        x += w + 12;
        rowH = std::max(rowH, s.height());
    }
    y += rowH + 30;
    auto find = [&](const QString &n) -> const QImage & {
        for (const Picture &pic : pics)
            if (pic.name == n)
                return pic.image;
        return pics.front().image;
    };
    // Board: frame row 0 at the top, cells rows 1..6, frame row 7; columns 0 and 8 the frame.
    const char *game[6] = {".......", ".......", "...y...", "..rr...", "..yry..", ".yryrr."};
    const int ox = 10, oy = y + 40;
    p.fillRect(QRect(ox, y, 9 * 32, 9 * 32), Qt::black);
    p.drawImage(QPoint(ox + 4 * 32, y + 8), find("chipRed"));
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 9; ++c) {
            QString n;
            if (r == 0)
                n = c == 0 ? "borderTopLeft" : c == 8 ? "borderTopRight" : "borderTop";
            else if (r == 7)
                n = c == 0 ? "borderBottomLeft" : c == 8 ? "borderBottomRight" : "borderBottom";
            else if (c == 0)
                n = "borderLeft";
            else if (c == 8)
                n = "borderRight";
            else {
                const char k = game[r - 1][c - 1];
                n = k == 'r' ? "cellRedFilled" : k == 'y' ? "cellYellowFilled" : "cellEmpty";
                if (r == 2 && c == 4)
                    n = "cellYellowEnter";
            }
            p.drawImage(QPoint(ox + c * 32, oy + r * 32), find(n));
        }
    p.drawImage(QPoint(ox + 320, y), find("titleGerman"));
    p.drawImage(QPoint(ox + 320 + 478 + 20, y), find("titleGerman"));
    p.drawImage(QPoint(ox + 320 + 478 + 20 + 4, y - 8), find("titleEnglish"));
    return sheet;
}

// The program's icon: the game's red chip on a transparent ground, drawn afresh at each size
// so that the small ones stay sharp.
QImage programIcon(int size)
{
    QImage img = blank(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    drawChip(p, QPointF(16, 16), 15, Red);
    return img;
}

} // namespace

bool writeIcons(const QString &folder)
{
    bool ok = true;
    for (int size : IconSizes)
        ok = programIcon(size).save(QStringLiteral("%1/ostrel-%2.png").arg(folder).arg(size), "PNG") && ok;
    return ok;
}

bool writePictures(const QString &folder, const QString &sheetPath)
{
    const std::vector<Picture> pics = allPictures();
    bool ok = true;
    for (const Picture &pic : pics)
        ok = pic.image.save(folder + "/" + pic.name + ".png", "PNG") && ok;
    return contactSheet(pics).save(sheetPath, "PNG") && ok;
}

} // namespace assetgen
