#include "support/FitText.h"

#include <QFontMetrics>
#include <QLabel>

namespace support {

void fitLabelFont(QLabel *label, double largestPointSize, double smallestPointSize)
{
    QFont font = label->font();
    const int room = label->contentsRect().width() - 2 * label->margin() - label->indent();
    const QStringList lines = QString(label->text()).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    for (double size = largestPointSize; size >= smallestPointSize - 0.01; size -= 0.5) {
        font.setPointSizeF(size);
        const QFontMetrics fm(font);
        bool fits = true;
        for (const QString &line : lines)
            fits = fits && fm.horizontalAdvance(line) <= room;
        if (fits)
            break;
    }
    label->setFont(font);
}

} // namespace support
