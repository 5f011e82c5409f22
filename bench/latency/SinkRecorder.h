#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "latency/Recording.h"

namespace quib::bench {

// Records a PulseAudio source (the null sink's monitor) through `parec` at a
// small latency and stamps every read on the monotonic clock as it arrives.
class SinkRecorder final : public Recording {
  public:
    explicit SinkRecorder(std::string source);
    ~SinkRecorder() override;

  private:
    void read();

    pid_t m_child = -1;
    int m_pipe = -1;
    std::atomic<bool> m_stopping{false};
    std::thread m_reader;
};

// How far ahead of playing a sample the sink of `monitor` renders it (its
// configured latency, from `pactl`), in nanoseconds; 0 if unknown.
std::int64_t configuredSinkLatency(const std::string& monitor);

}  // namespace quib::bench
