#pragma once
// How many of a kind of the peer's doings (chat lines, voice messages) are carried out in a
// second. A person types a few lines or records about one message a second at most; beyond the
// bound they are only counted, and the count is said in one line a second instead. One taken
// off the budget costs nothing: no painting, no sound, no write.
#include <QTimer>

#include <functional>
#include <optional>

namespace gamenet {

class PeerBudget {
public:
    // `perSecond`: how many are carried out in a second; `clock`: milliseconds that only move
    // forward; `sayHeld`: shows the count held back since it was last called (always more than 0).
    PeerBudget(int perSecond, std::function<qint64()> clock, std::function<void(qint64 held)> sayHeld);
    PeerBudget(const PeerBudget &) = delete;
    PeerBudget &operator=(const PeerBudget &) = delete;

    // Whether the next one is carried out; false: it is counted.
    bool take();
    // Says the count held back now (the link ends: the count goes before the log's footer).
    void flush();

private:
    void beginSecond(qint64 now);

    const int m_perSecond;
    std::function<qint64()> m_clock;
    std::function<void(qint64)> m_sayHeld;
    std::optional<qint64> m_secondStart; // when the current second of the budget began
    int m_taken = 0;                     // carried out in it
    qint64 m_held = 0;                   // counted since the count was last said
    QTimer m_endOfSecond;                // says the count when nothing further ends the second
};

} // namespace gamenet
