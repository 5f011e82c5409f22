#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

// The page of counts not yet folded into the store, laid out to live in a
// shared memory mapping of <data dir>/pending.journal: when the process dies,
// the kernel keeps the page and the next start folds what it holds.
//
// - The header (magic, version, identity) is written once and checksummed.
//   The identity pairs the page with one database, which stores it together
//   with how much of the page it has already applied (in the same
//   transaction as the totals), so a fold happens exactly once.
// - keys, clicks and lastEventAt belong to the hot path: monotonic counters
//   and plain stores, one writer (the main thread), never a lock or a system
//   call.
// - The run record (when this run began and which day each stretch of counts
//   belongs to) is written by the flush thread into the spare of two copies,
//   then sealed with one 8-byte store, so a death halfway leaves the old copy.
//
// The counters carry no checksum; they are judged by plausibility instead.
struct PendingPage {
    static constexpr std::uint32_t kVersion = 1;
    static constexpr std::size_t kMaxMarks = 8;
    static constexpr std::size_t kSize = 4096;

    // From `keys`/`clicks` on (up to the next mark), counts belong to `day`.
    struct Mark {
        char day[16];  // "yyyy-MM-dd", zero padded
        std::int64_t keys;
        std::int64_t clicks;
    };
    struct Run {
        double startedAt;  // the writing process's monotonic clock, in seconds
        std::int64_t startKeys;
        std::int64_t startClicks;
        std::uint64_t markCount;
        Mark marks[kMaxMarks];
    };

    char magic[8];
    std::uint32_t version;
    std::uint32_t size;
    std::uint64_t identity;
    std::uint64_t headerCheck;
    std::int64_t keys;
    std::int64_t clicks;
    double lastEventAt;  // monotonic seconds of the newest event, same clock as Run::startedAt
    std::uint64_t seal;  // bit 32: the current copy; low 32 bits: its checksum
    Run runs[2];

    // A fresh page: counters at zero and one run begun at `now` on `day`.
    static PendingPage fresh(std::uint64_t identity, double now, std::string_view day);

    // The hot path.
    void addKey(double now) {
        bump(keys);
        std::atomic_ref<double>(lastEventAt).store(now, std::memory_order_relaxed);
    }
    void addClick(double now) {
        bump(clicks);
        std::atomic_ref<double>(lastEventAt).store(now, std::memory_order_relaxed);
    }
    std::int64_t keyCount() const { return load(keys); }
    std::int64_t clickCount() const { return load(clicks); }

    // The flush thread: the sealed run record, a new run, a new day's mark.
    const Run& currentRun() const { return runs[(seal >> 32) & 1]; }
    void beginRun(double now, std::string_view day);
    // Counts from (keys, clicks) on belong to `day`; nothing when the last
    // mark already names it. The oldest mark goes when all are taken.
    void markDay(std::string_view day, std::int64_t fromKeys, std::int64_t fromClicks);

  private:
    static void appendMark(Run& run, std::string_view day, std::int64_t keys, std::int64_t clicks);
    void sealRun(const Run& run);
    static void bump(std::int64_t& counter) {
        std::atomic_ref<std::int64_t> value(counter);
        const std::int64_t now = value.load(std::memory_order_relaxed);
        if (now != std::numeric_limits<std::int64_t>::max()) {
            value.store(now + 1, std::memory_order_relaxed);
        }
    }
    static std::int64_t load(const std::int64_t& counter) {
        return std::atomic_ref<std::int64_t>(const_cast<std::int64_t&>(counter))
            .load(std::memory_order_relaxed);
    }
};
static_assert(sizeof(PendingPage) <= PendingPage::kSize);
static_assert(std::atomic_ref<std::int64_t>::is_always_lock_free);
static_assert(std::atomic_ref<double>::is_always_lock_free);

// What a page holds that the store has not applied yet, split by day.
struct PendingCounts {
    struct Day {
        std::string day;
        std::int64_t keys = 0;
        std::int64_t clicks = 0;
    };
    std::vector<Day> days;  // oldest first
    std::int64_t keys = 0;  // the page's counters: what the store will have applied
    std::int64_t clicks = 0;
    std::int64_t runKeys = 0;  // key-downs of the run that wrote the page
};

// The verdict on a page found at start, against what the store says it has
// applied from it (storedIdentity is absent when the store knows no journal).
struct PendingCheck {
    enum class Verdict { fold, adopt, reject };
    Verdict verdict;
    std::string reason;  // for reject: completes "the pending journal ..."
    PendingCounts pending;
};
PendingCheck checkPendingPage(const PendingPage& page, std::optional<std::uint64_t> storedIdentity,
                              std::int64_t appliedKeys, std::int64_t appliedClicks);

// No more than this many events a second over the time a run covers (with one
// second's worth of slack), or the page is not believed.
inline constexpr double kPlausibleEventsPerSecond = 50.0;

}  // namespace quib
