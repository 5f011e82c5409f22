// The mechanical profiles' two strokes: the press without its return, and the
// return stroke played on key-up, lighter, higher and shorter than the press.

#include <gtest/gtest.h>

#include <string>

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
        ASSERT_GT(release.frames(), 0u);
        EXPECT_EQ(release.sampleRate, 48000);
        EXPECT_LT(onsetIndex(release.samples, 0.1), 48u) << "the return starts at once";
        // Lighter, higher, shorter.
        EXPECT_NEAR(toDb(peakOf(release.samples)) - toDb(peakOf(press.samples)), -6.0, 1.0);
        EXPECT_GT(spectralCentroid(release.samples, 48000), spectralCentroid(press.samples, 48000));
        EXPECT_LT(release.frames(), press.frames());
        EXPECT_LE(static_cast<double>(release.frames()) / 48000.0, 0.07);
        // The press keeps nothing of the return that the whole click holds.
        const double lateInWhole = peakAfter(whole, 0.05);
        if (lateInWhole > 0.1 * peakOf(whole.samples)) {
            EXPECT_LT(peakAfter(press, 0.05), 0.5 * lateInWhole);
        }
    }
    EXPECT_EQ(profiles, 8);
}

}  // namespace
}  // namespace quib::test
