#include "progression/DailySeries.h"

#include <algorithm>

#include "progression/CalendarDays.h"
#include "progression/StoreKeys.h"

namespace quib {

std::vector<DayCount> readDailySeries(const Preferences& preferences, std::int64_t lastDay,
                                      int days) {
    std::vector<DayCount> series;
    series.reserve(static_cast<std::size_t>(std::max(days, 0)));
    for (std::int64_t day = lastDay - days + 1; day <= lastDay; ++day) {
        const std::string name = calendar::formatDay(day);
        series.push_back(
            {day, std::max<std::int64_t>(0, preferences.integer(keys::daily(name, "keys"))),
             std::max<std::int64_t>(0, preferences.integer(keys::daily(name, "clicks")))});
    }
    return series;
}

std::vector<DayCount> rebaseSeries(const std::vector<DayCount>& series, std::int64_t lastDay,
                                   int days) {
    std::vector<DayCount> moved;
    moved.reserve(static_cast<std::size_t>(std::max(days, 0)));
    for (std::int64_t day = lastDay - days + 1; day <= lastDay; ++day) {
        const auto known = std::find_if(series.begin(), series.end(),
                                        [day](const DayCount& count) { return count.day == day; });
        moved.push_back(known != series.end() ? *known : DayCount{day, 0, 0});
    }
    return moved;
}

}  // namespace quib
