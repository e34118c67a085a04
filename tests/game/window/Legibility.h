#pragma once
// Checks a shown window as a reader sees it: every label, button, check box, group title and
// text box has room for its text in its font, and its text colour stands out from the ground
// it is drawn on (contrast ratio of at least 3:1). The ground is what the window's screenshot
// shows most often inside the control. The arrow buttons of a scroll bar must have room in it,
// and their arrows must stand out from the buttons' face in the same way. Also writes the
// screenshot to build/pictures.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <cmath>

namespace legibility {

inline double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

inline double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour seen most often in `area` of the screenshot.
inline QColor ground(const QImage &shot, const QRect &area)
{
    QHash<QRgb, int> count;
    const QRect inside = area.intersected(shot.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++count[shot.pixel(x, y) | 0xFF000000u];
    QRgb best = 0;
    int most = -1;
    for (auto it = count.cbegin(); it != count.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    return QColor::fromRgb(best);
}

// Of the colours in `area`, the one that stands out most from `from`.
inline QColor boldest(const QImage &shot, const QRect &area, const QColor &from)
{
    QColor best = from;
    double most = 1.0;
    const QRect inside = area.intersected(shot.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor c = QColor::fromRgb(shot.pixel(x, y) | 0xFF000000u);
            const double ratio = contrast(c, from);
            if (ratio > most) {
                most = ratio;
                best = c;
            }
        }
    return best;
}

// The places of a scroll bar's parts, as its style lays them out.
inline QStyleOptionSlider scrollBarOption(const QScrollBar *bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    return option;
}

// The text as drawn: "&" marks the access key and is not shown, "&&" shows one "&".
inline QString shown(QString text)
{
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

inline QColor textColour(const QWidget *w, QPalette::ColorRole role)
{
    return w->palette().color(w->isEnabled() ? QPalette::Active : QPalette::Disabled, role);
}

// What is wrong with `window` as shown; empty when every text can be read.
inline QStringList faults(QWidget *window, const QString &name)
{
    QStringList found;
    const QImage shot = window->grab().toImage();
    QDir().mkpath(QStringLiteral(OSTREL_PICTURE_DIR));
    shot.save(QDir(QStringLiteral(OSTREL_PICTURE_DIR)).filePath(name + QStringLiteral(".png")));
    const qreal scale = shot.devicePixelRatio();
    auto areaOf = [&](QWidget *w, QRect r) {
        r.moveTopLeft(w->mapTo(window, r.topLeft()));
        return QRect((r.topLeft() * scale), r.size() * scale);
    };
    auto report = [&](QWidget *w, const QString &text, const QString &what) {
        found << QStringLiteral("%1: %2 \"%3\": %4").arg(name, QString::fromLatin1(w->metaObject()->className()), text, what);
    };
    auto checkContrast = [&](QWidget *w, const QString &text, const QColor &fg, const QRect &area) {
        const QColor bg = ground(shot, areaOf(w, area));
        const double ratio = contrast(fg, bg);
        if (ratio < 3.0)
            report(w, text, QStringLiteral("contrast %1:1 of %2 on %3").arg(ratio, 0, 'f', 2).arg(fg.name(), bg.name()));
    };

    // A label under a label of the same text is its shadow: the upper one is read.
    auto isShadow = [](QLabel *label) {
        const QObjectList siblings = label->parentWidget()->children();
        for (qsizetype i = siblings.indexOf(label) + 1; i < siblings.size(); ++i) {
            auto *above = qobject_cast<QLabel *>(siblings.at(i));
            if (above && above->isVisible() && above->text() == label->text() && above->geometry().intersects(label->geometry()))
                return true;
        }
        return false;
    };

    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window) || w->width() <= 0 || w->height() <= 0)
            continue;
        // Parts of a window folded out of sight.
        if (!QRect(w->mapTo(window, QPoint(0, 0)), w->size()).intersects(window->rect()))
            continue;
        const QFontMetrics fm(w->font());
        if (auto *label = qobject_cast<QLabel *>(w)) {
            const QString text = label->buddy() ? shown(label->text()) : label->text();
            if (text.trimmed().isEmpty() || isShadow(label))
                continue;
            const QRect room = label->contentsRect().marginsRemoved(QMargins(label->margin(), label->margin(), label->margin(), label->margin()));
            // Lines of its own must each fit; a label that wraps must fit all of its lines.
            const QStringList lines = QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
            int height = 0;
            for (const QString &line : lines) {
                const int width = fm.horizontalAdvance(line);
                if (label->wordWrap()) {
                    const QRect wrapped = fm.boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, line);
                    if (lines.size() > 1 && width > room.width())
                        report(label, line, QStringLiteral("line breaks: %1 px wide in %2").arg(width).arg(room.width()));
                    height += wrapped.height();
                } else {
                    if (width > room.width())
                        report(label, line, QStringLiteral("%1 px wide in %2").arg(width).arg(room.width()));
                    height += fm.height();
                }
            }
            if (height > room.height() + fm.descent())
                report(label, text, QStringLiteral("%1 px high in %2").arg(height).arg(room.height()));
            checkContrast(label, text, textColour(label, label->foregroundRole()), label->contentsRect());
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            const QString text = shown(button->text());
            if (text.isEmpty())
                continue;
            if (qobject_cast<QPushButton *>(button)) {
                // A few pixels of the button's face on either side of the text.
                const int width = fm.horizontalAdvance(text) + 8;
                if (width > button->width())
                    report(button, text, QStringLiteral("%1 px wide in %2").arg(width).arg(button->width()));
            } else if (button->sizeHint().width() > button->width()) {
                report(button, text, QStringLiteral("%1 px wide in %2").arg(button->sizeHint().width()).arg(button->width()));
            }
            const QPalette::ColorRole role = qobject_cast<QPushButton *>(button) ? QPalette::ButtonText : QPalette::WindowText;
            // A button that cannot be pressed may look faint; what it says is not needed then.
            if (button->isEnabled())
                checkContrast(button, text, textColour(button, role), button->rect().adjusted(2, 2, -2, -2));
        } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
            const QString text = shown(group->title());
            if (text.trimmed().isEmpty())
                continue;
            const int width = fm.horizontalAdvance(text) + 16;
            if (width > group->width())
                report(group, text, QStringLiteral("%1 px wide in %2").arg(width).arg(group->width()));
            checkContrast(group, text, textColour(group, QPalette::WindowText),
                          QRect(8, 0, fm.horizontalAdvance(text), fm.height()));
        } else if (auto *bar = qobject_cast<QScrollBar *>(w)) {
            const QStyleOptionSlider option = scrollBarOption(bar);
            const struct {
                QStyle::SubControl part;
                const char *name;
            } arrows[] = {{QStyle::SC_ScrollBarSubLine, "arrow back"}, {QStyle::SC_ScrollBarAddLine, "arrow on"}};
            for (const auto &arrow : arrows) {
                const QString name = QString::fromLatin1(arrow.name);
                const QRect button = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, arrow.part, bar);
                // Room for an arrow that can be seen and hit: 8 pixels each way, inside the bar.
                if (button.width() < 8 || button.height() < 8 || !bar->rect().contains(button)) {
                    report(bar, name, QStringLiteral("button %1x%2 at %3,%4 in a bar of %5x%6")
                                          .arg(button.width()).arg(button.height()).arg(button.x()).arg(button.y())
                                          .arg(bar->width()).arg(bar->height()));
                    continue;
                }
                // The face is what the button shows most; the arrow lies in its middle half.
                const QRect area = areaOf(bar, button);
                const QColor face = ground(shot, area);
                const QRect middle = area.marginsRemoved(
                    QMargins(area.width() / 4, area.height() / 4, area.width() / 4, area.height() / 4));
                const QColor drawn = boldest(shot, middle, face);
                const double ratio = contrast(drawn, face);
                if (ratio < 3.0)
                    report(bar, name, QStringLiteral("contrast %1:1 of %2 on %3").arg(ratio, 0, 'f', 2).arg(drawn.name(), face.name()));
            }
        } else if (auto *line = qobject_cast<QLineEdit *>(w)) {
            if (line->text().isEmpty())
                continue;
            checkContrast(line, line->text(), textColour(line, QPalette::Text), line->rect().adjusted(3, 3, -3, -3));
        }
    }
    return found;
}

} // namespace legibility
