#include "ambient/BrownNoise.h"

#include <algorithm>
#include <cstdint>

namespace quib {

namespace {

constexpr std::uint64_t kWhiteSteps = std::uint64_t{1} << 24;
constexpr float kStepScale = 0.02F;
constexpr float kLeak = 0.998F;
constexpr float kOutputGain = 0.7F;

}  // namespace

BrownNoise::BrownNoise(std::unique_ptr<RandomSource> random) : m_random(std::move(random)) {}

void BrownNoise::render(std::span<float> output) {
    for (float& sample : output) {
        // k from 0 ... 2^24 inclusive, w = 2k / 2^24 - 1, so w = 1 exactly at the top.
        const auto k = static_cast<float>(m_random->below(kWhiteSteps + 1));
        const float white = 2.0F * k * 0x1p-24F - 1.0F;
        float state = (m_brownState + white * kStepScale) * kLeak;
        state = std::max(std::min(state, 1.0F), -1.0F);
        m_brownState = state;
        sample = state * kOutputGain;
    }
}

}  // namespace quib
