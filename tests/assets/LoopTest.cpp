// Ambiences and music tracks: stereo Ogg Vorbis loops that, as decoded,
// repeat without a seam and share one loudness, so switching between them
// keeps the level.

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "AudioAnalysis.h"
#include "ambient/AmbientCatalog.h"

namespace quib::test {
namespace {

// What the tests need from one loop, measured once: the files are large.
struct LoopFacts {
    bool decoded = false;
    int sampleRate = 0;
    int channels = 0;
    int subtype = 0;
    double seconds = 0.0;
    double rmsDb = 0.0;
    double peak = 0.0;
    double worstSeamRatio = 0.0;  // seam step / 99.9th percentile of all steps
    double quietestEdgeDb = 0.0;  // level of the first or last 100 ms, relative to the whole
};

// Level of `frames` frames from `start`, in dB relative to full scale.
double windowLevel(const std::vector<double>& mono, std::size_t start, std::size_t frames) {
    return toDb(rmsOf({mono.begin() + static_cast<std::ptrdiff_t>(start),
                       mono.begin() + static_cast<std::ptrdiff_t>(start + frames)}));
}

LoopFacts measure(const std::string& relative) {
    LoopFacts facts;
    const std::optional<Audio> audio = readAudio(resourcePath(relative));
    if (!audio) {
        return facts;
    }
    facts.decoded = true;
    facts.sampleRate = audio->sampleRate;
    facts.channels = audio->channels;
    facts.subtype = audio->format & SF_FORMAT_SUBMASK;
    facts.seconds = static_cast<double>(audio->frames()) / audio->sampleRate;
    facts.rmsDb = toDb(rmsOf(audio->samples));
    facts.peak = peakOf(audio->samples);
    for (int c = 0; c < audio->channels; ++c) {
        const std::vector<double> x = audio->channel(c);
        const double seam = std::abs(x.front() - x.back());
        facts.worstSeamRatio = std::max(facts.worstSeamRatio, seam / stepQuantile(x, 0.999));
    }
    const std::vector<double> mono = audio->monoMix();
    const auto edge = static_cast<std::size_t>(audio->sampleRate / 10);
    const double quietest =
        std::min(windowLevel(mono, 0, edge), windowLevel(mono, mono.size() - edge, edge));
    facts.quietestEdgeDb = quietest - toDb(rmsOf(mono));
    return facts;
}

std::vector<std::string> ambienceFiles() {
    std::vector<std::string> files;
    for (const AmbientSound sound : allAmbientSounds()) {
        if (const auto file = fileName(sound)) {
            files.push_back("Ambient/" + std::string(*file) + ".ogg");
        }
    }
    return files;
}

std::vector<std::string> trackFiles() {
    std::vector<std::string> files;
    for (const MusicTrack track : allMusicTracks()) {
        files.push_back("Tracks/" + std::string(fileName(track)) + ".ogg");
    }
    return files;
}

const LoopFacts& facts(const std::string& relative) {
    static std::map<std::string, LoopFacts> cache;
    auto found = cache.find(relative);
    if (found == cache.end()) {
        found = cache.emplace(relative, measure(relative)).first;
    }
    return found->second;
}

// A loop file: 48 kHz stereo Vorbis, long enough, never at full scale; its
// last decoded sample steps into its first no further than the signal steps anywhere
// else (the 99.9th percentile of its sample-to-sample steps), and neither end
// fades out or falls silent, which would be heard as a gap at every repeat.
void expectSeamlessLoop(const std::string& file, double minimumSeconds) {
    const LoopFacts& f = facts(file);
    ASSERT_TRUE(f.decoded) << file;
    EXPECT_EQ(f.sampleRate, 48000) << file;
    EXPECT_EQ(f.channels, 2) << file;
    EXPECT_EQ(f.subtype, SF_FORMAT_VORBIS) << file;
    EXPECT_GE(f.seconds, minimumSeconds) << file;
    EXPECT_LT(f.peak, 1.0) << file << " reaches full scale";
    EXPECT_LE(f.worstSeamRatio, 1.0) << file;
    EXPECT_GT(f.quietestEdgeDb, -15.0) << file << " fades at the loop point";
}

// Switching from one loop to another must not jump in level.
void expectSharedLoudness(const std::vector<std::string>& files) {
    double low = 0.0;
    double high = -200.0;
    for (const std::string& file : files) {
        low = std::min(low, facts(file).rmsDb);
        high = std::max(high, facts(file).rmsDb);
    }
    EXPECT_LE(high - low, 1.5) << "loudest " << high << " dB, quietest " << low << " dB";
}

// Each file is large, so each group is checked in one test and read once.
TEST(LoopFile, AmbiencesAreSeamless30SecondLoopsOfOneLoudness) {
    for (const std::string& file : ambienceFiles()) {
        expectSeamlessLoop(file, 30.0);
    }
    expectSharedLoudness(ambienceFiles());
}

TEST(LoopFile, TracksAreSeamless60SecondLoopsOfOneLoudness) {
    for (const std::string& file : trackFiles()) {
        expectSeamlessLoop(file, 60.0);
    }
    expectSharedLoudness(trackFiles());
}

// True pink noise carries the same power in every octave (-3 dB per octave
// in the spectral density).
TEST(LoopFile, PinkNoiseHasEqualPowerPerOctaveFrom50HzTo10kHz) {
    const std::optional<Audio> audio = readAudio(resourcePath("Ambient/pinknoise.ogg"));
    ASSERT_TRUE(audio.has_value());
    const std::vector<double> left = audio->channel(0);
    const std::vector<double> edges{50, 100, 200, 400, 800, 1600, 3200, 6400, 10000};
    const std::vector<double> powers = powerPerOctave(left, 48000, edges);
    double meanDb = 0.0;
    for (const double power : powers) {
        meanDb += toDb(std::sqrt(power)) / static_cast<double>(powers.size());
    }
    for (std::size_t band = 0; band < powers.size(); ++band) {
        EXPECT_NEAR(toDb(std::sqrt(powers[band])), meanDb, 1.0)
            << "band from " << edges[band] << " Hz";
    }
}

}  // namespace
}  // namespace quib::test
