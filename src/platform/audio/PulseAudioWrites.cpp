#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>

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

int PulseAudioOutput::bufferFrames() const {
    return m_shortBuffer ? kShortBufferFrames : m_bufferFrames;
}

int PulseAudioOutput::minimumWriteFrames() const {
    return bufferFrames() / 4;
}

pa_buffer_attr PulseAudioOutput::bufferAttributes() const {
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(bufferFrames() * kFrameBytes);
    // After running empty the stream plays again once a request's worth is
    // written; a block that holds sound is never written shorter than that.
    attributes.minreq = static_cast<std::uint32_t>(minimumWriteFrames() * kFrameBytes);
    attributes.prebuf = attributes.minreq;
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    return attributes;
}

// A click that starts while a lasting sound plays waits behind what is
// queued, so the buffer is short while one plays; the server asks more often
// then, as it would for any continuous sound at this latency.
void PulseAudioOutput::useShortBuffer(bool shortBuffer) {
    if (shortBuffer == m_shortBuffer) {
        return;
    }
    m_shortBuffer = shortBuffer;
    const pa_buffer_attr attributes = bufferAttributes();
    if (pa_operation* operation =
            pa_stream_set_buffer_attr(m_stream, &attributes, nullptr, nullptr)) {
        pa_operation_unref(operation);
    }
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
        const Sounding sounding = m_render(m_renderContext, samples, static_cast<int>(frames));
        m_silent = sounding == Sounding::nothing;
        const std::size_t audible = m_silent ? soundingFrames(samples, frames) : frames;
        if (audible == 0) {
            pa_stream_cancel_write(m_stream);
            return;
        }
        const std::size_t written = std::min(std::max(audible, minimum), frames);
        pa_stream_write(m_stream, data, written * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
        m_lastWrite = std::chrono::steady_clock::now();
        useShortBuffer(sounding == Sounding::lasting);
        if (m_silent) {
            return;
        }
        bytes -= frames * kFrameBytes;
    }
}

// A sound was asked for. A stream that stopped writing because it was
// silent is written now. Only what the server asked for is written: a stream
// that ran empty has been asked for nearly its whole buffer. Writing more
// would lengthen the queue, and with it the wait of every later click. A
// stream that still holds a request's worth or more (the rest of the last
// click, rendered ahead) would make the sound wait behind it, so that queue
// is dropped first.
void PulseAudioOutput::writeAfterSilence() {
    if (m_stream == nullptr || pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        return;
    }
    const std::size_t writable = pa_stream_writable_size(m_stream);
    if (writable == static_cast<std::size_t>(-1)) {
        return;
    }
    const std::size_t buffer = pa_stream_get_buffer_attr(m_stream)->tlength;
    const auto minimum = static_cast<std::size_t>(minimumWriteFrames()) * kFrameBytes;
    if (!m_shortBuffer && buffer - std::min(writable, buffer) >= minimum) {
        dropQueued();
    } else if (m_silent && writable >= minimum) {
        writeBlocks(writable);
    }
}

// A stream that still plays the end of the last click would hold the new one
// behind up to a long buffer of queue. What is queued is dropped instead (the
// server rewinds the sink as far as it can) and the server then asks for the
// whole buffer again, which the mixer fills from where it had got to: the old
// click skips ahead under the new one's attack. A block written just now may
// already hold the new sound (the mixer may take it up before the output is
// woken), so then the queue is kept: a late click beats a lost one.
void PulseAudioOutput::dropQueued() {
    if (std::chrono::steady_clock::now() - m_lastWrite < std::chrono::milliseconds(2)) {
        return;
    }
    if (pa_operation* operation = pa_stream_flush(m_stream, nullptr, nullptr)) {
        pa_operation_unref(operation);
    }
}

void PulseAudioOutput::onWritable(pa_stream*, std::size_t bytes, void* self) {
    auto* output = static_cast<PulseAudioOutput*>(self);
    // A sound asked for meanwhile is handled first, so that its head is not
    // written into the queue that is then dropped.
    if (output->m_soundWaiting.exchange(false, std::memory_order_acq_rel)) {
        output->writeAfterSilence();
        bytes = std::min(bytes, pa_stream_writable_size(output->m_stream));
    }
    output->writeBlocks(bytes);
}

}  // namespace quib
