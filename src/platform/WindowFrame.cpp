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
    void apply(const QSize &outer)
    {
        m_outer = outer;
        m_frame = windowFrame(m_window);
        m_window->resize(outer.shrunkBy(m_frame));
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
                apply(m_outer);
            break;
        default: break;
        }
        return false;
    }

private:
    QWidget *m_window;
    QSize m_outer;
    QMargins m_frame;
};
} // namespace

QMargins windowFrame(const QWidget *window)
{
    QMargins frame;
    return knownFrame(window, &frame) ? frame : AssumedFrame;
}

QSize outerSize(const QWidget *window) { return window->size().grownBy(windowFrame(window)); }

void setOuterSize(QWidget *window, const QSize &outer)
{
    auto *keeper = window->findChild<OuterSizeKeeper *>(QStringLiteral("platform::OuterSizeKeeper"),
                                                        Qt::FindDirectChildrenOnly);
    if (!keeper)
        keeper = new OuterSizeKeeper(window);
    keeper->apply(outer);
}

} // namespace platform
