// The click-onset detector of the end-to-end tests, fed with the program's own
// default click as the mixer would play it: varied in pitch and level,
// overlapping at auto-repeat speed, over a faint noise floor, with a dropout.
#include "ClickOnsets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "assets/AudioAnalysis.h"

namespace quib::e2e {
namespace {

constexpr int kRate = 48000;

std::vector<double> defaultClick() {
    const auto audio = test::readAudio(test::resourcePath("Sounds/iphone_key.wav"));
    EXPECT_TRUE(audio.has_value());
    return audio ? audio->monoMix() : std::vector<double>{};
}

// A stereo recording of `seconds` with `click` mixed in at each start time,
// resampled by `rate` (the mixer's pitch variation) and scaled by `gain`.
struct Placement {
    double start;
    double rate = 1.0;
    double gain = 0.5;
};

std::vector<float> record(double seconds, const std::vector<double>& click,
                          const std::vector<Placement>& placements) {
    std::vector<float> out(static_cast<std::size_t>(seconds * kRate) * 2, 0.0F);
    for (const Placement& p : placements) {
        const auto first = static_cast<std::size_t>(p.start * kRate);
        for (std::size_t i = 0; first + i < out.size() / 2; ++i) {
            const auto source = static_cast<std::size_t>(static_cast<double>(i) * p.rate);
            if (source >= click.size()) {
                break;
            }
            const auto value = static_cast<float>(click[source] * p.gain);
            out[(first + i) * 2] += value;
            out[(first + i) * 2 + 1] += value;
        }
    }
    return out;
}

std::vector<double> detect(const std::vector<float>& samples, std::size_t piece = 4800) {
    OnsetDetector detector;
    for (std::size_t frame = 0; frame < samples.size() / 2; frame += piece) {
        detector.feed(samples.data() + frame * 2, std::min(piece, samples.size() / 2 - frame));
    }
    return detector.onsets();
}

struct Case {
    const char* name;
    std::vector<Placement> placements;
};

std::vector<Placement> train(int count, double first, double spacing) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> rate(0.93, 1.07);
    std::vector<Placement> out;
    for (int i = 0; i < count; ++i) {
        out.push_back({first + i * spacing, rate(random), 0.5});
    }
    return out;
}

TEST(ClickOnsets, FindsEveryClickAtItsStart) {
    const std::vector<double> click = defaultClick();
    ASSERT_FALSE(click.empty());
    const std::vector<Case> cases{
        {"three taps", {{0.1}, {0.35, 0.93, 0.9}, {0.6, 1.07, 0.15}}},
        {"auto-repeat, 40 ms apart", train(35, 0.2, 0.040)},
        {"fast typing, 20 ms apart", train(20, 0.05, 0.020)},
        {"a quiet click at the start of the recording", {{0.0, 1.0, 0.05}}},
    };
    for (const Case& c : cases) {
        const auto onsets = detect(record(2.0, click, c.placements));
        ASSERT_EQ(onsets.size(), c.placements.size()) << c.name;
        for (std::size_t i = 0; i < onsets.size(); ++i) {
            EXPECT_NEAR(onsets[i], c.placements[i].start, 0.0015) << c.name << ", click " << i;
        }
    }
}

TEST(ClickOnsets, SilenceAndAFaintNoiseFloorAreNoClicks) {
    EXPECT_TRUE(detect(std::vector<float>(kRate * 2, 0.0F)).empty());
    std::mt19937 random(3);
    std::uniform_real_distribution<float> noise(-0.004F, 0.004F);
    std::vector<float> floor(kRate * 2);
    for (float& sample : floor) {
        sample = noise(random);
    }
    EXPECT_TRUE(detect(floor).empty());
}

TEST(ClickOnsets, ADropoutInsideOneClickIsNotASecondClick) {
    const std::vector<double> click = defaultClick();
    std::vector<float> samples = record(0.5, click, {{0.1, 1.0, 1.0}});
    // 4 ms of silence 5 ms into the click, as a brief underrun would leave.
    std::fill(samples.begin() + (kRate / 10 + kRate / 200) * 2,
              samples.begin() + (kRate / 10 + kRate * 9 / 1000) * 2, 0.0F);
    EXPECT_EQ(detect(samples).size(), 1u);
}

TEST(ClickOnsets, PiecesOfAnySizeGiveTheSameOnsets) {
    const auto samples = record(1.0, defaultClick(), train(12, 0.03, 0.07));
    const auto whole = detect(samples, samples.size() / 2);
    for (const std::size_t piece : {1u, 47u, 48u, 1000u}) {
        EXPECT_EQ(detect(samples, piece), whole) << "pieces of " << piece << " frames";
    }
}

TEST(ClickOnsets, RmsLevelOfASineIsItsAmplitudeOverRootTwo) {
    std::vector<float> sine(kRate * 2);
    for (std::size_t i = 0; i < sine.size() / 2; ++i) {
        sine[i * 2] = sine[i * 2 + 1] = 0.5F * static_cast<float>(std::sin(i * 0.1));
    }
    EXPECT_NEAR(rmsLevel(sine, 2, 0, kRate), 0.5 / std::sqrt(2.0), 0.005);
    EXPECT_EQ(rmsLevel(sine, 2, kRate, kRate * 2), 0.0);  // past the end: nothing
}

}  // namespace
}  // namespace quib::e2e
