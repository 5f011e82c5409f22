#include "cli/StatsLineCommand.h"

#include <ctime>
#include <ostream>

#include "cli/StatsReading.h"
#include "platform/prefs/StoreFileWatch.h"

namespace quib {

using namespace std::chrono_literals;

std::optional<std::string> readStatsLine(const std::filesystem::path& dataDirectory,
                                         const StatsTemplate& line) {
    const auto reading = StatsReading::open(dataDirectory);
    if (!reading) {
        return std::nullopt;
    }
    return line.render(statsFields(*reading->stats, *reading->store, reading->clock));
}

int runStatsFormatCommand(const std::filesystem::path& dataDirectory, const StatsTemplate& line,
                          std::ostream& out) {
    const auto text = readStatsLine(dataDirectory, line);
    if (!text) {
        return 1;
    }
    out << *text << "\n";
    return 0;
}

std::chrono::milliseconds untilLocalMidnight() {
    const std::time_t now = std::time(nullptr);
    std::tm next{};
    localtime_r(&now, &next);
    next.tm_mday += 1;
    next.tm_hour = 0;
    next.tm_min = 0;
    next.tm_sec = 1;
    next.tm_isdst = -1;
    const std::time_t midnight = std::mktime(&next);
    return std::chrono::seconds(std::max<std::time_t>(1, midnight - now));
}

int runStatsWatch(const std::filesystem::path& dataDirectory, const StatsTemplate& line,
                  const std::function<bool(const std::string&)>& emit) {
    using Steady = std::chrono::steady_clock;
    StoreFileWatch watch(dataDirectory);
    std::optional<std::string> shown;
    auto nextRead = Steady::now();
    while (true) {
        // Changes closer together than a second are read once, a second after the last read.
        if (const auto early = nextRead - Steady::now(); early > 0s) {
            watch.wait(std::chrono::ceil<std::chrono::milliseconds>(early));
            continue;
        }
        nextRead = Steady::now() + 1s;
        const auto text = readStatsLine(dataDirectory, line);
        if (text && text != shown) {
            if (!emit(*text)) {
                return 0;
            }
            shown = text;
        }
        watch.wait(untilLocalMidnight());
    }
}

}  // namespace quib
