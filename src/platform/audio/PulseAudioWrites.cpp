#include <pulse/pulseaudio.h>

#include <algorithm>

#include "platform/audio/PulseAudioOutput.h"

namespace quib {

namespace {

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
// `bytes` may exceed what was asked for, to render a waiting sound at once.
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
        const Rendered rendered = m_render(m_renderContext, samples, static_cast<int>(frames));
        m_silent = rendered.sounding == Sounding::nothing;
        const std::size_t audible = m_silent ? soundingFrames(samples, frames) : frames;
        if (audible == 0) {
            pa_stream_cancel_write(m_stream);
            return;
        }
        if (rendered.started && queueToDrop()) {
            dropQueued();
        }
        const std::size_t written = std::min(std::max(audible, minimum), frames);
        pa_stream_write(m_stream, data, written * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
        useShortBuffer(rendered.sounding == Sounding::lasting);
        if (m_silent) {
            return;
        }
        bytes -= frames * kFrameBytes;
    }
}

// A sound was asked for: it is rendered now rather than when the server next
// asks, which for a stream that stopped writing because it was silent would
// be never. A click is then rendered on to its end, up to four buffers
// (128 ms) further, far more than the server asked for: a click is short, so
// the server has no need to ask again while it plays, which cut QUIB's CPU at
// 20 keys/s by about a third. A click that comes before the queue has played
// drops it anyway, and the rest of a longer sound is asked for as usual. A
// lasting sound is not rendered ahead: clicks over it would wait behind it.
// The mixer may already have taken the sound up in a block written just
// before; that block dropped the queue itself, and this one simply follows
// it. While a lasting sound plays the buffer is short and the server asks
// often, so the sound waits for that.
void PulseAudioOutput::writeAskedSound() {
    if (m_stream == nullptr || pa_stream_get_state(m_stream) != PA_STREAM_READY ||
        (m_shortBuffer && !m_silent)) {
        return;
    }
    const std::size_t writable = pa_stream_writable_size(m_stream);
    if (writable == static_cast<std::size_t>(-1)) {
        return;
    }
    const auto minimum = static_cast<std::size_t>(minimumWriteFrames()) * kFrameBytes;
    writeBlocks(std::max(writable, minimum));
    if (!m_silent && !m_shortBuffer) {
        writeBlocks(4 * static_cast<std::size_t>(pa_stream_get_buffer_attr(m_stream)->tlength));
    }
}

// Whether a block that starts a sound would wait behind a request's worth or
// more of the last click, rendered ahead into a long buffer.
bool PulseAudioOutput::queueToDrop() const {
    if (m_shortBuffer) {
        return false;
    }
    const std::size_t writable = pa_stream_writable_size(m_stream);
    const std::size_t buffer = pa_stream_get_buffer_attr(m_stream)->tlength;
    const auto minimum = static_cast<std::size_t>(minimumWriteFrames()) * kFrameBytes;
    return writable != static_cast<std::size_t>(-1) &&
           buffer - std::min(writable, buffer) >= minimum;
}

// What is queued is dropped (the server rewinds the sink as far as it can,
// plays the next block at once and asks for the rest of the buffer again):
// the old click skips ahead under the new one's attack. The flush and the
// block go out together, without waiting for the server in between.
void PulseAudioOutput::dropQueued() {
    if (pa_operation* operation = pa_stream_flush(m_stream, nullptr, nullptr)) {
        pa_operation_unref(operation);
    }
}

void PulseAudioOutput::onWritable(pa_stream*, std::size_t bytes, void* self) {
    static_cast<PulseAudioOutput*>(self)->writeBlocks(bytes);
}

}  // namespace quib
