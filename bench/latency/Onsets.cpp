#include "latency/Onsets.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace quib::bench {

namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
// How far ahead a piece looks for the earliest arrival that places it: longer
// than the server hands the monitor out late after a stream opens or ends
// (1.5 s seen), short enough that frames handed out twice (a rewound sink)
// shift only the pieces just before them, by what was repeated since.
constexpr std::int64_t kLookAhead = 5 * kSecond;

}  // namespace

FrameClock::FrameClock(const std::vector<ChunkStamp>& chunks, int sampleRate, bool cycles)
    : m_rate(sampleRate), m_cycles(cycles) {
    if (chunks.empty()) {
        m_segments.push_back(Segment{});
        return;
    }
    if (cycles) {
        std::int64_t first = 0;
        for (const ChunkStamp& chunk : chunks) {
            m_segments.push_back(Segment{first, chunk.arrivalNanos - first * kSecond / m_rate});
            first = chunk.framesAfter;
        }
        return;
    }
    // Each piece is placed by the earliest (arrival - frames before / rate)
    // within kLookAhead from it on: frames lost move the anchor forward,
    // frames handed out again move it back.
    std::vector<std::int64_t> anchors(chunks.size());
    std::vector<std::size_t> window;  // candidate minima, ascending in value, then index
    std::size_t front = 0;
    const auto placed = [&](std::size_t k) {
        return chunks[k].arrivalNanos - chunks[k].framesAfter * kSecond / m_rate;
    };
    for (std::size_t k = chunks.size(); k-- > 0;) {
        while (window.size() > front && placed(window.back()) >= placed(k)) {
            window.pop_back();
        }
        window.push_back(k);
        front = std::min(front, window.size() - 1);
        while (chunks[window[front]].arrivalNanos - chunks[k].arrivalNanos > kLookAhead) {
            ++front;
        }
        anchors[k] = placed(window[front]);
    }
    m_segments.push_back(Segment{0, anchors[0]});
    for (std::size_t k = 1; k < chunks.size(); ++k) {
        if (anchors[k] != m_segments.back().anchor) {
            m_segments.push_back(Segment{chunks[k - 1].framesAfter, anchors[k]});
        }
    }
}

std::int64_t FrameClock::nanosOf(std::int64_t frame) const {
    const auto after = std::upper_bound(
        m_segments.begin(), m_segments.end(), frame,
        [](std::int64_t value, const Segment& segment) { return value < segment.firstFrame; });
    const Segment& segment = after == m_segments.begin() ? m_segments.front() : *(after - 1);
    return segment.anchor + frame * kSecond / m_rate;
}

std::int64_t FrameClock::lostNanos() const {
    return m_cycles ? 0 : m_segments.back().anchor - m_segments.front().anchor;
}

namespace {

float loudest(const std::vector<float>& peaks, std::size_t end, std::size_t count) {
    float level = 0.0F;
    for (std::size_t k = end >= count ? end - count : 0; k < end; ++k) {
        level = std::max(level, peaks[k]);
    }
    return level;
}

}  // namespace

std::vector<std::int64_t> detectOnsets(const std::vector<float>& envelope, int sampleRate,
                                       const OnsetOptions& options) {
    const std::size_t hop = static_cast<std::size_t>(sampleRate / 2000);  // 0.5 ms
    const std::size_t refractoryHops = static_cast<std::size_t>(options.refractoryMillis) * 2;
    std::vector<float> peaks(envelope.size() / hop, 0.0F);
    for (std::size_t i = 0; i < peaks.size() * hop; ++i) {
        peaks[i / hop] = std::max(peaks[i / hop], std::abs(envelope[i]));
    }
    std::vector<std::int64_t> onsets;
    std::size_t allowedFrom = 0;
    for (std::size_t h = 0; h < peaks.size(); ++h) {
        const float level = std::max(options.threshold, options.rise * loudest(peaks, h, 4));
        if (h < allowedFrom || peaks[h] < level ||
            peaks[h] < options.dominance * loudest(peaks, h, 60)) {
            continue;
        }
        std::size_t frame = h * hop;
        while (std::abs(envelope[frame]) < level) {
            ++frame;
        }
        onsets.push_back(static_cast<std::int64_t>(frame));
        allowedFrom = h + refractoryHops;
    }
    return onsets;
}

std::vector<std::optional<std::int64_t>> matchOnsets(const std::vector<std::int64_t>& events,
                                                     const std::vector<std::int64_t>& onsets,
                                                     std::int64_t window, std::int64_t lead) {
    std::vector<std::optional<std::int64_t>> delays;
    std::size_t next = 0;
    for (const std::int64_t event : events) {
        while (next < onsets.size() && onsets[next] < event - lead) {
            ++next;
        }
        if (next < onsets.size() && onsets[next] < event + window) {
            delays.emplace_back(onsets[next] - event);
            ++next;
        } else {
            delays.emplace_back(std::nullopt);
        }
    }
    return delays;
}

std::vector<std::optional<std::int64_t>> matchAround(const std::vector<std::int64_t>& events,
                                                     const std::vector<std::int64_t>& onsets,
                                                     std::int64_t typical, std::int64_t halfWidth,
                                                     std::int64_t lead) {
    std::vector<std::optional<std::int64_t>> delays;
    std::size_t next = 0;
    for (const std::int64_t event : events) {
        const std::int64_t centre = event + typical;
        const std::int64_t from = std::max(centre - halfWidth, event - lead);
        while (next < onsets.size() && onsets[next] < from) {
            ++next;
        }
        std::optional<std::size_t> best;
        for (std::size_t i = next; i < onsets.size() && onsets[i] < centre + halfWidth; ++i) {
            if (!best || std::abs(onsets[i] - centre) < std::abs(onsets[*best] - centre)) {
                best = i;
            }
        }
        if (best) {
            delays.emplace_back(onsets[*best] - event);
            next = *best + 1;
        } else {
            delays.emplace_back(std::nullopt);
        }
    }
    return delays;
}

int onsetsNear(const std::vector<std::int64_t>& events, const std::vector<std::int64_t>& onsets,
               std::int64_t window) {
    int count = 0;
    for (const std::int64_t onset : onsets) {
        const bool near = std::any_of(events.begin(), events.end(), [&](std::int64_t event) {
            return onset >= event && onset < event + window;
        });
        count += near ? 1 : 0;
    }
    return count;
}

LatencySummary summarize(const std::vector<std::optional<std::int64_t>>& delays) {
    std::vector<double> millis;
    for (const auto& delay : delays) {
        if (delay) {
            millis.push_back(std::max(0.0, static_cast<double>(*delay) / 1e6));
        }
    }
    LatencySummary summary;
    summary.events = static_cast<int>(delays.size());
    summary.heard = static_cast<int>(millis.size());
    if (millis.empty()) {
        return summary;
    }
    std::sort(millis.begin(), millis.end());
    const auto rank = [&](double q) {
        const auto index =
            static_cast<std::size_t>(std::ceil(q * static_cast<double>(millis.size())));
        return millis[std::clamp<std::size_t>(index, 1, millis.size()) - 1];
    };
    summary.medianMillis = rank(0.5);
    summary.p90Millis = rank(0.9);
    summary.p99Millis = rank(0.99);
    summary.maxMillis = millis.back();
    return summary;
}

}  // namespace quib::bench
