#include "cli/StatsDaysCommand.h"

#include <cstdio>
#include <ostream>

#include "cli/StatsCommandJson.h"
#include "cli/StatsReading.h"
#include "platform/Log.h"
#include "progression/CalendarDays.h"
#include "progression/DailySeries.h"

namespace quib {

namespace {

void printJson(const std::vector<DayCount>& series, std::ostream& out) {
    out << "[";
    for (std::size_t i = 0; i < series.size(); ++i) {
        out << (i == 0 ? "\n" : ",\n")
            << "  {\"day\": " << json::quoted(calendar::formatDay(series[i].day))
            << ", \"keys\": " << series[i].keys << ", \"clicks\": " << series[i].clicks << "}";
    }
    out << "\n]\n";
}

void printText(const std::vector<DayCount>& series, std::ostream& out) {
    char line[96];
    std::snprintf(line, sizeof line, "%-10s  %10s  %10s\n", "DAY", "KEYS", "CLICKS");
    out << line;
    for (const DayCount& count : series) {
        std::snprintf(line, sizeof line, "%-10s  %10lld  %10lld\n",
                      calendar::formatDay(count.day).c_str(), static_cast<long long>(count.keys),
                      static_cast<long long>(count.clicks));
        out << line;
    }
}

}  // namespace

int runStatsDaysCommand(const std::filesystem::path& dataDirectory, int days, bool json,
                        std::ostream& out) {
    const auto reading = StatsReading::open(dataDirectory);
    if (!reading) {
        return 1;
    }
    const auto today = calendar::parseDay(reading->clock.today());
    if (!today) {
        logLine("The system clock gives no calendar day");
        return 1;
    }
    const auto series = readDailySeries(*reading->store, *today, days);
    if (json) {
        printJson(series, out);
    } else {
        printText(series, out);
    }
    return 0;
}

}  // namespace quib
