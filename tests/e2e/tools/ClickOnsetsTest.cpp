// The click-onset detector shared with the key-to-sound harness, with the
// settings the end-to-end tests count clicks with, fed with the program's own default click as the
// mixer plays it: varied in pitch, overlapping at typing and auto-repeat speed, over a faint noise
// floor, with a dropout inside one click.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "ClickCounting.h"
#include "OnsetTone.h"
#include "assets/AudioAnalysis.h"

namespace quib::bench {
namespace {

constexpr int kRate = 48000;

std::vector<double> defaultClick() {
    const auto audio = test::readAudio(test::resourcePath("Sounds/iphone_key.wav"));
    EXPECT_TRUE(audio.has_value());
    return audio ? audio->monoMix() : std::vector<double>{};
}

// A click starting at `start` seconds, resampled by `rate` (the mixer's pitch
// variation) and scaled by `gain` (the volume).
struct Placement {
    double start;
    double rate = 1.0;
    double gain = 0.5;
};

// The mono envelope (|left| max |right|) of a recording of the placements.
std::vector<float> record(double seconds, const std::vector<Placement>& placements) {
    static const std::vector<double> click = defaultClick();
    std::vector<double> mix(static_cast<std::size_t>(seconds * kRate), 0.0);
    for (const Placement& p : placements) {
        const auto first = static_cast<std::size_t>(p.start * kRate);
        for (std::size_t i = 0; first + i < mix.size(); ++i) {
            const auto source = static_cast<std::size_t>(static_cast<double>(i) * p.rate);
            if (source >= click.size()) {
                break;
            }
            mix[first + i] += click[source] * p.gain;
        }
    }
    std::vector<float> envelope(mix.size());
    std::transform(mix.begin(), mix.end(), envelope.begin(),
                   [](double v) { return static_cast<float>(std::abs(v)); });
    return envelope;
}

std::vector<double> onsetSeconds(const std::vector<float>& envelope) {
    std::vector<double> seconds;
    for (const std::int64_t frame : detectOnsets(envelope, kRate, e2e::clickCountingOptions())) {
        seconds.push_back(static_cast<double>(frame) / kRate);
    }
    return seconds;
}

std::vector<Placement> train(int count, double first, double spacing) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> rate(0.93, 1.07);
    std::vector<Placement> out;
    for (int i = 0; i < count; ++i) {
        out.push_back({first + i * spacing, rate(random)});
    }
    return out;
}

TEST(RealClickOnsets, EveryClickIsFoundAtItsStart) {
    ASSERT_FALSE(defaultClick().empty());
    const struct {
        const char* name;
        std::vector<Placement> placements;
    } cases[] = {
        {"three taps at different pitches and volumes",
         {{0.1}, {0.35, 0.93, 0.9}, {0.6, 1.07, 0.15}}},
        {"auto-repeat, 40 ms apart", train(35, 0.2, 0.040)},
        {"fast typing, 20 ms apart", train(20, 0.05, 0.020)},
        {"a quiet click at the very start", {{0.0, 1.0, 0.05}}},
    };
    for (const auto& c : cases) {
        const auto onsets = onsetSeconds(record(2.0, c.placements));
        ASSERT_EQ(onsets.size(), c.placements.size()) << c.name;
        for (std::size_t i = 0; i < onsets.size(); ++i) {
            EXPECT_NEAR(onsets[i], c.placements[i].start, 0.0015) << c.name << ", click " << i;
        }
    }
}

TEST(RealClickOnsets, AFaintNoiseFloorIsNoClickAndHidesNone) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> noise(0.0F, 0.002F);
    std::vector<float> floor(kRate);
    std::generate(floor.begin(), floor.end(), [&] { return noise(random); });
    EXPECT_TRUE(onsetSeconds(floor).empty());

    std::vector<float> clicks = record(1.0, train(8, 0.1, 0.1));
    std::transform(clicks.begin(), clicks.end(), floor.begin(), clicks.begin(),
                   [](float click, float hiss) { return click + hiss; });
    EXPECT_EQ(onsetSeconds(clicks).size(), 8u);
}

TEST(RealClickOnsets, UnderrunsInsideOneClickAreNotMoreClicks) {
    // A stream that underruns plays silence and then goes on where it was: 8 ms
    // of it 4 ms into the click, then 1 ms pauses, as seen on a loaded machine.
    const std::vector<std::pair<double, double>> pauses{
        {0.004, 0.008}, {0.020, 0.001}, {0.030, 0.001}, {0.036, 0.001}};
    for (const double gain : {1.0, 0.1}) {
        std::vector<float> envelope = record(0.5, {{0.1, 0.93, gain}});
        for (auto pause = pauses.rbegin(); pause != pauses.rend(); ++pause) {
            const auto at =
                envelope.begin() + static_cast<std::ptrdiff_t>((0.1 + pause->first) * kRate);
            envelope.insert(at, static_cast<std::size_t>(pause->second * kRate), 0.0F);
        }
        EXPECT_EQ(onsetSeconds(envelope).size(), 1u) << "gain " << gain;
    }
}

// A pack's tone and the built-in click must read apart in a recording (by
// pitch: the default click is itself tonal), and a click placed left must
// read left.
TEST(RealClickOnsets, AToneAndAClickAreToldApartWithTheirSide) {
    const std::vector<double> click = defaultClick();
    std::vector<float> tone(2 * kRate / 10);
    std::vector<float> clicked(2 * kRate / 10);
    for (std::size_t i = 0; i < tone.size() / 2; ++i) {
        const auto sine = static_cast<float>(0.5 * std::sin(2.0 * M_PI * 3000.0 * i / kRate));
        tone[2 * i] = sine;
        tone[2 * i + 1] = 0.7F * sine;  // the right channel turned down: a key on the left
        const float c = i < click.size() ? static_cast<float>(click[i]) : 0.0F;
        clicked[2 * i] = c;
        clicked[2 * i + 1] = c;
    }
    const auto pure = e2e::describeOnset(tone, 0, kRate);
    EXPECT_NEAR(pure.hz, 3000.0, 50.0);
    EXPECT_GT(pure.purity, 0.6);
    EXPECT_NEAR(pure.balanceDb, 3.1, 0.2);
    const auto built = e2e::describeOnset(clicked, 0, kRate);
    EXPECT_GT(std::abs(built.hz - 3000.0), 500.0) << "the default click is a tink, well below";
    EXPECT_NEAR(built.balanceDb, 0.0, 0.01);
}

}  // namespace
}  // namespace quib::bench
