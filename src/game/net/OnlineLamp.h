#pragma once
// The online lamp of the chat frame: a filled circle whose fill colour (&HBBGGRR) tells the link
// state: light grey no link, red linked, yellow linked with voice messages archived.
#include <QPainter>
#include <QWidget>

#include <cstdint>

namespace gamewindow {

class OnlineLamp : public QWidget {
public:
    explicit OnlineLamp(QWidget *parent = nullptr) : QWidget(parent) { setFixedSize(16, 16); }
    int32_t FillColor() const { return m_fillColor; }
    void setFillColor(int32_t color)
    {
        m_fillColor = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::black);
        p.setBrush(QColor(m_fillColor & 0xFF, (m_fillColor >> 8) & 0xFF, (m_fillColor >> 16) & 0xFF));
        p.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    }

private:
    int32_t m_fillColor = 0xE0E0E0;
};

} // namespace gamewindow
