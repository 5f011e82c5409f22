// libFuzzer target for the journal reader: the page found at start, with
// what the store says it has applied. The first byte says which checksums to
// make right (so that the fuzzer gets past them) and which identity the store
// knows; then the applied keys and clicks; then the page's bytes. A page is
// folded, adopted or refused with a reason, never a crash, and what is folded
// is exactly what the store lacks, split into days that each hold something.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/prefs/PendingPage.h"

namespace {

std::uint64_t fnv1a(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
    }
    return hash;
}

enum Flags : std::uint8_t {
    kSealHeader = 1,
    kSealRun = 2,
    kStoreKnowsNone = 4,
    kStoreKnowsAnother = 8,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kPrefix = 1 + 2 * sizeof(std::int64_t);
    if (size < kPrefix) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    std::int64_t appliedKeys = 0;
    std::int64_t appliedClicks = 0;
    std::memcpy(&appliedKeys, data + 1, sizeof appliedKeys);
    std::memcpy(&appliedClicks, data + 1 + sizeof appliedKeys, sizeof appliedClicks);
    quib::PendingPage page{};
    std::memcpy(&page, data + kPrefix, std::min(size - kPrefix, sizeof page));
    if (flags & kSealHeader) {
        page.headerCheck = fnv1a(&page, offsetof(quib::PendingPage, headerCheck));
    }
    if (flags & kSealRun) {
        const std::uint64_t copy = (page.seal >> 32) & 1;
        page.seal = (copy << 32) | static_cast<std::uint32_t>(
                                       fnv1a(&page.runs[copy], sizeof(quib::PendingPage::Run)));
    }
    std::optional<std::uint64_t> stored = page.identity ^ ((flags & kStoreKnowsAnother) ? 1 : 0);
    if (flags & kStoreKnowsNone) {
        stored.reset();
    }

    const quib::PendingCheck check =
        quib::checkPendingPage(page, stored, appliedKeys, appliedClicks);
    const quib::PendingCounts& pending = check.pending;
    switch (check.verdict) {
        case quib::PendingCheck::Verdict::reject:
            if (check.reason.empty() || !pending.days.empty()) {
                std::abort();
            }
            return 0;
        case quib::PendingCheck::Verdict::adopt:
            if (stored == page.identity || page.keys != 0 || page.clicks != 0 ||
                !pending.days.empty()) {
                std::abort();
            }
            return 0;
        case quib::PendingCheck::Verdict::fold:
            break;
    }
    if (stored != page.identity || pending.keys != page.keys || pending.clicks != page.clicks ||
        pending.runKeys < 0 || pending.runKeys > page.keys) {
        std::abort();
    }
    std::int64_t keys = 0;
    std::int64_t clicks = 0;
    for (const auto& day : pending.days) {
        if (day.keys < 0 || day.clicks < 0 || (day.keys == 0 && day.clicks == 0) ||
            day.day.size() >= sizeof(quib::PendingPage::Mark::day) ||
            __builtin_add_overflow(keys, day.keys, &keys) ||
            __builtin_add_overflow(clicks, day.clicks, &clicks)) {
            std::abort();
        }
    }
    if (keys != page.keys - appliedKeys || clicks != page.clicks - appliedClicks) {
        std::abort();
    }
    return 0;
}
