// The brown-noise generator's numbers.
#include "ambient/BrownNoise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/Fakes.h"

namespace quib {
namespace {

class FixedRandom final : public RandomSource {
  public:
    explicit FixedRandom(std::uint64_t value) : m_value(value) {}
    std::uint64_t below(std::uint64_t bound) override {
        lastBound = bound;
        return m_value;
    }
    std::uint64_t lastBound = 0;

  private:
    std::uint64_t m_value;
};

TEST(BrownNoiseTest, OutputStaysWithinBoundsAndSettlesNearTheExpectedSpread) {
    // A fixed seed: the mean's bound is 2.3 standard deviations, which a
    // fresh source would miss about one run in fifty.
    BrownNoise noise(std::make_unique<test::SeededRandom>(20260305));
    std::vector<float> output(44100 * 20);
    noise.render(output);
    double sum = 0.0;
    double squares = 0.0;
    for (float value : output) {
        ASSERT_LE(std::fabs(value), 0.7F);
        sum += static_cast<double>(value);
        squares += static_cast<double>(value) * static_cast<double>(value);
    }
    const double mean = sum / static_cast<double>(output.size());
    const double deviation = std::sqrt(squares / static_cast<double>(output.size()) - mean * mean);
    EXPECT_NEAR(deviation, 0.13, 0.015);
    EXPECT_NEAR(mean, 0.0, 0.01) << "the leak keeps the level from drifting";
    EXPECT_LE(std::fabs(noise.state()), 1.0F);
}

TEST(BrownNoiseTest, StepThenLeakThenClampInSinglePrecision) {
    auto random = std::make_unique<FixedRandom>(std::uint64_t{1} << 24);  // w = 1 exactly
    FixedRandom* draws = random.get();
    BrownNoise noise(std::move(random));
    std::vector<float> output(2);
    noise.render(output);
    EXPECT_EQ(draws->lastBound, (std::uint64_t{1} << 24) + 1);
    const float first = (0.0F + 1.0F * 0.02F) * 0.998F;
    EXPECT_EQ(output[0], first * 0.7F);
    EXPECT_EQ(output[1], ((first + 0.02F) * 0.998F) * 0.7F);

    std::vector<float> many(100000);
    noise.render(many);
    EXPECT_EQ(noise.state(), 1.0F) << "a constant push is clamped at 1";
    EXPECT_EQ(many.back(), 0.7F);
}

TEST(BrownNoiseTest, LowestDrawIsMinusOneAndAnEmptyRequestWritesNothing) {
    BrownNoise noise(std::make_unique<FixedRandom>(0));
    std::vector<float> output(1);
    noise.render(std::span<float>());
    EXPECT_EQ(noise.state(), 0.0F);
    noise.render(output);
    EXPECT_EQ(output[0], (-0.02F * 0.998F) * 0.7F);
}

}  // namespace
}  // namespace quib
