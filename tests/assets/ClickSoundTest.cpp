// The click samples: format, timing and level contract, and that no two key
// profiles sound alike.

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "AudioAnalysis.h"
#include "sound/SoundProfile.h"

namespace quib::test {
namespace {

struct Click {
    std::string name;
    Audio audio;
};

const std::vector<Click>& clicks(bool keysOnly) {
    static const auto load = [](bool keys) {
        std::set<std::string> names;
        for (const SoundProfile profile : allSoundProfiles()) {
            names.emplace(keyFile(profile));
            if (!keys) {
                names.emplace(mouseFile(profile));
            }
        }
        std::vector<Click> result;
        for (const std::string& name : names) {
            if (auto audio = readAudio(resourcePath("Sounds/" + name + ".wav"))) {
                result.push_back({name, std::move(*audio)});
            }
        }
        return result;
    };
    static const std::vector<Click> all = load(false);
    static const std::vector<Click> keys = load(true);
    return keysOnly ? keys : all;
}

TEST(ClickSound, EveryClickIsShortMonoPcmAt48kHz) {
    ASSERT_EQ(clicks(false).size(), 30u);
    for (const Click& click : clicks(false)) {
        const int subtype = click.audio.format & SF_FORMAT_SUBMASK;
        EXPECT_EQ(click.audio.sampleRate, 48000) << click.name;
        EXPECT_EQ(click.audio.channels, 1) << click.name;
        EXPECT_TRUE(subtype == SF_FORMAT_PCM_16 || subtype == SF_FORMAT_PCM_24) << click.name;
        const double seconds = static_cast<double>(click.audio.frames()) / 48000.0;
        EXPECT_GE(seconds, 0.020) << click.name;
        EXPECT_LE(seconds, 0.150) << click.name;
    }
}

// Latency is measured from the start of the file, so the sound must be there.
TEST(ClickSound, EveryClickStartsWithinOneMillisecond) {
    for (const Click& click : clicks(false)) {
        EXPECT_LT(onsetIndex(click.audio.samples, 0.1), 48u) << click.name;
    }
}

TEST(ClickSound, EveryClickPeaksNearMinusThreeDecibels) {
    for (const Click& click : clicks(false)) {
        EXPECT_NEAR(toDb(peakOf(click.audio.samples)), -3.0, 0.5) << click.name;
    }
}

// A DC offset thumps when the player starts and stops; an unfaded end clicks.
TEST(ClickSound, EveryClickIsFreeOfDcAndFadesToSilence) {
    for (const Click& click : clicks(false)) {
        const std::vector<double>& x = click.audio.samples;
        EXPECT_LT(std::abs(meanOf(x)), 1e-3) << click.name;
        const std::vector<double> lastMillisecond(x.end() - 48, x.end());
        EXPECT_LT(peakOf(lastMillisecond), 0.01 * peakOf(x)) << click.name;
        EXPECT_LT(std::abs(x.back()), 1e-3) << click.name;
    }
}

struct Character {
    std::string name;
    double centroid;
    double decay;
};

// Two clicks count as different when their brightness differs by at least
// 12 % or their length by at least 25 %: steps a listener hears at once.
TEST(ClickSound, KeyClicksArePairwiseDistinguishable) {
    std::vector<Character> characters;
    for (const Click& click : clicks(true)) {
        characters.push_back({click.name, spectralCentroid(click.audio.samples, 48000),
                              std::max(decayTime(click.audio.samples, 48000), 0.002)});
    }
    ASSERT_EQ(characters.size(), 19u);
    for (std::size_t a = 0; a < characters.size(); ++a) {
        for (std::size_t b = a + 1; b < characters.size(); ++b) {
            const Character& x = characters[a];
            const Character& y = characters[b];
            const double brightness = std::abs(std::log(x.centroid / y.centroid));
            const double length = std::abs(std::log(x.decay / y.decay));
            EXPECT_TRUE(brightness >= std::log(1.12) || length >= std::log(1.25))
                << x.name << " (" << x.centroid << " Hz, " << x.decay * 1000 << " ms) vs " << y.name
                << " (" << y.centroid << " Hz, " << y.decay * 1000 << " ms)";
        }
    }
}

}  // namespace
}  // namespace quib::test
