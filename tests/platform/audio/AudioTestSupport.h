#pragma once

// Shared by the audio, click-player and ambient tests: WAV fixtures written
// with libsndfile into a private resource directory, and a fake engine that
// records what the players ask of it.

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "platform/audio/MixerEngine.h"
#include "support/Wait.h"  // test::waitFor, for the tests that include this file

namespace quib::test {

// A temporary resource directory that QUIB_RESOURCE_DIR points at while it lives.
class ResourceDirectory {
  public:
    ResourceDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quib-audio-XXXXXX").string();
        m_root = mkdtemp(pattern.data());
        setenv("QUIB_RESOURCE_DIR", m_root.c_str(), 1);
    }
    ~ResourceDirectory() {
        unsetenv("QUIB_RESOURCE_DIR");
        std::error_code error;
        std::filesystem::remove_all(m_root, error);
    }
    ResourceDirectory(const ResourceDirectory&) = delete;
    ResourceDirectory& operator=(const ResourceDirectory&) = delete;

    std::filesystem::path file(const std::string& subdirectory, const std::string& name) const {
        std::filesystem::create_directories(m_root / subdirectory);
        return m_root / subdirectory / name;
    }
    const std::filesystem::path& root() const { return m_root; }

  private:
    std::filesystem::path m_root;
};

inline void writeSound(const std::filesystem::path& path, const std::vector<float>& interleaved,
                       int channels, int sampleRate,
                       int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::abort();
    }
    // In pieces: libvorbis takes stack space in proportion to one write.
    const auto frames = static_cast<sf_count_t>(interleaved.size()) / channels;
    for (sf_count_t done = 0; done < frames; done += 4096) {
        sf_writef_float(file, &interleaved[static_cast<std::size_t>(done * channels)],
                        std::min<sf_count_t>(4096, frames - done));
    }
    sf_close(file);
}

// Renders frames in blocks of 256, as the output thread does.
inline std::vector<float> renderFrames(MixerEngine& engine, int frames) {
    constexpr int kBlock = 256;
    std::vector<float> output(static_cast<std::size_t>(frames) * 2);
    for (int done = 0; done < frames; done += kBlock) {
        engine.render(&output[static_cast<std::size_t>(done) * 2], std::min(kBlock, frames - done));
    }
    return output;
}

// A constant level: easy to find in a mix and to compare across volumes.
inline std::vector<float> constantSignal(std::size_t samples, float level) {
    return std::vector<float>(samples, level);
}

// A sine of the given period in frames, repeated whole, so a loop has no seam.
inline std::vector<float> sineSignal(std::size_t frames, int channels, double periodFrames,
                                     float amplitude) {
    std::vector<float> samples(frames * static_cast<std::size_t>(channels));
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const double phase = 2.0 * M_PI * static_cast<double>(frame) / periodFrames;
        for (int channel = 0; channel < channels; ++channel) {
            samples[frame * static_cast<std::size_t>(channels) +
                    static_cast<std::size_t>(channel)] =
                amplitude * static_cast<float>(std::sin(phase));
        }
    }
    return samples;
}

}  // namespace quib::test
