#pragma once

// The analysis half of the key-to-sound harness: turning a recording of the
// sink into click onsets on the monotonic clock, and pairing them with the
// moments the input was injected. Pure functions, so that they can be tested
// on made-up signals.

#include <cstdint>
#include <optional>
#include <vector>

namespace quib::bench {

// One piece of the recording: a time that places it and how many frames had
// been recorded once it was in.
struct ChunkStamp {
    std::int64_t arrivalNanos = 0;
    std::int64_t framesAfter = 0;
};

// Where each recorded frame falls on the monotonic clock.
//
// A recorder that reads a pipe (parec) stamps each piece as it arrives, which
// is never before its last frame was rendered. Frames are placed on the
// recording's own sample clock: frame k is at anchor + k / rate, the anchor
// being the earliest (arrival - frames / rate) of the pieces from there to 5 s
// later. How the server hands the monitor's data out moves arrival times (a
// program that opens or ends a stream changes the sink's latency and the size
// of the pieces, for up to a second or two), never the frames' pace. Where
// frames were lost the anchor moves forward from there on; where the monitor
// handed frames out again (a sink rewound for a stream whose underrun ended)
// it moves back, so that neither shifts what came long before.
//
// A recorder inside a graph (PipeWire) stamps each piece with the start of
// the graph cycle that handed it over: the graph's own clock places the
// piece's first frame (`cycles`). There frames are not counted across pieces:
// when the quantum shrinks the graph's cycle is longer than what it renders.
class FrameClock {
  public:
    FrameClock(const std::vector<ChunkStamp>& chunks, int sampleRate, bool cycles = false);
    std::int64_t nanosOf(std::int64_t frame) const;
    // How far the anchor moved from the first piece to the last: the frames
    // lost, less those handed out again.
    std::int64_t lostNanos() const;

  private:
    struct Segment {
        std::int64_t firstFrame = 0;
        std::int64_t anchor = 0;  // the time of frame 0, as this segment places it
    };
    std::vector<Segment> m_segments;
    int m_rate;
    bool m_cycles;
};

// A click may come in bursts (the strikes of a switch, a few milliseconds
// apart), so a new click must rise sharply over the last 2 ms and be about as
// loud as the loudest sound of the last 30 ms. Two clicks 10 ms apart are still
// two clicks: the second adds its attack to the first one's tail.
struct OnsetOptions {
    float threshold = 0.004F;  // absolute level a click must reach (-48 dBFS)
    float rise = 3.0F;         // over the loudest of the last 2 ms
    float dominance = 0.5F;    // of the loudest of the last 30 ms
    int refractoryMillis = 8;  // an attack spans a few milliseconds
};

// Frames where a click starts in a mono envelope (|left| max |right|).
std::vector<std::int64_t> detectOnsets(const std::vector<float>& envelope, int sampleRate,
                                       const OnsetOptions& options = {});

// For each event, the delay to the first onset no earlier event took, if one
// comes within [event - lead, event + window); both lists in nanoseconds,
// ascending. A lead is for events stamped after they happened (auto-repeats
// seen by a client); the delay is then negative for a click heard first.
std::vector<std::optional<std::int64_t>> matchOnsets(const std::vector<std::int64_t>& events,
                                                     const std::vector<std::int64_t>& onsets,
                                                     std::int64_t window, std::int64_t lead = 0);

// For events closer together than a click can be late (20 keys/s against a
// 50 ms latency), taking the first free onset lets one missed onset shift
// every later pairing by a key. Instead each event takes the onset nearest
// to event + typical within [event + typical - halfWidth, event + typical +
// halfWidth), none earlier than event - lead; `typical` is the program's own
// delay where its clicks do not overlap.
std::vector<std::optional<std::int64_t>> matchAround(const std::vector<std::int64_t>& events,
                                                     const std::vector<std::int64_t>& onsets,
                                                     std::int64_t typical, std::int64_t halfWidth,
                                                     std::int64_t lead = 0);

// How many onsets fall in [event, event + window) for any of the events.
int onsetsNear(const std::vector<std::int64_t>& events, const std::vector<std::int64_t>& onsets,
               std::int64_t window);

struct LatencySummary {
    int events = 0;
    int heard = 0;
    double medianMillis = 0.0;
    double p90Millis = 0.0;
    double p99Millis = 0.0;
    double maxMillis = 0.0;
};

// A negative delay (a click heard within the lead before its event) counts as 0.
LatencySummary summarize(const std::vector<std::optional<std::int64_t>>& delays);

}  // namespace quib::bench
