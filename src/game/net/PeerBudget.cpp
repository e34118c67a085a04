#include "game/net/PeerBudget.h"

namespace gamenet {

namespace {
constexpr qint64 SecondMs = 1000;
}

PeerBudget::PeerBudget(int perSecond, std::function<qint64()> clock, std::function<void(qint64 held)> sayHeld)
    : m_perSecond(perSecond), m_clock(std::move(clock)), m_sayHeld(std::move(sayHeld))
{
    m_endOfSecond.setSingleShot(true);
    // Precise: a coarse timer may fire early, and then two counts could come within a second.
    m_endOfSecond.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_endOfSecond, &QTimer::timeout, &m_endOfSecond, [this] { beginSecond(m_clock()); });
}

bool PeerBudget::take()
{
    const qint64 now = m_clock();
    if (!m_secondStart || now - *m_secondStart >= SecondMs)
        beginSecond(now);
    if (m_taken < m_perSecond) {
        ++m_taken;
        return true;
    }
    ++m_held;
    if (!m_endOfSecond.isActive())
        m_endOfSecond.start(int(qBound<qint64>(0, *m_secondStart + SecondMs - now, SecondMs)));
    return false;
}

void PeerBudget::flush()
{
    m_endOfSecond.stop();
    if (m_held == 0)
        return;
    const qint64 held = m_held;
    m_held = 0;
    m_sayHeld(held);
}

// The count of the second that has passed goes before what the next one shows, so the display
// keeps the order in which things came; a count is said at most once a second.
void PeerBudget::beginSecond(qint64 now)
{
    m_secondStart = now;
    m_taken = 0;
    flush();
}

} // namespace gamenet
