#pragma once
// The runtime's random numbers: one generator giving r with 0 <= r < 1, seeded once.
// Game code takes a RandomSource so that tests can inject their own numbers.
#include <cstdint>
#include <random>

namespace platform {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual double next() = 0; // 0 <= r < 1
};

class SystemRandom : public RandomSource {
public:
    SystemRandom(); // seeded from the clock and the system's entropy
    explicit SystemRandom(uint64_t seed) : m_engine(seed) {}
    void reseed(uint64_t seed) { m_engine.seed(seed); }
    double next() override;

private:
    std::mt19937_64 m_engine;
};

} // namespace platform
