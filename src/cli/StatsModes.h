#pragma once

#include <iosfwd>

#include "cli/CommandLine.h"

namespace quib {

// `quib stats` in each of its forms (the figures, --days, --format, --watch);
// returns the exit code. A template that does not parse is a wrong argument:
// exit code 1 and a message on stderr.
int runStats(const CommandLine& line, std::ostream& out);

}  // namespace quib
