#pragma once
// The online lamp of the chat frame: a small filled circle in one colour (&HBBGGRR).
#include <QWidget>

#include <cstdint>

namespace gamewindow {

class OnlineLamp : public QWidget {
    Q_OBJECT
public:
    explicit OnlineLamp(QWidget *parent = nullptr);
    void setFillColor(int32_t bgr);
    int32_t fillColor() const { return m_fill; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int32_t m_fill = 0xE0E0E0;
};

// A colour given as &HBBGGRR.
QColor colorFromBgr(int32_t bgr);

} // namespace gamewindow
