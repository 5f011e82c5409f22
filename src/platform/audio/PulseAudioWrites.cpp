#include <pulse/pulseaudio.h>

#include <algorithm>

#include "platform/audio/PulseAudioOutput.h"

namespace quib {

namespace {

constexpr std::size_t kFrameBytes = sizeof(float) * kOutputChannels;

// Frames up to and including the last one that is not silent.
std::size_t soundingFrames(const float* samples, std::size_t frames) {
    for (std::size_t i = frames * kOutputChannels; i > 0; --i) {
        if (samples[i - 1] != 0.0F) {
            return (i - 1) / kOutputChannels + 1;
        }
    }
    return 0;
}

}  // namespace

int PulseAudioOutput::minimumWriteFrames() const {
    return m_bufferFrames / 4;
}

// Renders what the server asked for. Once nothing sounds any more, the
// silence after the last sound is not written (beyond the minimum that
// restarts a stream that ran empty), so the stream runs empty and the next
// sound starts it again at once. A sound that is running but silent (an
// ambience turned down) keeps being written, so that it keeps its time.
void PulseAudioOutput::writeBlocks(std::size_t bytes) {
    const auto minimum = static_cast<std::size_t>(minimumWriteFrames());
    while (bytes >= kFrameBytes) {
        void* data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(m_stream, &data, &size) < 0 || data == nullptr) {
            return;
        }
        const std::size_t frames = std::min(size, bytes) / kFrameBytes;
        auto* samples = static_cast<float*>(data);
        m_silent = !m_render(m_renderContext, samples, static_cast<int>(frames));
        const std::size_t audible = m_silent ? soundingFrames(samples, frames) : frames;
        if (audible == 0) {
            pa_stream_cancel_write(m_stream);
            return;
        }
        const std::size_t written = std::min(std::max(audible, minimum), frames);
        pa_stream_write(m_stream, data, written * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
        if (m_silent) {
            return;
        }
        bytes -= frames * kFrameBytes;
    }
}

// A sound was asked for. A stream that is writing renders it with its next
// request anyway; one that stopped writing because it was silent is written
// now, at least the minimum that starts it.
void PulseAudioOutput::writeAfterSilence() {
    if (!m_silent || m_stream == nullptr || pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        return;
    }
    const std::size_t writable = pa_stream_writable_size(m_stream);
    if (writable == static_cast<std::size_t>(-1)) {
        return;
    }
    writeBlocks(std::max(writable, static_cast<std::size_t>(minimumWriteFrames()) * kFrameBytes));
}

void PulseAudioOutput::onWritable(pa_stream*, std::size_t bytes, void* self) {
    static_cast<PulseAudioOutput*>(self)->writeBlocks(bytes);
}

}  // namespace quib
