// The analysis of the key-to-sound harness on made-up recordings: if it
// misplaced or missed clicks, every latency figure in README would be wrong.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "latency/Onsets.h"

namespace quib::bench {
namespace {

constexpr int kRate = 48000;
constexpr std::int64_t kMilli = 1'000'000;

// A click as the switch sounds make them: a sharp attack that decays over
// about 40 ms, with an optional second strike a few milliseconds in.
void addClick(std::vector<float>& envelope, double atMillis, float peak, double strikeMillis = 0) {
    const auto start = static_cast<std::size_t>(atMillis * kRate / 1000);
    for (std::size_t i = 0; i < static_cast<std::size_t>(kRate / 20) && start + i < envelope.size();
         ++i) {
        const double t = static_cast<double>(i) / kRate;
        float value = peak * static_cast<float>(std::exp(-t / 0.008));
        if (strikeMillis > 0 && t * 1000 >= strikeMillis) {
            value += 0.3F * peak * static_cast<float>(std::exp(-(t - strikeMillis / 1000) / 0.004));
        }
        envelope[start + i] += value;
    }
}

std::vector<double> onsetMillis(const std::vector<float>& envelope) {
    std::vector<double> millis;
    for (std::int64_t frame : detectOnsets(envelope, kRate)) {
        millis.push_back(static_cast<double>(frame) * 1000.0 / kRate);
    }
    return millis;
}

std::vector<double> evenly(double from, double spacing, int count) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        times.push_back(from + spacing * i);
    }
    return times;
}

TEST(OnsetsTest, EveryClickOfARunIsFoundAtItsStart) {
    struct Case {
        const char* name;
        std::vector<double> clicks;
        double strikeMillis;
    };
    const std::vector<Case> cases{
        {"150 ms apart", evenly(100, 150, 15), 0},
        {"40 ms apart (auto-repeat)", evenly(100, 40, 50), 0},
        {"50 ms apart with a second strike", evenly(100, 50, 40), 12},
        {"a late click 10 ms after the one before", {100, 150, 200, 210, 300, 350}, 0},
    };
    for (const Case& c : cases) {
        std::vector<float> envelope(static_cast<std::size_t>(kRate) * 3, 0.0F);
        for (double at : c.clicks) {
            addClick(envelope, at, 0.55F, c.strikeMillis);
        }
        const std::vector<double> found = onsetMillis(envelope);
        ASSERT_EQ(found.size(), c.clicks.size()) << c.name;
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_NEAR(found[i], c.clicks[i], 0.1) << c.name << " click " << i;
        }
    }
}

TEST(OnsetsTest, EachEventTakesItsOwnClickOrNone) {
    struct Case {
        const char* name;
        std::vector<std::int64_t> onsets;  // ms
        std::int64_t lead;                 // ms
        std::vector<std::optional<std::int64_t>> delays;
    };
    // Events at 0, 50 and 100 ms, a window of 40 ms.
    const std::vector<Case> cases{
        {"every click 5 ms late", {5, 55, 105}, 0, {5, 5, 5}},
        {"the middle click missing", {5, 105}, 0, {5, std::nullopt, 5}},
        {"a second strike is no click of the next key", {5, 20, 55, 105}, 0, {5, 5, 5}},
        {"a click before its key is not its own", {-1, 55, 105}, 0, {std::nullopt, 5, 5}},
        {"unless it is within the lead", {-1, 55, 105}, 2, {-1, 5, 5}},
        {"one click heard for two keys", {5, 62}, 0, {5, 12, std::nullopt}},
    };
    for (const Case& c : cases) {
        std::vector<std::int64_t> onsets;
        for (std::int64_t ms : c.onsets) {
            onsets.push_back(ms * kMilli);
        }
        const auto delays =
            matchOnsets({0, 50 * kMilli, 100 * kMilli}, onsets, 40 * kMilli, c.lead * kMilli);
        ASSERT_EQ(delays.size(), 3U) << c.name;
        for (std::size_t i = 0; i < delays.size(); ++i) {
            EXPECT_EQ(delays[i].has_value(), c.delays[i].has_value()) << c.name << " event " << i;
            if (delays[i] && c.delays[i]) {
                EXPECT_EQ(*delays[i], *c.delays[i] * kMilli) << c.name << " event " << i;
            }
        }
    }
}

// Keys 50 ms apart with clicks 3 ms late (or 48 ms late, as a slow program's):
// one missed onset is one miss, not every later key paired with the next
// key's click.
TEST(OnsetsTest, AMissedClickAtAHighRateShiftsNoOtherPairing) {
    const std::vector<std::int64_t> events{0, 50 * kMilli, 100 * kMilli, 150 * kMilli};
    for (const std::int64_t late : {3, 48}) {
        std::vector<std::int64_t> onsets;
        for (std::int64_t event : {50, 100, 150}) {  // the first key's click missed
            onsets.push_back((event + late) * kMilli);
        }
        const auto delays = matchAround(events, onsets, late * kMilli, 25 * kMilli, 2 * kMilli);
        ASSERT_EQ(delays.size(), 4U);
        EXPECT_FALSE(delays[0]) << late;
        for (std::size_t i = 1; i < delays.size(); ++i) {
            ASSERT_TRUE(delays[i]) << late << " event " << i;
            EXPECT_EQ(*delays[i], late * kMilli) << late << " event " << i;
        }
    }
}

TEST(OnsetsTest, SummaryCountsMissesAndRanksTheRest) {
    std::vector<std::optional<std::int64_t>> delays;
    for (int ms = 1; ms <= 100; ++ms) {
        delays.emplace_back(ms * kMilli);
    }
    delays.emplace_back(std::nullopt);
    delays.emplace_back(-kMilli);  // within the lead: counts as 0
    const LatencySummary summary = summarize(delays);
    EXPECT_EQ(summary.events, 102);
    EXPECT_EQ(summary.heard, 101);
    EXPECT_DOUBLE_EQ(summary.medianMillis, 50.0);
    EXPECT_DOUBLE_EQ(summary.p90Millis, 90.0);
    EXPECT_DOUBLE_EQ(summary.p99Millis, 99.0);
    EXPECT_DOUBLE_EQ(summary.maxMillis, 100.0);
}

// 10 ms chunks arriving 0.5 ms after their frames; for 1.5 s they come
// 300 ms late (a program opened a stream and the server changed how it hands
// the monitor out), then 500 ms of frames are lost.
TEST(OnsetsTest, FramesKeepTheRecordingsPaceUntilFramesAreLost) {
    std::vector<ChunkStamp> chunks;
    const std::int64_t base = 1'000'000'000;
    for (int k = 1; k <= 500; ++k) {
        const std::int64_t late = k >= 100 && k < 250 ? 300 * kMilli : 500'000;
        const std::int64_t lost = k > 300 ? 500 * kMilli : 0;
        chunks.push_back({base + k * 10 * kMilli + late + lost, k * 480});
    }
    const FrameClock clock(chunks, kRate);
    EXPECT_EQ(clock.nanosOf(480 * 50), base + 500 * kMilli + 500'000);
    EXPECT_EQ(clock.nanosOf(480 * 200), base + 2000 * kMilli + 500'000)
        << "late arrivals do not move the frames";
    EXPECT_EQ(clock.nanosOf(480 * 400), base + 4500 * kMilli + 500'000)
        << "the frames after the loss are placed by their own chunks";
    EXPECT_EQ(clock.lostNanos(), 500 * kMilli);
}

// 10 ms chunks arriving 0.5 ms after their frames, where the monitor hands
// out 2 ms of frames again at 2 s and at 9 s (a sink rewound for a stream):
// a repeat shifts only the frames up to 5 s before it, and those by its own
// length, not by every repeat to the end of the recording.
TEST(OnsetsTest, FramesHandedOutAgainShiftOnlyTheSecondsBeforeThem) {
    std::vector<ChunkStamp> chunks;
    const std::int64_t base = 1'000'000'000;
    for (int k = 1; k <= 1000; ++k) {
        const int repeated = (k > 200 ? 96 : 0) + (k > 900 ? 96 : 0);
        chunks.push_back({base + k * 10 * kMilli + 500'000, k * 480 + repeated});
    }
    const FrameClock clock(chunks, kRate);
    EXPECT_EQ(clock.nanosOf(480 * 50), base + 498 * kMilli + 500'000);
    EXPECT_EQ(clock.nanosOf(480 * 300 + 96), base + 3000 * kMilli + 500'000);
    EXPECT_EQ(clock.nanosOf(480 * 950 + 192), base + 9500 * kMilli + 500'000);
}

// A graph hands over 240 frames a cycle; the third cycle starts 21 ms after
// the second (the quantum had just shrunk): its frames are its own.
TEST(OnsetsTest, GraphCyclesPlaceTheirOwnFrames) {
    const std::int64_t base = 1'000'000'000;
    const std::vector<ChunkStamp> chunks{
        {base, 240}, {base + 5 * kMilli, 480}, {base + 26 * kMilli, 720}};
    const FrameClock clock(chunks, kRate, true);
    EXPECT_EQ(clock.nanosOf(300), base + 5 * kMilli + 1'250'000);
    EXPECT_EQ(clock.nanosOf(600), base + 26 * kMilli + 2'500'000);
    EXPECT_EQ(clock.lostNanos(), 0);
}

}  // namespace
}  // namespace quib::bench
