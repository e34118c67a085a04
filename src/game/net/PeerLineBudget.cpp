#include "game/net/PeerLineBudget.h"

namespace gamenet {

namespace {
constexpr qint64 SecondMs = 1000;
}

PeerLineBudget::PeerLineBudget(std::function<qint64()> clock, std::function<void(qint64 held)> sayHeld)
    : m_clock(std::move(clock)), m_sayHeld(std::move(sayHeld))
{
    m_endOfSecond.setSingleShot(true);
    // Precise: a coarse timer may fire early, and then two counts could come within a second.
    m_endOfSecond.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_endOfSecond, &QTimer::timeout, &m_endOfSecond, [this] { beginSecond(m_clock()); });
}

bool PeerLineBudget::take()
{
    const qint64 now = m_clock();
    if (!m_secondStart || now - *m_secondStart >= SecondMs)
        beginSecond(now);
    if (m_taken < LinesPerSecond) {
        ++m_taken;
        return true;
    }
    ++m_held;
    if (!m_endOfSecond.isActive())
        m_endOfSecond.start(int(qBound<qint64>(0, *m_secondStart + SecondMs - now, SecondMs)));
    return false;
}

void PeerLineBudget::flush()
{
    m_endOfSecond.stop();
    if (m_held == 0)
        return;
    const qint64 held = m_held;
    m_held = 0;
    m_sayHeld(held);
}

// The count of the second that has passed goes before the lines of the next one, so the
// display keeps the order in which the lines came; a count is said at most once a second.
void PeerLineBudget::beginSecond(qint64 now)
{
    m_secondStart = now;
    m_taken = 0;
    flush();
}

} // namespace gamenet
