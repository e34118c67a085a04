#include "game/net/PeerAdmission.h"

namespace gamenet {

void PeerAdmission::awaitFor(qint64 milliseconds)
{
    m_awaitedUntil = m_clock() + milliseconds;
    m_answered = false;
    if (m_state != State::Linked)
        m_state = State::Awaited;
}

void PeerAdmission::stopAwaiting()
{
    if (m_state != State::Linked)
        m_state = State::Nobody;
}

void PeerAdmission::reset() { m_state = State::Nobody; }

bool PeerAdmission::awaiting() const
{
    return (m_state == State::Awaited || m_state == State::Greeting) && inTime();
}

bool PeerAdmission::admit(int16_t client)
{
    if (m_state != State::Awaited || !inTime())
        return false;
    m_state = State::Greeting;
    m_client = client;
    m_helloDue = m_clock() + m_helloDeadline;
    ++m_ticket;
    return true;
}

PeerAdmission::Hello PeerAdmission::hello(int16_t client)
{
    if (client != m_client)
        return Hello::Refused;
    if (m_state == State::Linked)
        return Hello::Again;
    // A hello after the wait's time or after its own deadline comes too late: the wait is over,
    // or the connection is being closed.
    if (m_state != State::Greeting || !inTime() || helloOverdue())
        return Hello::Refused;
    m_state = State::Linked;
    m_answered = true;
    return Hello::First;
}

PeerAdmission::Ended PeerAdmission::end(int16_t client)
{
    if (client != m_client)
        return Ended::Stranger;
    if (m_state == State::Greeting) {
        m_state = State::Awaited;
        return Ended::BeforeHello;
    }
    if (m_state == State::Linked) {
        m_state = State::Nobody;
        return Ended::Link;
    }
    return Ended::Stranger;
}

} // namespace gamenet
