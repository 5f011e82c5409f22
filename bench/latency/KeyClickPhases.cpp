#include "latency/KeyClickPhases.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "latency/GraphRecorder.h"
#include "latency/Onsets.h"
#include "latency/ProcessStats.h"
#include "latency/SinkRecorder.h"
#include "latency/XDriver.h"

namespace quib::bench {

namespace {

constexpr std::int64_t kMilli = 1'000'000;
// Time for the last sound of a phase to reach the recording.
constexpr std::int64_t kSettle = 800 * kMilli;

std::unique_ptr<Recording> makeRecorder(const PhaseContext& context) {
    if (context.pipewire) {
        return std::make_unique<GraphRecorder>(context.sink);
    }
    return std::make_unique<SinkRecorder>(context.sink + ".monitor");
}

class Phases {
  public:
    explicit Phases(const PhaseContext& context)
        : m_context(context),
          m_x(context.evdevFifo),
          m_recorder(makeRecorder(context)),
          m_out(std::fopen(context.outFile.c_str(), "a")) {}
    ~Phases() {
        if (m_out != nullptr) {
            std::fclose(m_out);
        }
    }

    bool ready() { return m_out != nullptr && m_x.ok() && m_recorder->waitForData(10); }
    bool run(const std::string& phase);
    // Frames the recording lost (its clock moved forward by that much).
    void reportLostFrames() { emit("recording.lost_ms", m_recorder->lostNanos() / 1e6); }

  private:
    void emit(const std::string& name, double value, int decimals = 2);
    LatencySummary emitLatency(const std::string& name, const std::vector<std::int64_t>& events,
                               std::int64_t window, std::int64_t lead = 0);
    void showMisses(const std::vector<std::int64_t>& events,
                    const std::vector<std::optional<std::int64_t>>& delays);
    std::vector<std::int64_t> taps(int count, int spacingMillis, int holdMillis);
    std::vector<std::int64_t> onsetsSince(std::int64_t start);

    void keys(const std::string& name, int count, int spacingMillis, int holdMillis);
    void mouse(int count);
    void hold(int millis);
    void rate20(int count);
    void idle(int seconds);
    void type(int seconds);

    PhaseContext m_context;
    XDriver m_x;
    std::unique_ptr<Recording> m_recorder;
    FILE* m_out;
    std::int64_t m_sinkLatency = 0;
    std::optional<std::int64_t> m_typicalDelay;  // median with keys 150 ms apart
};

void Phases::emit(const std::string& name, double value, int decimals) {
    std::fprintf(m_out, "%s %.*f\n", name.c_str(), decimals, value);
    std::fflush(m_out);
    std::printf("  %-28s %.*f\n", name.c_str(), decimals, value);
    std::fflush(stdout);
}

// Onsets on the play timeline. PulseAudio's recording places a frame when
// the sink rendered it; the sink plays it its configured latency later, give
// or take that latency again (it renders in blocks of that size). The
// difference matters for a stream that is resumed: the server rewinds the
// sink and mixes the new sound into what was rendered ahead but not played,
// so a click can appear to come up to one sink latency before its key.
// Pairing allows for that, and such a click counts as 0 ms. PipeWire's
// recording already places a frame where a device plays it: at the start of
// the cycle after the one that rendered it (see GraphRecorder), and its null
// sink reports no latency.
std::vector<std::int64_t> Phases::onsetsSince(std::int64_t start) {
    sleepUntil(monotonicNanos() + kSettle);
    std::vector<std::int64_t> onsets = m_recorder->onsetNanos();
    m_sinkLatency = m_context.pipewire ? 0 : configuredSinkLatency(m_context.sink + ".monitor");
    if (std::getenv("KEYCLICK_DEBUG") != nullptr) {
        std::printf("  sink latency after settling: %.2f ms\n", m_sinkLatency / 1e6);
    }
    for (auto& onset : onsets) {
        onset += m_sinkLatency;
    }
    std::erase_if(onsets, [start](std::int64_t onset) { return onset < start - 50 * kMilli; });
    return onsets;
}

LatencySummary Phases::emitLatency(const std::string& name, const std::vector<std::int64_t>& events,
                                   std::int64_t window, std::int64_t lead) {
    const std::vector<std::int64_t> onsets =
        onsetsSince(events.empty() ? 0 : events.front() - lead);
    const auto delays = matchOnsets(events, onsets, window, std::max(lead, m_sinkLatency));
    const LatencySummary summary = summarize(delays);
    if (std::getenv("KEYCLICK_DEBUG") != nullptr) {
        showMisses(events, delays);
    }
    emit(name + ".events", summary.events, 0);
    emit(name + ".heard", summary.heard, 0);
    emit(name + ".median_ms", summary.medianMillis);
    emit(name + ".p90_ms", summary.p90Millis);
    emit(name + ".p99_ms", summary.p99Millis);
    emit(name + ".max_ms", summary.maxMillis);
    return summary;
}

void Phases::showMisses(const std::vector<std::int64_t>& events,
                        const std::vector<std::optional<std::int64_t>>& delays) {
    const std::vector<std::int64_t> all = m_recorder->onsetNanos();
    std::printf("  nearest onset to each event (ms, as recorded):");
    for (std::int64_t event : events) {
        const auto nearest = std::min_element(all.begin(), all.end(), [event](auto a, auto b) {
            return std::abs(a - event) < std::abs(b - event);
        });
        if (nearest != all.end()) {
            std::printf(" %.2f", static_cast<double>(*nearest - event) / 1e6);
        }
    }
    std::printf("\n");
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (delays[i]) {
            continue;
        }
        std::printf("  missed event %zu, level per ms from 10 ms before it:", i);
        for (float level : m_recorder->levelsAfter(events[i] - 10 * kMilli, 80)) {
            std::printf(" %.3f", static_cast<double>(level));
        }
        std::printf("\n  onsets near it (ms):");
        for (std::int64_t onset : m_recorder->onsetNanos()) {
            if (onset > events[i] - 200 * kMilli && onset < events[i] + 200 * kMilli) {
                std::printf(" %.1f", static_cast<double>(onset - events[i]) / 1e6);
            }
        }
        std::printf("\n");
    }
}

std::vector<std::int64_t> Phases::taps(int count, int spacingMillis, int holdMillis) {
    std::vector<std::int64_t> stamps;
    const std::int64_t start = monotonicNanos() + 50 * kMilli;
    for (int i = 0; i < count; ++i) {
        sleepUntil(start + std::int64_t{i} * spacingMillis * kMilli);
        stamps.push_back(m_x.tapKey(holdMillis));
    }
    return stamps;
}

void Phases::keys(const std::string& name, int count, int spacingMillis, int holdMillis) {
    const CpuMeter program(m_context.program);
    const CpuMeter server(m_context.server);
    const std::vector<std::int64_t> stamps = taps(count, spacingMillis, holdMillis);
    sleepUntil(stamps.back() + spacingMillis * kMilli);
    emit(name + ".cpu_pct", program.percent());
    emit(name + ".server_pct", server.percent());
    const LatencySummary summary = emitLatency(name, stamps, std::min(spacingMillis, 150) * kMilli);
    if (spacingMillis == 150 && summary.heard > 0) {
        m_typicalDelay = static_cast<std::int64_t>(summary.medianMillis * 1e6);
    }
}

// Left and right presses 0.4 s apart, as someone clicks through a page: each
// comes after the last click's sound has ended.
void Phases::mouse(int count) {
    const auto clicks = [this](int button, int n, int spacingMillis) {
        std::vector<std::int64_t> stamps;
        for (int i = 0; i < n; ++i) {
            stamps.push_back(m_x.clickButton(button, 30));
            sleepUntil(stamps.back() + spacingMillis * kMilli);
        }
        return stamps;
    };
    emitLatency("mouse_left", clicks(1, count, 400), 150 * kMilli);
    emitLatency("mouse_right", clicks(3, count, 400), 150 * kMilli);
    std::vector<std::int64_t> silent;
    for (int button : {2, 4, 5}) {
        const std::vector<std::int64_t> stamps = clicks(button, 10, 150);
        silent.insert(silent.end(), stamps.begin(), stamps.end());
    }
    emit("mouse_middle_wheel.events", static_cast<double>(silent.size()), 0);
    emit("mouse_middle_wheel.heard", onsetsNear(silent, onsetsSince(silent.front()), 150 * kMilli),
         0);
}

void Phases::hold(int millis) {
    m_x.takeFocusKeyPresses();
    const std::int64_t press = m_x.tapKey(millis);
    sleepUntil(monotonicNanos() + 200 * kMilli);
    // The first press is the injected one; the repeats are stamped as the
    // focus window receives them, which can be a little after the X server
    // sent them to the program. They come every 40 ms (25 Hz).
    // Their stamps jitter by more than a click is long, so each repeat is not
    // paired with its click: the clicks during the hold are counted.
    const std::vector<std::int64_t> presses = m_x.takeFocusKeyPresses();
    const std::vector<std::int64_t> onsets = onsetsSince(press);
    const auto end = std::max(presses.empty() ? press : presses.back(), press) + 30 * kMilli;
    emit("hold.events", static_cast<double>(presses.size()), 0);
    emit("hold.heard",
         static_cast<double>(std::count_if(onsets.begin(), onsets.end(),
                                           [end](std::int64_t onset) { return onset < end; })),
         0);
}

void Phases::rate20(int count) {
    const CpuMeter program(m_context.program);
    const CpuMeter server(m_context.server);
    const std::vector<std::int64_t> stamps = taps(count, 50, 20);
    sleepUntil(stamps.back() + 300 * kMilli);
    emit("rate20.cpu_s_per_1000", program.seconds() * 1000.0 / count, 3);
    emit("rate20.server_s_per_1000", server.seconds() * 1000.0 / count, 3);
    const std::vector<std::int64_t> onsets = onsetsSince(stamps.front());
    // Keys 50 ms apart: each click is looked for around where the program's
    // clicks fall when they do not overlap, within half the spacing.
    const auto delays =
        m_typicalDelay ? matchAround(stamps, onsets, *m_typicalDelay, 25 * kMilli, m_sinkLatency)
                       : matchOnsets(stamps, onsets, 150 * kMilli, m_sinkLatency);
    if (std::getenv("KEYCLICK_DEBUG") != nullptr) {
        showMisses(stamps, delays);
    }
    const LatencySummary summary = summarize(delays);
    emit("rate20.events", summary.events, 0);
    emit("rate20.drops_pct", 100.0 * (summary.events - summary.heard) / summary.events);
    emit("rate20.median_ms", summary.medianMillis);
    emit("rate20.p99_ms", summary.p99Millis);
}

void Phases::idle(int seconds) {
    const CpuMeter program(m_context.program);
    const CpuMeter server(m_context.server);
    const long switches = contextSwitches(m_context.program);
    const long serverSwitches = contextSwitches(m_context.server);
    sleepUntil(monotonicNanos() + std::int64_t{seconds} * 1000 * kMilli);
    emit("idle.cpu_pct", program.percent(), 3);
    emit("idle.wakeups_per_s",
         static_cast<double>(contextSwitches(m_context.program) - switches) / seconds, 1);
    emit("idle.server_pct", server.percent());
    emit("idle.server_wakeups_per_s",
         static_cast<double>(contextSwitches(m_context.server) - serverSwitches) / seconds, 0);
    const std::int64_t stamp = m_x.tapKey(30);
    const std::vector<std::int64_t> onsets = onsetsSince(stamp);
    const auto delay = matchOnsets({stamp}, onsets, 500 * kMilli, m_sinkLatency).front();
    emit("idle.first_key_ms", delay ? std::max(0.0, static_cast<double>(*delay) / 1e6) : -1.0);
}

void Phases::type(int seconds) {
    taps(seconds * 8, 125, 30);
    sleepUntil(monotonicNanos() + 1000 * kMilli);
    emit("type.rss_kib", static_cast<double>(residentKib(m_context.program)), 0);
}

bool Phases::run(const std::string& phase) {
    const auto colon = phase.find(':');
    const std::string name = phase.substr(0, colon);
    const int value = colon == std::string::npos ? 0 : std::atoi(phase.c_str() + colon + 1);
    std::printf("== %s\n", phase.c_str());
    // keysMS: keys MS ms apart, each held 30 ms (50 ms for a second or more).
    if (name.rfind("keys", 0) == 0 && name.size() > 4 &&
        name.find_first_not_of("0123456789", 4) == std::string::npos) {
        const int spacing = std::atoi(name.c_str() + 4);
        keys(name, value, spacing, spacing >= 1000 ? 50 : 30);
        return true;
    }
    const std::map<std::string, std::function<void()>> table{
        {"mouse", [&] { mouse(value); }},
        {"hold", [&] { hold(value); }},
        {"rate20", [&] { rate20(value); }},
        {"idle", [&] { idle(value); }},
        {"type", [&] { type(value); }},
        {"rss", [&] { emit("rss.start_kib", residentKib(m_context.program), 0); }},
        {"server",
         [&] {
             const CpuMeter server(m_context.server);
             sleepUntil(monotonicNanos() + std::int64_t{value} * 1000 * kMilli);
             emit("server.alone_pct", server.percent());
         }},
    };
    const auto entry = table.find(name);
    if (entry == table.end()) {
        std::fprintf(stderr, "unknown phase %s\n", phase.c_str());
        return false;
    }
    entry->second();
    return true;
}

}  // namespace

int runPhases(const PhaseContext& context, const std::vector<std::string>& phases) {
    Phases runner(context);
    if (!runner.ready()) {
        std::fprintf(stderr, "keyclick: no X display, no recording or no output file\n");
        return 1;
    }
    for (const std::string& phase : phases) {
        if (!runner.run(phase)) {
            return 2;
        }
    }
    runner.reportLostFrames();
    return 0;
}

}  // namespace quib::bench
