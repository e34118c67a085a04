#include "platform/HeldKey.h"

#include "platform/KeyCodes.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace platform {

HeldKey::HeldKey(std::function<void(int, int)> release, QObject *parent) : QObject(parent), m_release(std::move(release))
{
    m_wait.setSingleShot(true);
    m_wait.setInterval(PairWaitMs);
    connect(&m_wait, &QTimer::timeout, this, [this] { flush(); });
    // A click right after a real release must find the key up.
    QCoreApplication::instance()->installEventFilter(this);
}

bool HeldKey::pressIsRepeat(const QKeyEvent *event)
{
    if (m_pending && event->key() == m_key && event->timestamp() == m_time) {
        m_pending = false;
        m_wait.stop();
        return true;
    }
    flush();
    return event->isAutoRepeat();
}

void HeldKey::released(const QKeyEvent *event)
{
    if (event->isAutoRepeat())
        return;
    flush();
    const int code = virtualKey(event);
    const int shift = shiftState(event);
    if (event->timestamp() == 0) {
        m_release(code, shift);
        return;
    }
    m_pending = true;
    m_key = event->key();
    m_time = event->timestamp();
    m_code = code;
    m_shift = shift;
    m_wait.start();
}

void HeldKey::flush()
{
    if (!m_pending)
        return;
    m_pending = false;
    m_wait.stop();
    m_release(m_code, m_shift);
}

bool HeldKey::eventFilter(QObject *, QEvent *event)
{
    if (m_pending && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        flush();
    return false;
}

} // namespace platform
