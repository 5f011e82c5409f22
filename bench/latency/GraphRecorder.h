#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "latency/Recording.h"

namespace quib::bench {

// Records a PipeWire sink's monitor from inside the graph (a capture stream
// of this process) and places each cycle's frames by the graph's own clock.
// The monitor hands over in a cycle what the sink took in the cycle before,
// exactly (measured with a probe that renders a click and captures it: one
// cycle, to the nanosecond, at any quantum); a device would start playing
// those frames about then, having the previous cycle's frames to play first.
// So each piece's first frame is placed at the start of the cycle that
// handed it over. When a program's stream shrinks the quantum, the cycle
// already under way keeps its length but renders the new quantum: a click
// rendered in it comes one old quantum later, as it would on a device.
//
// The recorder asks for no quantum of its own, so the graph runs at its
// default (1024 frames) unless a program asks for less, as on a desktop
// where nothing else plays.
class GraphRecorder final : public Recording {
  public:
    explicit GraphRecorder(const std::string& sink);
    ~GraphRecorder() override;

  private:
    struct Stream;
    void drain();

    std::unique_ptr<Stream> m_stream;
    std::atomic<bool> m_stopping{false};
    std::thread m_drainer;
};

}  // namespace quib::bench
