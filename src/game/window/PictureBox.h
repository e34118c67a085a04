#pragma once
// A picture box of the main window: shows one picture that it refers to (a shared picture
// object, never a copy), so that "does this cell show the empty-cell store" is a question of
// identity. Clicks and double clicks are reported with the box's index in its control array.
// A double click reports the click of its first press, then the double click, as a person's
// double click does on the original form.
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include <memory>

namespace gamewindow {

using Picture = std::shared_ptr<const QPixmap>;

class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(int index, QWidget *parent);

    int index() const { return m_index; }
    // Refers to the picture; the box is drawn with it from its top left corner, clipped.
    void setPicture(Picture picture);
    const Picture &picture() const { return m_picture; }

    // Position and size in twips within the parent.
    void setTwipsGeometry(int left, int top, int width, int height);
    int leftTwips() const;
    int topTwips() const;

signals:
    void clicked(int index);
    void doubleClicked(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int m_index;
    Picture m_picture;
    bool m_pressed = false;
};

// A label that reports double clicks (the status line).
class StatusLabel : public QLabel {
    Q_OBJECT
public:
    explicit StatusLabel(QWidget *parent) : QLabel(parent) {}

signals:
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

// A panel that keeps its clicks: a click on it does not reach the window's surface below.
class Panel : public QWidget {
    Q_OBJECT
public:
    explicit Panel(QWidget *parent) : QWidget(parent) {}

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

} // namespace gamewindow
