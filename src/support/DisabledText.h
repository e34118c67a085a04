#pragma once
// A disabled text box that still shows data (a stored name, the last address) keeps its text
// readable: darker than the style's faint grey, which stands at about 1.6:1 on the box, yet
// lighter than the text of a box that can be edited.
#include <QColor>
#include <QPalette>
#include <QWidget>

namespace support {

inline void keepDisabledTextReadable(QWidget *box)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x60, 0x60, 0x60));
    box->setPalette(palette);
}

} // namespace support
