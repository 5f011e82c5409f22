#pragma once

#include <cstdint>
#include <vector>

#include "platform/prefs/Preferences.h"

namespace quib {

// One calendar day's counts as the store keeps them in its daily rows
// ("gs_daily_<yyyy-MM-dd>_keys" and "_clicks").
struct DayCount {
    std::int64_t day = 0;  // days since 1970-01-01 (calendar::parseDay)
    std::int64_t keys = 0;
    std::int64_t clicks = 0;

    bool operator==(const DayCount&) const = default;
};

// `days` consecutive days ending at `lastDay`, oldest first. A day without a
// row (nothing typed, or from before the rows were kept) reads 0, and so does
// a damaged row (negative, or not a number).
std::vector<DayCount> readDailySeries(const Preferences& preferences, std::int64_t lastDay,
                                      int days);

// The same span moved to end at `lastDay` (after midnight, or a clock set
// back): the days both spans share keep their counts, the others read 0.
std::vector<DayCount> rebaseSeries(const std::vector<DayCount>& series, std::int64_t lastDay,
                                   int days);

}  // namespace quib
