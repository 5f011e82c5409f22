#include "platform/audio/AudioStream.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>

namespace quib {

namespace {

constexpr std::size_t kRingFrames = kOutputSampleRate / 2;
constexpr std::size_t kInputChunkFrames = 2048;

}  // namespace

std::shared_ptr<AudioStream> AudioStream::open(const Sample& sample, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(sample.streamedFile.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        error = sample.streamedFile.filename().string() + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    if (info.channels != sample.channels || info.samplerate <= 0) {
        sf_close(file);
        error = sample.streamedFile.filename().string() + ": the file changed since it was loaded";
        return nullptr;
    }
    std::shared_ptr<AudioStream> stream(new AudioStream(file, info.channels, info.samplerate));
    stream->pullFrame(stream->m_previous);
    stream->pullFrame(stream->m_next);
    stream->fill();
    return stream;
}

AudioStream::AudioStream(sf_private_tag* file, int channels, int fileRate)
    : m_file(file),
      m_channels(channels),
      m_step(static_cast<double>(fileRate) / kOutputSampleRate),
      m_ring(kRingFrames, channels),
      m_input(kInputChunkFrames * static_cast<std::size_t>(channels)),
      m_output(kInputChunkFrames * static_cast<std::size_t>(channels)) {}

AudioStream::~AudioStream() {
    sf_close(m_file);
}

bool AudioStream::refillInput() {
    m_inputRead = 0;
    auto frames = sf_readf_float(m_file, m_input.data(), kInputChunkFrames);
    if (frames <= 0 && m_looping.load(std::memory_order_acquire)) {
        sf_seek(m_file, 0, SEEK_SET);
        frames = sf_readf_float(m_file, m_input.data(), kInputChunkFrames);
    }
    m_inputFrames = frames > 0 ? static_cast<std::size_t>(frames) : 0;
    return m_inputFrames > 0;
}

bool AudioStream::pullFrame(float* frame) {
    if (m_inputRead >= m_inputFrames && !refillInput()) {
        return false;
    }
    const auto channels = static_cast<std::size_t>(m_channels);
    std::copy_n(&m_input[m_inputRead * channels], channels, frame);
    ++m_inputRead;
    return true;
}

bool AudioStream::fill() {
    const auto channels = static_cast<std::size_t>(m_channels);
    while (!m_ended) {
        const std::size_t wanted = std::min(m_ring.writableFrames(), kInputChunkFrames);
        if (wanted == 0) {
            break;
        }
        std::size_t produced = 0;
        for (; produced < wanted; ++produced) {
            while (m_fraction >= 1.0) {
                std::copy_n(m_next, channels, m_previous);
                if (!pullFrame(m_next)) {
                    m_ended = true;
                    break;
                }
                m_fraction -= 1.0;
            }
            if (m_ended) {
                break;
            }
            const auto t = static_cast<float>(m_fraction);
            for (std::size_t c = 0; c < channels; ++c) {
                m_output[produced * channels + c] = m_previous[c] + (m_next[c] - m_previous[c]) * t;
            }
            m_fraction += m_step;
        }
        m_ring.write(m_output.data(), produced);
    }
    if (m_ended) {
        m_ring.markFinished();
    }
    return !m_ended;
}

StreamReader::StreamReader() : m_thread([this] { run(); }) {}

StreamReader::~StreamReader() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void StreamReader::add(std::shared_ptr<AudioStream> stream) {
    {
        std::lock_guard lock(m_mutex);
        m_streams.push_back(std::move(stream));
    }
    m_wake.notify_one();
}

void StreamReader::remove(const AudioStream* stream) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_streams, [stream](const auto& entry) { return entry.get() == stream; });
}

void StreamReader::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_streams.empty()) {
            m_wake.wait(lock);
            continue;
        }
        // Reading under the lock keeps a removed stream from being read after
        // remove() returned; a chunk of file input takes well under a millisecond.
        for (const auto& stream : m_streams) {
            stream->fill();
        }
        m_wake.wait_for(lock, std::chrono::milliseconds(20));
    }
}

}  // namespace quib
