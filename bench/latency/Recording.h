#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "latency/Onsets.h"

namespace quib::bench {

std::int64_t monotonicNanos();

// What a recorder of the sink has taken in so far: a mono envelope of every
// frame (|left| max |right|) and, per piece taken in, the monotonic time that
// places it (see ChunkStamp), so that click onsets can be placed on the clock
// the input was injected on. A recorder feeds it from a thread of its own.
class Recording {
  public:
    static constexpr int kRate = 48000;

    virtual ~Recording() = default;
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // Waits until data flows (a fresh server takes about 2 s); false on timeout.
    bool waitForData(int seconds);
    // Click onsets recorded so far, in monotonic nanoseconds.
    std::vector<std::int64_t> onsetNanos(const OnsetOptions& options = {});
    // The recorded level (peak per millisecond) from `nanos` on, for looking
    // at a missed click by eye.
    std::vector<float> levelsAfter(std::int64_t nanos, int millis);
    // How far the recording's clock moved forward because frames were lost
    // (0 when none were), in nanoseconds.
    std::int64_t lostNanos();

  protected:
    // `cycles`: each piece is stamped with the time of its first frame by the
    // graph's own clock (see FrameClock).
    explicit Recording(bool cycles);
    // `frames` interleaved stereo frames, stamped.
    void append(const float* stereo, std::size_t frames, std::int64_t stamp);
    void dumpIfAsked();

  private:
    std::mutex m_mutex;
    std::vector<float> m_envelope;
    std::vector<ChunkStamp> m_chunks;
    bool m_cycles;
};

}  // namespace quib::bench
