#include "Wav.h"

#include <sndfile.h>

#include <cstdio>

namespace assetgen {

namespace {

bool writeInterleaved(const std::string& path, const Mono& interleaved, int channels,
                      SampleFormat format) {
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = channels;
    info.format =
        SF_FORMAT_WAV | (format == SampleFormat::pcm24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_16);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    // Without dither: the signal is synthetic and deterministic output
    // matters more than the last bit of noise shaping. Clipping protects
    // against wrap-around on a full-scale sample.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const auto frames =
        static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(channels));
    const sf_count_t written = sf_writef_double(file, interleaved.data(), frames);
    sf_close(file);
    if (written != frames) {
        std::fprintf(stderr, "assetgen: short write to %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool writeWav(const std::string& path, const Mono& samples, SampleFormat format) {
    return writeInterleaved(path, samples, 1, format);
}

bool writeWav(const std::string& path, const Stereo& audio, SampleFormat format) {
    Mono interleaved(audio.frames() * 2);
    for (std::size_t i = 0; i < audio.frames(); ++i) {
        interleaved[2 * i] = audio.left[i];
        interleaved[2 * i + 1] = audio.right[i];
    }
    return writeInterleaved(path, interleaved, 2, format);
}

}  // namespace assetgen
