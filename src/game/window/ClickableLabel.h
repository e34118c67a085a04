#pragma once
// A label that reports a click of the left mouse button, like the clickable labels and
// picture boxes of the original forms.
#include <QLabel>
#include <QMouseEvent>

namespace gamewindow {

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            emit clicked();
    }
};

} // namespace gamewindow
