#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/StatsTemplate.h"

namespace quib {

// `quib stats --format TEMPLATE`: one line of named figures, for status bars.
// Read-only, as every form of `quib stats`; returns the exit code.
int runStatsFormatCommand(const std::filesystem::path& dataDirectory, const StatsTemplate& line,
                          std::ostream& out);

// `quib stats --watch [--format TEMPLATE]`: the line at once, then a new one
// whenever it reads differently, at most once a second. Between lines it
// sleeps in the kernel on the store's file (StoreFileWatch): the running
// program writes it at each flush that took input, so an idle desktop costs
// nothing; it also wakes at local midnight, when today's figures restart.
// `emit` prints a line and returns false when nobody reads any more (the
// status bar closed the pipe), which ends the watch. Returns the exit code.
int runStatsWatch(const std::filesystem::path& dataDirectory, const StatsTemplate& line,
                  const std::function<bool(const std::string&)>& emit);

// The line of the store as it is now; nothing when it cannot be read.
std::optional<std::string> readStatsLine(const std::filesystem::path& dataDirectory,
                                         const StatsTemplate& line);

// From now to the next local midnight (and a second past it).
std::chrono::milliseconds untilLocalMidnight();

}  // namespace quib
