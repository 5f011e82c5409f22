// The analysis of the key-to-sound harness on made-up recordings: if it
// misplaced or missed clicks, every latency figure in README would be wrong.
#include <gtest/gtest.h>

#include <cmath>

#include "latency/Onsets.h"

namespace quib::bench {
namespace {

constexpr int kRate = 48000;
constexpr std::int64_t kMilli = 1'000'000;

// A click as the switch sounds make them: a sharp attack that decays over
// about 40 ms, with an optional second strike a few milliseconds in.
void addClick(std::vector<float>& envelope, double atMillis, float peak, double strikeMillis = 0) {
    const auto start = static_cast<std::size_t>(atMillis * kRate / 1000);
    for (std::size_t i = 0; i < static_cast<std::size_t>(kRate / 20) && start + i < envelope.size();
         ++i) {
        const double t = static_cast<double>(i) / kRate;
        float value = peak * static_cast<float>(std::exp(-t / 0.008));
        if (strikeMillis > 0 && t * 1000 >= strikeMillis) {
            value += 0.3F * peak * static_cast<float>(std::exp(-(t - strikeMillis / 1000) / 0.004));
        }
        envelope[start + i] += value;
    }
}

std::vector<double> onsetMillis(const std::vector<float>& envelope) {
    std::vector<double> millis;
    for (std::int64_t frame : detectOnsets(envelope, kRate)) {
        millis.push_back(static_cast<double>(frame) * 1000.0 / kRate);
    }
    return millis;
}

std::vector<double> evenly(double from, double spacing, int count) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        times.push_back(from + spacing * i);
    }
    return times;
}

TEST(OnsetsTest, EveryClickOfARunIsFoundAtItsStart) {
    struct Case {
        const char* name;
        std::vector<double> clicks;
        double strikeMillis;
    };
    const std::vector<Case> cases{
        {"150 ms apart", evenly(100, 150, 15), 0},
        {"40 ms apart (auto-repeat)", evenly(100, 40, 50), 0},
        {"50 ms apart with a second strike", evenly(100, 50, 40), 12},
        {"a late click 10 ms after the one before", {100, 150, 200, 210, 300, 350}, 0},
    };
    for (const Case& c : cases) {
        std::vector<float> envelope(static_cast<std::size_t>(kRate) * 3, 0.0F);
        for (double at : c.clicks) {
            addClick(envelope, at, 0.55F, c.strikeMillis);
        }
        const std::vector<double> found = onsetMillis(envelope);
        ASSERT_EQ(found.size(), c.clicks.size()) << c.name;
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_NEAR(found[i], c.clicks[i], 0.1) << c.name << " click " << i;
        }
    }
}

}  // namespace
}  // namespace quib::bench
