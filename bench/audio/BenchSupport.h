#pragma once

// Sound files for the benchmarks, written once into a private resource
// directory that QUIB_RESOURCE_DIR points at.

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace quib::bench {

inline void writeTone(const std::filesystem::path& path, double seconds, int channels,
                      float amplitude) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = 48000;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    std::filesystem::create_directories(path.parent_path());
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::abort();
    }
    const auto frames = static_cast<std::size_t>(seconds * 48000);
    std::vector<float> chunk(4800 * static_cast<std::size_t>(channels));
    for (std::size_t done = 0; done < frames; done += 4800) {
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            const double t = static_cast<double>(done + i / static_cast<std::size_t>(channels));
            chunk[i] = amplitude * static_cast<float>(std::sin(t * 0.05));
        }
        sf_writef_float(file, chunk.data(), 4800);
    }
    sf_close(file);
}

// Click samples, three 30 s ambiences and a 60 s track, as the real ones are shaped.
inline std::filesystem::path makeResources() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quib-bench-XXXXXX").string();
    const std::filesystem::path root = mkdtemp(pattern.data());
    writeTone(root / "Sounds" / "focus.wav", 0.08, 1, 0.5F);
    writeTone(root / "Sounds" / "select.wav", 0.08, 1, 0.5F);
    writeTone(root / "Sounds" / "long_click.wav", 1.5, 1, 0.05F);
    for (const char* name : {"rain", "forest", "ocean"}) {
        writeTone(root / "Ambient" / (std::string(name) + ".wav"), 30.0, 2, 0.1F);
    }
    writeTone(root / "Tracks" / "lofi_chill.wav", 60.0, 2, 0.1F);
    setenv("QUIB_RESOURCE_DIR", root.c_str(), 1);
    return root;
}

}  // namespace quib::bench
