#pragma once
// Who may link with this side. A peer is taken only while the user waits for one: from Connect
// in the connection dialog until a connection has said hello ("<E>"), the wait's time is up or
// the user cancels. The connection taken then has its hello due within a deadline, and none of
// its other frames count before it. Once that link has ended, nobody is awaited until the next
// Connect, so a stranger can neither take over the window nor learn the user's name. The hosting
// side meets any number of connections this way; the joining side its one connection to the host.
//
// It keeps no socket and no timer: the session asks it at every event of the control and of the
// dispatcher, and the clock it is given tells the wait's time and the deadline.
#include <QtGlobal>

#include <cstdint>
#include <functional>

namespace gamenet {

class PeerAdmission {
public:
    enum class State {
        Nobody,   // nobody awaited: every connection is closed unseen
        Awaited,  // a peer is awaited until a time
        Greeting, // one connection is taken; its hello is due by its deadline
        Linked,   // that connection has said hello: it is the peer
    };
    // What a received hello means.
    enum class Hello {
        Refused, // not from the connection taken, or too late: it counts for nothing
        First,   // the connection taken says hello: it is the peer from now on
        Again,   // the peer says hello once more
    };
    // What ended with a connection.
    enum class Ended {
        Stranger,    // none of ours (turned away, or already let go)
        BeforeHello, // the connection taken, before its hello: the wait goes on
        Link,        // the peer's: nobody is awaited any more
    };

    static constexpr qint64 HelloDeadlineMs = 10000;

    // `clock`: milliseconds that only move forward.
    explicit PeerAdmission(std::function<qint64()> clock) : m_clock(std::move(clock)) {}

    State state() const { return m_state; }
    void setHelloDeadline(qint64 milliseconds) { m_helloDeadline = milliseconds; }

    // Connect: a peer is awaited from now for `milliseconds`. A link standing stays.
    void awaitFor(qint64 milliseconds);
    // Cancel, the end of the wait, a port that could not be opened: nobody is awaited any more,
    // and a connection still greeting is no longer taken. A link standing stays.
    void stopAwaiting();
    // The link has ended on this side (Close, Cancel, the window's end): nobody is awaited.
    void reset();

    // Whether the wait goes on: a peer is awaited or greeting, and its time is not up.
    bool awaiting() const;
    // Whether a connection has said hello since the wait began.
    bool answered() const { return m_answered; }

    // A connection came up: whether it is taken. Only one at a time, and only while awaited.
    bool admit(int16_t client);
    // The connection's "<E>" has arrived.
    Hello hello(int16_t client);
    // Whether a frame of the connection is acted on: the peer's only.
    bool actsOn(int16_t client) const { return m_state == State::Linked && client == m_client; }
    // A connection has ended.
    Ended end(int16_t client);

    // The connection taken, while it greets: milliseconds until its hello is due (0 or less:
    // overdue), and whether it is overdue.
    qint64 helloDueIn() const { return m_helloDue - m_clock(); }
    bool helloOverdue() const { return m_state == State::Greeting && helloDueIn() <= 0; }
    // The connection taken: its client number and a number that no later connection shares, so
    // that a wait inside its handshake can tell whether it is still the peer afterwards.
    int16_t client() const { return m_client; }
    quint64 ticket() const { return m_ticket; }
    bool linkedWith(quint64 ticket) const { return m_state == State::Linked && m_ticket == ticket; }

private:
    bool inTime() const { return m_clock() < m_awaitedUntil; }

    std::function<qint64()> m_clock;
    State m_state = State::Nobody;
    qint64 m_awaitedUntil = 0;
    qint64 m_helloDeadline = HelloDeadlineMs;
    qint64 m_helloDue = 0;
    int16_t m_client = 0;
    quint64 m_ticket = 0;
    bool m_answered = false;
};

} // namespace gamenet
