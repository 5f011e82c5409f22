// The mechanical profiles' two strokes: the press without its return, and the
// return stroke played on key-up, lighter, higher and shorter than the press;
// the same for each class of keys and each of its takes.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "AudioAnalysis.h"
#include "sound/SoundProfile.h"

namespace quib::test {
namespace {

Audio load(const std::string& name) {
    auto audio = readAudio(resourcePath("Sounds/" + name + ".wav"));
    EXPECT_TRUE(audio.has_value()) << name;
    return audio.value_or(Audio{});
}

// The loudest sample from `seconds` on.
double peakAfter(const Audio& audio, double seconds) {
    const auto first = static_cast<std::ptrdiff_t>(seconds * audio.sampleRate);
    if (first >= static_cast<std::ptrdiff_t>(audio.samples.size())) {
        return 0.0;
    }
    return peakOf(std::vector<double>(audio.samples.begin() + first, audio.samples.end()));
}

// What every stroke file holds to: the sound at once, normalised like every
// click, free of DC, faded out, and short.
void expectClickContract(const Audio& audio, double peakDb, double longest) {
    ASSERT_GT(audio.frames(), 48u);
    EXPECT_EQ(audio.sampleRate, 48000);
    EXPECT_EQ(audio.channels, 1);
    EXPECT_LT(onsetIndex(audio.samples, 0.1), 48u) << "the sound starts at once";
    EXPECT_NEAR(toDb(peakOf(audio.samples)), peakDb, 0.5);
    EXPECT_LT(std::abs(meanOf(audio.samples)), 1e-3);
    EXPECT_LT(std::abs(audio.samples.back()), 1e-3);
    EXPECT_LE(static_cast<double>(audio.frames()) / 48000.0, longest);
}

// A press and its return: the return lighter and shorter.
void expectStrokes(const Audio& press, const Audio& release) {
    expectClickContract(press, -3.0, 0.150);
    expectClickContract(release, -9.0, 0.07);
    EXPECT_LT(release.frames(), press.frames());
}

TEST(StrokeSound, EveryMechanicalProfileHasItsTwoStrokes) {
    int profiles = 0;
    for (const SoundProfile profile : allSoundProfiles()) {
        const auto strokes = keyStrokeFiles(profile);
        if (!strokes) {
            continue;
        }
        ++profiles;
        SCOPED_TRACE(std::string(rawValue(profile)));
        const Audio whole = load(std::string(keyFile(profile)));
        const Audio press = load(strokes->press);
        const Audio release = load(strokes->release);
        expectStrokes(press, release);
        EXPECT_GT(spectralCentroid(release.samples, 48000), spectralCentroid(press.samples, 48000))
            << "the return is higher";
        // The press keeps nothing of the return that the whole click holds.
        const double lateInWhole = peakAfter(whole, 0.05);
        if (lateInWhole > 0.1 * peakOf(whole.samples)) {
            EXPECT_LT(peakAfter(press, 0.05), 0.5 * lateInWhole);
        }
    }
    EXPECT_EQ(profiles, 8);
}

// Each row of the main block, the long keys and every take of each: strokes
// of the same switch, each with the contract of the plain ones. The returns
// are higher than the presses over each profile's takes (one take's random
// modes may tip a single pair the other way).
TEST(StrokeSound, EveryClassOfKeysHasItsTakes) {
    int files = 0;
    for (const SoundProfile profile : allSoundProfiles()) {
        std::vector<double> pressCentroids;
        std::vector<double> releaseCentroids;
        for (std::size_t keyClass = 0; keyClass < kKeyClassCount; ++keyClass) {
            for (int take = 1; take <= kKeyTakes; ++take) {
                const auto strokes = keyStrokeFiles(profile, static_cast<KeyClass>(keyClass), take);
                if (!strokes) {
                    continue;
                }
                SCOPED_TRACE(strokes->press);
                const Audio press = load(strokes->press);
                const Audio release = load(strokes->release);
                expectStrokes(press, release);
                pressCentroids.push_back(spectralCentroid(press.samples, 48000));
                releaseCentroids.push_back(spectralCentroid(release.samples, 48000));
                files += 2;
            }
        }
        if (!pressCentroids.empty()) {
            EXPECT_GT(medianOf(releaseCentroids), medianOf(pressCentroids)) << rawValue(profile);
        }
    }
    EXPECT_EQ(files, 8 * 2 * static_cast<int>(kKeyClassCount) * kKeyTakes);
}

}  // namespace
}  // namespace quib::test
