#include "platform/audio/StreamRing.h"

#include <algorithm>
#include <cstring>

namespace quib {

StreamRing::StreamRing(std::size_t frameCapacity, int channels)
    : m_capacity(frameCapacity + 1),
      m_channels(channels),
      m_data(std::make_unique<float[]>(m_capacity * static_cast<std::size_t>(channels))) {}

std::size_t StreamRing::writableFrames() const {
    const std::size_t read = m_readFrame.load(std::memory_order_acquire);
    const std::size_t write = m_writeFrame.load(std::memory_order_relaxed);
    return (read + m_capacity - write - 1) % m_capacity;
}

std::size_t StreamRing::readableFrames() const {
    const std::size_t read = m_readFrame.load(std::memory_order_relaxed);
    const std::size_t write = m_writeFrame.load(std::memory_order_acquire);
    return (write + m_capacity - read) % m_capacity;
}

void StreamRing::write(const float* frames, std::size_t count) {
    count = std::min(count, writableFrames());
    std::size_t write = m_writeFrame.load(std::memory_order_relaxed);
    const std::size_t channels = static_cast<std::size_t>(m_channels);
    while (count > 0) {
        const std::size_t run = std::min(count, m_capacity - write);
        std::memcpy(&m_data[write * channels], frames, run * channels * sizeof(float));
        frames += run * channels;
        count -= run;
        write = (write + run) % m_capacity;
    }
    m_writeFrame.store(write, std::memory_order_release);
}

std::size_t StreamRing::read(float* frames, std::size_t count) {
    count = std::min(count, readableFrames());
    const std::size_t total = count;
    std::size_t read = m_readFrame.load(std::memory_order_relaxed);
    const std::size_t channels = static_cast<std::size_t>(m_channels);
    while (count > 0) {
        const std::size_t run = std::min(count, m_capacity - read);
        std::memcpy(frames, &m_data[read * channels], run * channels * sizeof(float));
        frames += run * channels;
        count -= run;
        read = (read + run) % m_capacity;
    }
    m_readFrame.store(read, std::memory_order_release);
    return total;
}

}  // namespace quib
