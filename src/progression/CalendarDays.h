#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Calendar days as the store writes them ("yyyy-MM-dd", proleptic Gregorian)
// and as day numbers (days since 1970-01-01), for the streak and the daily
// series: arithmetic on days without a time zone in between.
namespace quib::calendar {

// "yyyy-MM-dd" as a day number; anything else (including impossible dates
// such as 2026-02-30) is nothing.
std::optional<std::int64_t> parseDay(std::string_view text);

// A day number as "yyyy-MM-dd" (years 0 to 9999; others are clamped).
std::string formatDay(std::int64_t dayNumber);

// Days since 1970-01-01 of a date and back (H. Hinnant's algorithms).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day);
struct Date {
    std::int64_t year;
    unsigned month;
    unsigned day;
};
Date civilFromDays(std::int64_t dayNumber);

}  // namespace quib::calendar
