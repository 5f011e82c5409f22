// The clicks named after mechanical switches start the way a struck key does:
// a broadband, noisy burst in the first milliseconds, not a few clean partials.
// The yardstick is a recorded keyboard (an IBM Model M, the Debian package
// bucklespring-data), read only to measure it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "AudioAnalysis.h"

namespace quib::test {
namespace {

namespace fs = std::filesystem;

const char* const kRecordedKeys = "/usr/share/buckle/wav";

const std::vector<std::string> kMechanical{
    "mxblue_key",   "mxbrown_key", "mxblack_key",     "cream_key",     "turquoise_key",
    "mech_classic", "mech_deep",   "mech_mouse_down", "mech_mouse_up", "mech_sharp"};

struct Attack {
    std::string name;
    double flatness = 0.0;
    double highShare = 0.0;  // of the attack's power above 5 kHz
};

Attack measure(const std::string& name, const Audio& audio) {
    const std::vector<double> attack = attackOf(audio.monoMix(), audio.sampleRate);
    return {name, spectralFlatness(attack, audio.sampleRate),
            powerShareAbove(attack, audio.sampleRate, 5000.0)};
}

const std::vector<Attack>& mechanicalAttacks() {
    static const std::vector<Attack> attacks = [] {
        std::vector<Attack> result;
        for (const std::string& name : kMechanical) {
            if (auto audio = readAudio(resourcePath("Sounds/" + name + ".wav"))) {
                result.push_back(measure(name, *audio));
            }
        }
        return result;
    }();
    return attacks;
}

// The key presses of the recording ("NN-0.wav"; "NN-1.wav" are the releases).
std::vector<Attack> recordedAttacks() {
    std::vector<Attack> result;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(kRecordedKeys, error)) {
        const std::string file = entry.path().filename().string();
        if (file.size() > 6 && file.ends_with("-0.wav")) {
            if (auto audio = readAudio(entry.path().string())) {
                result.push_back(measure(file, *audio));
            }
        }
    }
    return result;
}

template <typename Field>
double medianAttack(const std::vector<Attack>& attacks, Field field) {
    std::vector<double> values;
    for (const Attack& attack : attacks) {
        values.push_back(attack.*field);
    }
    return medianOf(values);
}

// A partial ringing down over 20 ms.
std::vector<double> tone(double frequency, int rate) {
    std::vector<double> x(static_cast<std::size_t>(rate / 10));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        x[i] = std::sin(2.0 * std::numbers::pi * frequency * t) * std::exp(-t / 0.02);
    }
    return x;
}

std::vector<double> noise() {
    std::vector<double> x(4800);
    std::uint32_t state = 12345;
    for (double& value : x) {
        state = state * 1664525u + 1013904223u;
        value = static_cast<double>(state) / 4294967296.0 - 0.5;
    }
    return x;
}

// The measures themselves: a ringing partial is neither flat nor bright, a
// burst of white noise is both, whatever the sample rate of the file.
TEST(ClickAttack, MeasuresTellANoiseBurstFromAPartial) {
    struct Case {
        const char* what;
        int rate;
        std::vector<double> signal;
        double minFlatness, maxFlatness, minShare, maxShare;
    };
    const std::vector<Case> cases{
        {"1 kHz partial", 48000, tone(1000.0, 48000), 0.0, 0.01, 0.0, 0.01},
        {"6 kHz partial", 48000, tone(6000.0, 48000), 0.0, 0.01, 0.95, 1.0},
        {"4.7 kHz partial at 44.1 kHz", 44100, tone(4700.0, 44100), 0.0, 0.01, 0.0, 0.05},
        {"6 kHz partial at 44.1 kHz", 44100, tone(6000.0, 44100), 0.0, 0.01, 0.95, 1.0},
        {"white noise", 48000, noise(), 0.3, 1.0, 0.65, 0.85},
    };
    for (const Case& c : cases) {
        const std::vector<double> attack = attackOf(c.signal, c.rate);
        EXPECT_EQ(attack.size(), static_cast<std::size_t>(c.rate / 100)) << c.what;
        const double flatness = spectralFlatness(attack, c.rate);
        const double share = powerShareAbove(attack, c.rate, 5000.0);
        EXPECT_GE(flatness, c.minFlatness) << c.what;
        EXPECT_LE(flatness, c.maxFlatness) << c.what;
        EXPECT_GE(share, c.minShare) << c.what;
        EXPECT_LE(share, c.maxShare) << c.what;
    }
}

// The floor is about the quietest tenth of the recorded key presses: a click
// of a few clean partials measures 0.00 to 0.01 on both.
TEST(ClickAttack, EveryMechanicalClickStartsWithABroadbandBurst) {
    ASSERT_EQ(mechanicalAttacks().size(), kMechanical.size());
    for (const Attack& attack : mechanicalAttacks()) {
        EXPECT_GE(attack.flatness, 0.03) << attack.name;
        EXPECT_GE(attack.highShare, 0.02) << attack.name;
    }
}

TEST(ClickAttack, MechanicalClicksAreAtLeastHalfAsNoisyAndBrightAsARecordedKeyboard) {
    const std::vector<Attack> recorded = recordedAttacks();
    if (recorded.size() < 20) {
        GTEST_SKIP() << "no recorded key presses in " << kRecordedKeys
                     << ": install the Debian package bucklespring-data (scripts/install-deps.sh "
                        "does) to compare the clicks with a real keyboard";
    }
    ASSERT_EQ(mechanicalAttacks().size(), kMechanical.size());
    const double recordedFlatness = medianAttack(recorded, &Attack::flatness);
    const double recordedShare = medianAttack(recorded, &Attack::highShare);
    EXPECT_GE(medianAttack(mechanicalAttacks(), &Attack::flatness), recordedFlatness / 2)
        << "recorded median " << recordedFlatness << " over " << recorded.size() << " presses";
    EXPECT_GE(medianAttack(mechanicalAttacks(), &Attack::highShare), recordedShare / 2)
        << "recorded median " << recordedShare << " over " << recorded.size() << " presses";
}

// Harder contacts ring brighter: the sharp profile above the everyday one,
// the deep one below it.
TEST(ClickAttack, SharpStartsBrighterAndDeepDarkerThanClassic) {
    ASSERT_EQ(mechanicalAttacks().size(), kMechanical.size());
    auto share = [](const std::string& name) {
        for (const Attack& attack : mechanicalAttacks()) {
            if (attack.name == name) {
                return attack.highShare;
            }
        }
        return -1.0;
    };
    EXPECT_GT(share("mech_sharp"), 2.0 * share("mech_classic"));
    EXPECT_GT(share("mech_classic"), 1.5 * share("mech_deep"));
}

}  // namespace
}  // namespace quib::test
