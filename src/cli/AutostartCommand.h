#pragma once

#include <filesystem>
#include <iosfwd>

#include "cli/CommandLine.h"

namespace quib {

// `quib --autostart on|off`: writes or removes the autostart entry. The entry
// runs `executable` with the options given on this command line (the data
// directory made absolute, since the desktop starts programs in another
// directory). Returns the exit code: 0, or 1 with a "[QUIB] ..." line.
int runAutostartCommand(const CommandLine& commandLine, const std::filesystem::path& executable,
                        std::ostream& out);

}  // namespace quib
