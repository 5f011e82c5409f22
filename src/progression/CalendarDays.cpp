#include "progression/CalendarDays.h"

#include <algorithm>
#include <cstdio>

namespace quib::calendar {

std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

Date civilFromDays(std::int64_t dayNumber) {
    const std::int64_t z = dayNumber + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::optional<std::int64_t> parseDay(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    int fields[3] = {0, 0, 0};
    for (std::size_t i = 0, field = 0; i < text.size(); ++i) {
        if (i == 4 || i == 7) {
            ++field;
        } else if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        } else {
            fields[field] = fields[field] * 10 + (text[i] - '0');
        }
    }
    const int year = fields[0];
    const auto month = static_cast<unsigned>(fields[1]);
    const auto day = static_cast<unsigned>(fields[2]);
    static constexpr unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) {
        return std::nullopt;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap) {
        return std::nullopt;
    }
    return daysFromCivil(year, month, day);
}

std::string formatDay(std::int64_t dayNumber) {
    const Date date = civilFromDays(dayNumber);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u",
                  static_cast<int>(std::clamp<std::int64_t>(date.year, 0, 9999)), date.month,
                  date.day);
    return text;
}

}  // namespace quib::calendar
