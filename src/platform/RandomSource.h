#pragma once

#include <cstdint>

namespace quib {

// Uniform random integers. The system source is a xoshiro256** generator
// seeded once from the kernel's secure source: statistically uniform, cheap
// enough for the click path, and never blocking. Tests substitute a scripted
// source.
class RandomSource {
  public:
    virtual ~RandomSource() = default;
    // A uniformly distributed value in [0, bound); bound must be at least 1.
    virtual std::uint64_t below(std::uint64_t bound) = 0;
};

class SystemRandom final : public RandomSource {
  public:
    SystemRandom();
    std::uint64_t below(std::uint64_t bound) override;
    std::uint64_t next();

  private:
    std::uint64_t m_state[4];
};

}  // namespace quib
