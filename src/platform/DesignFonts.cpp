#include "platform/DesignFonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>

namespace platform {

namespace {
// Faces with Arial's widths, under the names fontconfig may report for them.
bool arialWide(const QString &family)
{
    for (const char *name : {"Arial", "Liberation Sans", "Arimo"})
        if (family.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
} // namespace

QFont designFont()
{
    QFont font(QStringLiteral("Arial"), 8);
    font.setStyleHint(QFont::SansSerif);
    if (arialWide(QFontInfo(font).family()))
        return font;
    const QStringList families = QFontDatabase::families();
    for (const char *name : {"Liberation Sans", "Arimo"})
        if (families.contains(QLatin1String(name)))
            return QFont(QLatin1String(name), 8);
    // Narrow enough for the layouts where the default sans-serif is as wide as DejaVu Sans.
    for (const char *name : {"DejaVu Sans Condensed", "Liberation Sans Narrow"})
        if (families.contains(QLatin1String(name)))
            return QFont(QLatin1String(name), 8);
    QFont fallback;
    fallback.setPointSizeF(7.5);
    return fallback;
}

void useDesignFonts() { QApplication::setFont(designFont()); }

} // namespace platform
