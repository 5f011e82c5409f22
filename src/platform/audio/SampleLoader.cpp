#include "platform/audio/SampleLoader.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace quib {

namespace {

constexpr int kLowestRate = 1000;
constexpr int kHighestRate = 384000;
// A click sample beyond ten minutes is not a click: refuse rather than
// allocate gigabytes for a corrupt header.
constexpr sf_count_t kMostFrames = sf_count_t{kHighestRate} * 600;

struct MemoryFile {
    std::span<const unsigned char> bytes;
    sf_count_t position = 0;
};

MemoryFile& memory(void* data) {
    return *static_cast<MemoryFile*>(data);
}

sf_count_t memoryLength(void* data) {
    return static_cast<sf_count_t>(memory(data).bytes.size());
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* data) {
    MemoryFile& file = memory(data);
    const sf_count_t size = memoryLength(data);
    sf_count_t base = whence == SEEK_CUR ? file.position : (whence == SEEK_END ? size : 0);
    const sf_count_t target = base + offset;
    if (target < 0 || target > size) {
        return -1;
    }
    file.position = target;
    return target;
}

sf_count_t memoryRead(void* destination, sf_count_t count, void* data) {
    MemoryFile& file = memory(data);
    const sf_count_t left = memoryLength(data) - file.position;
    const sf_count_t taken = count < left ? count : left;
    if (taken > 0) {
        std::memcpy(destination, file.bytes.data() + file.position,
                    static_cast<std::size_t>(taken));
        file.position += taken;
    }
    return taken > 0 ? taken : 0;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t memoryTell(void* data) {
    return memory(data).position;
}

SampleLoad failure(std::string error) {
    return SampleLoad{nullptr, std::move(error)};
}

// libsndfile quietly shortens a file whose data ends before its header says;
// its log names that ("data : 9600 (should be 2000)"). A cut-off recording
// is refused rather than played with its end missing.
bool dataIsTruncated(SNDFILE* handle) {
    std::string log(4096, '\0');
    sf_command(handle, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
    for (std::size_t line = 0; line < log.size() && log[line] != '\0';) {
        const std::size_t end = std::min(log.find('\n', line), log.size());
        const std::string_view text(&log[line], end - line);
        if (text.starts_with("data") && text.find("(should be") != std::string_view::npos) {
            return true;
        }
        line = end + 1;
    }
    return false;
}

std::string checkFormat(SNDFILE* handle, const SF_INFO& info) {
    if (dataIsTruncated(handle)) {
        return "the data ends before its header says";
    }
    if (info.channels < 1 || info.channels > 2) {
        return "unsupported channel count " + std::to_string(info.channels);
    }
    if (info.samplerate < kLowestRate || info.samplerate > kHighestRate) {
        return "unsupported sample rate " + std::to_string(info.samplerate);
    }
    if (info.frames <= 0) {
        return "no audio frames";
    }
    if (info.frames > kMostFrames) {
        return "too long";
    }
    return {};
}

// Reads every frame of an open file in chunks, so that a header claiming
// more frames than the data holds never makes a large allocation; the file
// is closed in any case.
SampleLoad decode(SNDFILE* handle, const SF_INFO& info, const std::string& name) {
    constexpr sf_count_t kChunkFrames = 16384;
    auto sample = std::make_shared<Sample>();
    sample->channels = info.channels;
    sample->fileSampleRate = info.samplerate;
    std::vector<float> data;
    sf_count_t read = 0;
    while (read < info.frames) {
        const sf_count_t wanted = std::min(kChunkFrames, info.frames - read);
        data.resize(static_cast<std::size_t>((read + wanted) * info.channels));
        const sf_count_t got =
            sf_readf_float(handle, &data[static_cast<std::size_t>(read * info.channels)], wanted);
        if (got <= 0) {
            break;
        }
        read += got;
    }
    sf_close(handle);
    if (read != info.frames) {
        return failure(name + ": data ends after " + std::to_string(read) + " of " +
                       std::to_string(info.frames) + " frames");
    }
    data.resize(static_cast<std::size_t>(read * info.channels));
    for (float& value : data) {
        // A float file may carry NaN or huge values; they must not reach the speakers.
        value = std::isfinite(value) ? std::fmax(-1.0F, std::fmin(1.0F, value)) : 0.0F;
    }
    if (info.samplerate != kOutputSampleRate) {
        data = resampleLinear(data, info.channels, info.samplerate, kOutputSampleRate);
    }
    sample->frames = static_cast<std::int64_t>(data.size()) / info.channels;
    sample->data = std::move(data);
    return SampleLoad{std::move(sample), {}};
}

}  // namespace

SampleLoad loadSampleFile(const std::filesystem::path& file, Streaming streaming) {
    SF_INFO info{};
    SNDFILE* handle = sf_open(file.c_str(), SFM_READ, &info);
    const std::string name = file.filename().string();
    if (handle == nullptr) {
        return failure(name + ": " + sf_strerror(nullptr));
    }
    if (std::string problem = checkFormat(handle, info); !problem.empty()) {
        sf_close(handle);
        return failure(name + ": " + problem);
    }
    const double seconds = static_cast<double>(info.frames) / info.samplerate;
    if (seconds <= kStreamAboveSeconds || streaming == Streaming::never) {
        return decode(handle, info, name);
    }
    sf_close(handle);
    auto sample = std::make_shared<Sample>();
    sample->channels = info.channels;
    sample->fileSampleRate = info.samplerate;
    sample->frames = static_cast<std::int64_t>(std::ceil(seconds * kOutputSampleRate));
    sample->streamedFile = file;
    return SampleLoad{std::move(sample), {}};
}

std::optional<SampleHeader> readSampleHeader(const std::filesystem::path& file,
                                             std::string& error) {
    SF_INFO info{};
    SNDFILE* handle = sf_open(file.c_str(), SFM_READ, &info);
    const std::string name = file.filename().string();
    if (handle == nullptr) {
        error = name + ": " + sf_strerror(nullptr);
        return std::nullopt;
    }
    std::string problem = checkFormat(handle, info);
    sf_close(handle);
    if (!problem.empty()) {
        error = name + ": " + problem;
        return std::nullopt;
    }
    return SampleHeader{info.frames, info.samplerate, info.channels};
}

SampleLoad loadSampleFromMemory(std::span<const unsigned char> bytes) {
    MemoryFile file{bytes, 0};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    SNDFILE* handle = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (handle == nullptr) {
        return failure(std::string("memory: ") + sf_strerror(nullptr));
    }
    if (std::string problem = checkFormat(handle, info); !problem.empty()) {
        sf_close(handle);
        return failure("memory: " + problem);
    }
    if (static_cast<double>(info.frames) / info.samplerate > kStreamAboveSeconds) {
        sf_close(handle);
        return failure("memory: too long to hold in memory");
    }
    return decode(handle, info, "memory");
}

std::vector<float> resampleLinear(const std::vector<float>& input, int channels, int inputRate,
                                  int outputRate) {
    const auto channelCount = static_cast<std::size_t>(channels);
    const std::size_t inputFrames = input.size() / channelCount;
    if (inputFrames == 0) {
        return {};
    }
    const double step = static_cast<double>(inputRate) / outputRate;
    const auto outputFrames =
        static_cast<std::size_t>(std::ceil(static_cast<double>(inputFrames) / step));
    std::vector<float> output(outputFrames * channelCount);
    for (std::size_t frame = 0; frame < outputFrames; ++frame) {
        const double position = static_cast<double>(frame) * step;
        const auto index = static_cast<std::size_t>(position);
        const std::size_t next = index + 1 < inputFrames ? index + 1 : index;
        const auto fraction = static_cast<float>(position - static_cast<double>(index));
        for (std::size_t channel = 0; channel < channelCount; ++channel) {
            const float a = input[index * channelCount + channel];
            const float b = input[next * channelCount + channel];
            output[frame * channelCount + channel] = a + (b - a) * fraction;
        }
    }
    return output;
}

}  // namespace quib
