#include "platform/prefs/PendingPage.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace quib {

namespace {

constexpr char kMagic[8] = {'Q', 'U', 'I', 'B', 'P', 'E', 'N', 'D'};

std::uint64_t fnv1a(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
    }
    return hash;
}

std::uint64_t headerChecksum(const PendingPage& page) {
    return fnv1a(&page, offsetof(PendingPage, headerCheck));
}

std::uint32_t runChecksum(const PendingPage::Run& run) {
    return static_cast<std::uint32_t>(fnv1a(&run, sizeof run));
}

std::string dayOf(const PendingPage::Mark& mark) {
    return std::string(mark.day, strnlen(mark.day, sizeof mark.day));
}

// The structural checks: what a death, a torn write or a stray edit leaves.
const char* damage(const PendingPage& page) {
    if (std::memcmp(page.magic, kMagic, sizeof kMagic) != 0) {
        return "is damaged";
    }
    // Checked before the rest, whose layout another version may change.
    if (page.version != PendingPage::kVersion) {
        return "was written by another version";
    }
    if (page.size != sizeof(PendingPage) || page.headerCheck != headerChecksum(page)) {
        return "is damaged";
    }
    const auto& run = page.currentRun();
    if (static_cast<std::uint32_t>(page.seal) != runChecksum(run) || run.markCount == 0 ||
        run.markCount > PendingPage::kMaxMarks || page.keys < 0 || page.clicks < 0) {
        return "is damaged";
    }
    for (std::size_t i = 0; i < run.markCount; ++i) {
        const auto& mark = run.marks[i];
        const auto& previous = run.marks[i == 0 ? 0 : i - 1];
        if (mark.keys > page.keys || mark.clicks > page.clicks || mark.keys < previous.keys ||
            mark.clicks < previous.clicks || mark.day[sizeof mark.day - 1] != '\0') {
            return "is damaged";
        }
    }
    return nullptr;
}

// `events` in double: two counters near their limit add up past int64.
bool plausible(const PendingPage& page, double events) {
    const auto& run = page.currentRun();
    const double covered = page.lastEventAt - run.startedAt;
    if (!std::isfinite(covered)) {
        return false;
    }
    const double allowed = kPlausibleEventsPerSecond * (std::max(covered, 0.0) + 1.0);
    return events <= allowed;
}

// Splits [applied, counters) by the marks; what lies before the first mark
// belongs to the first mark's day.
std::vector<PendingCounts::Day> split(const PendingPage& page, std::int64_t appliedKeys,
                                      std::int64_t appliedClicks) {
    const auto& run = page.currentRun();
    std::vector<PendingCounts::Day> days;
    for (std::size_t i = 0; i < run.markCount; ++i) {
        const bool last = i + 1 == run.markCount;
        const auto from = [&](std::int64_t mark, std::int64_t applied) {
            return i == 0 ? applied : std::max(mark, applied);
        };
        const auto to = [&](std::int64_t next, std::int64_t counter, std::int64_t applied) {
            return last ? counter : std::max(next, applied);
        };
        const auto& next = run.marks[last ? i : i + 1];
        PendingCounts::Day day{dayOf(run.marks[i]), 0, 0};
        day.keys = to(next.keys, page.keys, appliedKeys) - from(run.marks[i].keys, appliedKeys);
        day.clicks =
            to(next.clicks, page.clicks, appliedClicks) - from(run.marks[i].clicks, appliedClicks);
        if (day.keys > 0 || day.clicks > 0) {
            days.push_back(std::move(day));
        }
    }
    return days;
}

}  // namespace

PendingPage PendingPage::fresh(std::uint64_t identity, double now, std::string_view day) {
    PendingPage page{};
    std::memcpy(page.magic, kMagic, sizeof kMagic);
    page.version = kVersion;
    page.size = sizeof(PendingPage);
    page.identity = identity;
    page.headerCheck = headerChecksum(page);
    page.beginRun(now, day);
    return page;
}

void PendingPage::beginRun(double now, std::string_view day) {
    Run run{};
    run.startedAt = now;
    run.startKeys = keyCount();
    run.startClicks = clickCount();
    appendMark(run, day, run.startKeys, run.startClicks);
    std::atomic_ref<double>(lastEventAt).store(now, std::memory_order_relaxed);
    sealRun(run);
}

void PendingPage::markDay(std::string_view day, std::int64_t fromKeys, std::int64_t fromClicks) {
    Run run = currentRun();
    if (run.markCount > 0 && dayOf(run.marks[run.markCount - 1]) == day) {
        return;
    }
    appendMark(run, day, fromKeys, fromClicks);
    sealRun(run);
}

void PendingPage::appendMark(Run& run, std::string_view day, std::int64_t keys,
                             std::int64_t clicks) {
    if (run.markCount == kMaxMarks) {
        std::move(run.marks + 1, run.marks + kMaxMarks, run.marks);
        --run.markCount;
    }
    Mark& mark = run.marks[run.markCount++];
    mark = Mark{};
    std::memcpy(mark.day, day.data(), std::min(day.size(), sizeof mark.day - 1));
    mark.keys = keys;
    mark.clicks = clicks;
}

void PendingPage::sealRun(const Run& run) {
    const std::uint64_t spare = ((seal >> 32) & 1) ^ 1;
    runs[spare] = run;
    std::atomic_ref<std::uint64_t>(seal).store((spare << 32) | runChecksum(runs[spare]),
                                               std::memory_order_release);
}

PendingCheck checkPendingPage(const PendingPage& page, std::optional<std::uint64_t> storedIdentity,
                              std::int64_t appliedKeys, std::int64_t appliedClicks) {
    if (const char* reason = damage(page)) {
        return {PendingCheck::Verdict::reject, reason, {}};
    }
    PendingCounts pending;
    pending.keys = page.keys;
    pending.clicks = page.clicks;
    pending.runKeys =
        page.keys - std::clamp<std::int64_t>(page.currentRun().startKeys, 0, page.keys);
    if (storedIdentity != page.identity) {
        // An unused page (a death between creating it and recording it) is
        // harmless; anything else was counted for another database.
        if (page.keys == 0 && page.clicks == 0) {
            return {PendingCheck::Verdict::adopt, {}, pending};
        }
        return {PendingCheck::Verdict::reject, "belongs to another data directory", {}};
    }
    if (appliedKeys < 0 || appliedClicks < 0 || appliedKeys > page.keys ||
        appliedClicks > page.clicks) {
        return {PendingCheck::Verdict::reject, "is behind the store", {}};
    }
    // Only the counting of the run that wrote the page is judged: what earlier
    // runs counted stands in its sealed run record, and a store that lacks it
    // (one restored from a daily copy) takes it in.
    const auto& run = page.currentRun();
    const std::int64_t runKeys =
        page.keys - std::clamp(std::max(appliedKeys, run.startKeys), std::int64_t{0}, page.keys);
    const std::int64_t runClicks =
        page.clicks -
        std::clamp(std::max(appliedClicks, run.startClicks), std::int64_t{0}, page.clicks);
    if (!plausible(page, static_cast<double>(runKeys) + static_cast<double>(runClicks))) {
        return {PendingCheck::Verdict::reject, "counts more than 50 presses a second", {}};
    }
    pending.days = split(page, appliedKeys, appliedClicks);
    return {PendingCheck::Verdict::fold, {}, std::move(pending)};
}

}  // namespace quib
