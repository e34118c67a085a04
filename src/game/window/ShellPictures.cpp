#include "game/window/ShellPictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>

namespace gamewindow {

namespace {
QPixmap flag(bool uk)
{
    QPixmap pm(32, 32);
    QPainter p(&pm);
    if (uk) {
        p.fillRect(pm.rect(), QColor(0x01, 0x21, 0x69));
        p.setPen(QPen(Qt::white, 6));
        p.drawLine(0, 0, 32, 32);
        p.drawLine(32, 0, 0, 32);
        p.setPen(QPen(QColor(0xC8, 0x10, 0x2E), 2));
        p.drawLine(0, 0, 32, 32);
        p.drawLine(32, 0, 0, 32);
        p.fillRect(12, 0, 8, 32, Qt::white);
        p.fillRect(0, 12, 32, 8, Qt::white);
        p.fillRect(14, 0, 4, 32, QColor(0xC8, 0x10, 0x2E));
        p.fillRect(0, 14, 32, 4, QColor(0xC8, 0x10, 0x2E));
    } else {
        p.fillRect(0, 0, 32, 11, Qt::black);
        p.fillRect(0, 11, 32, 11, QColor(0xDD, 0, 0));
        p.fillRect(0, 22, 32, 10, QColor(0xFF, 0xCE, 0));
    }
    return pm;
}

void drawChips(QPainter &p, const QRect &area)
{
    const int cell = area.width() / 7;
    for (int c = 0; c < 7; ++c)
        for (int r = 0; r < 6; ++r) {
            const bool red = (c * 3 + r * 5) % 4 == 0;
            const bool yellow = (c + r * 2) % 5 == 1;
            if (!red && !yellow)
                continue;
            p.setBrush(red ? QColor(0xE0, 0x20, 0x20) : QColor(0xF0, 0xD0, 0x20));
            p.drawEllipse(area.left() + c * cell + 3, area.top() + r * cell + 3, cell - 6, cell - 6);
        }
}

QPixmap titleArtwork()
{
    QPixmap pm(478, 337);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 337);
    g.setColorAt(0, QColor(0x10, 0x20, 0x60));
    g.setColorAt(1, QColor(0x00, 0x00, 0x20));
    p.fillRect(pm.rect(), g);
    p.setPen(QColor(0xFF, 0xFF, 0xC0));
    // The German wording sits where the English picture of the title window covers it.
    p.setFont(QFont(QStringLiteral("DejaVu Serif"), 14, QFont::Bold));
    p.drawText(QRect(4, 0, 157, 41), Qt::AlignCenter, QStringLiteral("Vier gewinnt"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x40, 0xC0));
    p.drawRoundedRect(QRect(134, 70, 210, 182), 8, 8);
    drawChips(p, QRect(136, 72, 210, 180));
    return pm;
}

QPixmap englishWording()
{
    QPixmap pm(157, 49);
    QPainter p(&pm);
    p.fillRect(pm.rect(), QColor(0x10, 0x20, 0x60));
    p.setPen(QColor(0xFF, 0xFF, 0xC0));
    p.setFont(QFont(QStringLiteral("DejaVu Serif"), 14, QFont::Bold));
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("Four in a row"));
    return pm;
}

QPixmap infoIcon()
{
    QPixmap pm(32, 32);
    pm.fill(QColor(0x20, 0x40, 0xC0));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE0, 0x20, 0x20));
    p.drawEllipse(3, 3, 12, 12);
    p.drawEllipse(17, 17, 12, 12);
    p.setBrush(QColor(0xF0, 0xD0, 0x20));
    p.drawEllipse(17, 3, 12, 12);
    p.drawEllipse(3, 17, 12, 12);
    return pm;
}

QPixmap infoBackground()
{
    QPixmap pm(440, 320);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 440, 320);
    g.setColorAt(0, QColor(0xF4, 0xF0, 0xE0));
    g.setColorAt(1, QColor(0xC8, 0xD4, 0xE8));
    p.fillRect(pm.rect(), g);
    return pm;
}
} // namespace

QPixmap shellPicture(const QString &name)
{
    // The pictures made at build time lie in the program folder; drawn ones stand in without them.
    const QString file = QDir(QCoreApplication::applicationDirPath())
                             .filePath(QStringLiteral("pictures/") + name + QStringLiteral(".png"));
    QPixmap fromFile;
    if (QFile::exists(file) && fromFile.load(file))
        return fromFile;
    if (name == QLatin1String("titleGerman"))
        return titleArtwork();
    if (name == QLatin1String("titleEnglish"))
        return englishWording();
    if (name == QLatin1String("flagEnglish"))
        return flag(true);
    if (name == QLatin1String("flagGerman"))
        return flag(false);
    if (name == QLatin1String("infoIcon"))
        return infoIcon();
    if (name == QLatin1String("infoBackground"))
        return infoBackground();
    QPixmap empty(1, 1);
    empty.fill(Qt::transparent);
    return empty;
}

} // namespace gamewindow
