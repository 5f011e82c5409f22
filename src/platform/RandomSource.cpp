#include "platform/RandomSource.h"

#include <sys/random.h>

#include <chrono>

namespace quib {

namespace {

std::uint64_t rotl(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

std::uint64_t splitmix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

SystemRandom::SystemRandom() {
    std::uint64_t seed[4] = {};
    if (getrandom(seed, sizeof seed, 0) != static_cast<ssize_t>(sizeof seed)) {
        // The kernel's pool is always ready after boot; this fallback only keeps
        // a seccomp-restricted sandbox from producing the same sequence each run.
        std::uint64_t x =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (auto& s : seed) {
            s = splitmix(x);
        }
    }
    for (int i = 0; i < 4; ++i) {
        m_state[i] = seed[i];
    }
    if ((m_state[0] | m_state[1] | m_state[2] | m_state[3]) == 0) {
        m_state[0] = 1;
    }
}

std::uint64_t SystemRandom::next() {
    const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
    const std::uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotl(m_state[3], 45);
    return result;
}

std::uint64_t SystemRandom::below(std::uint64_t bound) {
    if (bound <= 1) {
        return 0;
    }
    // Rejection sampling on the top of the range keeps every value equally likely.
    const std::uint64_t limit = UINT64_MAX - (UINT64_MAX % bound);
    std::uint64_t value = next();
    while (value >= limit) {
        value = next();
    }
    return value % bound;
}

}  // namespace quib
