#include "cli/StatsModes.h"

#include <iostream>

#include "cli/StatsCommand.h"
#include "cli/StatsDaysCommand.h"
#include "cli/StatsLineCommand.h"
#include "platform/Paths.h"

namespace quib {

int runStats(const CommandLine& line, std::ostream& out) {
    const auto directory = dataDirectory(line.home);
    if (line.days) {
        return runStatsDaysCommand(directory, *line.days, line.json, out);
    }
    if (!line.format && !line.watch) {
        return runStatsCommand(directory, line.json, out);
    }
    std::string error;
    const auto parsed = StatsTemplate::parse(
        line.format ? *line.format : std::string(kDefaultWatchTemplate), error);
    if (!parsed) {
        std::cerr << "quib: --format: " << error << "\n";
        return 1;
    }
    if (!line.watch) {
        return runStatsFormatCommand(directory, *parsed, out);
    }
    return runStatsWatch(directory, *parsed, [&out](const std::string& text) {
        out << text << '\n' << std::flush;
        return static_cast<bool>(out);
    });
}

}  // namespace quib
