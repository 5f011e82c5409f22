#pragma once

#include <filesystem>
#include <iosfwd>

namespace quib {

// `quib stats [--json]`: prints the figures of the store without writing
// anything: no file is created or left in the data folder (or beside a linked
// store's target), an unwritable folder is fine, and another program's lock
// is waited for (SqlitePreferences' read-only mode; a missing database gives
// the figures of a fresh install). The figures are the store's; the text form
// adds a line for counts a journal holds that the store does not yet, which
// this command reads but never folds (a journal that is not a regular file is
// skipped, with a line on stderr, never opened). Returns the process exit
// code: 1 with a "[QUIB] " line on stderr when the file is not a readable
// database.
int runStatsCommand(const std::filesystem::path& dataDirectory, bool json, std::ostream& out);

}  // namespace quib
