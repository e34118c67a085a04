#include "platform/Random.h"

#include <chrono>

namespace platform {

SystemRandom::SystemRandom()
    : m_engine(std::random_device{}() ^ static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()))
{
}

double SystemRandom::next()
{
    // 53 random bits: every value is exact and strictly below 1.
    return static_cast<double>(m_engine() >> 11) * (1.0 / 9007199254740992.0);
}

} // namespace platform
