#include "platform/WindowFrame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {
// The frame the window system reports, when it reports a real one. The offscreen display
// reports a made-up border of 2 pixels without a title bar; that counts as unknown.
bool knownFrame(const QWidget *window, QMargins *frame)
{
    const QWindow *handle = window->windowHandle();
    if (!handle || !window->isVisible() || QGuiApplication::platformName() == QLatin1String("offscreen"))
        return false;
    const QMargins margins = handle->frameMargins();
    if (margins.isNull())
        return false;
    *frame = margins;
    return true;
}

// Sizes a window again when its real frame becomes known after it was sized with a guess.
class OuterSizeKeeper : public QObject {
public:
    explicit OuterSizeKeeper(QWidget *window) : QObject(window), m_window(window)
    {
        setObjectName(QStringLiteral("platform::OuterSizeKeeper"));
        window->installEventFilter(this);
    }
    void apply(int outerHeight)
    {
        m_outerHeight = outerHeight;
        m_frame = windowFrame(m_window);
        const QSize inside(m_window->width(), outerHeight - m_frame.top() - m_frame.bottom());
        // A window of fixed size keeps its size fixed, at the new value.
        if (m_window->minimumSize() == m_window->maximumSize())
            m_window->setFixedSize(inside);
        else
            m_window->resize(inside);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::WindowActivate:
        case QEvent::Expose:
            if (windowFrame(m_window) != m_frame)
                apply(m_outerHeight);
            break;
        default: break;
        }
        return false;
    }

private:
    QWidget *m_window;
    int m_outerHeight = 0;
    QMargins m_frame;
};
} // namespace

QMargins windowFrame(const QWidget *window)
{
    QMargins frame;
    return knownFrame(window, &frame) ? frame : AssumedFrame;
}

QSize outerSize(const QWidget *window) { return window->size().grownBy(windowFrame(window)); }

void setOuterHeight(QWidget *window, int outerHeight)
{
    auto *keeper = window->findChild<OuterSizeKeeper *>(QStringLiteral("platform::OuterSizeKeeper"),
                                                        Qt::FindDirectChildrenOnly);
    if (!keeper)
        keeper = new OuterSizeKeeper(window);
    keeper->apply(outerHeight);
}

} // namespace platform
