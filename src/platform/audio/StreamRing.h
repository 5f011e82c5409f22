#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace quib {

// The lock-free ring between a streaming reader (producer) and the audio
// thread (consumer): interleaved float frames already at the output rate.
// Memory is allocated once, on the producer's side, before the ring is
// handed to the mixer.
class StreamRing {
  public:
    StreamRing(std::size_t frameCapacity, int channels);

    int channels() const { return m_channels; }
    std::size_t frameCapacity() const { return m_capacity - 1; }

    // Producer side.
    std::size_t writableFrames() const;
    void write(const float* frames, std::size_t count);
    void markFinished() { m_finished.store(true, std::memory_order_release); }

    // Consumer side: copies up to count frames, returns how many it copied.
    std::size_t read(float* frames, std::size_t count);
    std::size_t readableFrames() const;
    bool finished() const { return m_finished.load(std::memory_order_acquire); }

  private:
    std::size_t m_capacity;  // in frames, one more than can be held
    int m_channels;
    std::unique_ptr<float[]> m_data;
    std::atomic<std::size_t> m_readFrame{0};
    std::atomic<std::size_t> m_writeFrame{0};
    std::atomic<bool> m_finished{false};
};

}  // namespace quib
