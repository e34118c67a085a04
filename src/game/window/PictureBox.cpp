#include "game/window/PictureBox.h"

#include "platform/Twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace gamewindow {

PictureBox::PictureBox(int index, QWidget *parent) : QWidget(parent), m_index(index)
{
    setFocusPolicy(Qt::NoFocus);
}

void PictureBox::setPicture(Picture picture)
{
    m_picture = std::move(picture);
    update();
}

void PictureBox::setTwipsGeometry(int left, int top, int width, int height)
{
    setGeometry(platform::twipsToPixels(left), platform::twipsToPixels(top), platform::twipsToPixels(width),
                platform::twipsToPixels(height));
}

int PictureBox::leftTwips() const { return static_cast<int>(platform::pixelsToTwips(x())); }
int PictureBox::topTwips() const { return static_cast<int>(platform::pixelsToTwips(y())); }

void PictureBox::paintEvent(QPaintEvent *)
{
    if (!m_picture)
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, *m_picture);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked(m_index);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    // The release that follows belongs to the double click, not to a new click.
    m_pressed = false;
    if (event->button() == Qt::LeftButton)
        emit doubleClicked(m_index);
}

void StatusLabel::mousePressEvent(QMouseEvent *event) { event->accept(); }

void StatusLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

void Panel::mousePressEvent(QMouseEvent *event) { event->accept(); }
void Panel::mouseReleaseEvent(QMouseEvent *event) { event->accept(); }
void Panel::mouseDoubleClickEvent(QMouseEvent *event) { event->accept(); }

} // namespace gamewindow
