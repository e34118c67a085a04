#pragma once
// How many lines the peer's frames may put into the chat display (and so into the dialogue log,
// with their sounds) in a second. A person types a few lines a second at most; beyond the bound
// the lines are only counted, and the count is said in one line a second instead. A line taken
// off the budget costs nothing: no painting, no sound, no write.
#include <QTimer>

#include <functional>
#include <optional>

namespace gamenet {

class PeerLineBudget {
public:
    static constexpr int LinesPerSecond = 10;

    // `clock`: milliseconds that only move forward; `sayHeld`: shows the count of lines held
    // back since it was last called (always more than 0).
    PeerLineBudget(std::function<qint64()> clock, std::function<void(qint64 held)> sayHeld);
    PeerLineBudget(const PeerLineBudget &) = delete;
    PeerLineBudget &operator=(const PeerLineBudget &) = delete;

    // Whether the next line of the peer is shown; false: it is counted.
    bool take();
    // Says the count held back now (the link ends: the count goes before the log's footer).
    void flush();

private:
    void beginSecond(qint64 now);

    std::function<qint64()> m_clock;
    std::function<void(qint64)> m_sayHeld;
    std::optional<qint64> m_secondStart; // when the current second of the budget began
    int m_taken = 0;                     // lines shown in it
    qint64 m_held = 0;                   // lines counted since the count was last said
    QTimer m_endOfSecond;                // says the count when no further line ends the second
};

} // namespace gamenet
