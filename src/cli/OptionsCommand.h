#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace quib {

// `quib set NAME VALUE`: checks the name and the value against the table of
// options and stores the value. Returns 0, or 1 with a "[QUIB] " line and
// nothing changed (an unknown name, a wrong value, a store that cannot be
// written). The caller tells a running QUIB to read its options again.
int runSetCommand(const std::filesystem::path& dataDirectory,
                  const std::vector<std::string>& operands, std::ostream& out);

// `quib get [NAME] [--json]`: every option (or the one named) with its value,
// read without writing anything; an option this desktop cannot honour reads
// "unavailable". Returns 0, or 1 with a "[QUIB] " line.
int runGetCommand(const std::filesystem::path& dataDirectory,
                  const std::vector<std::string>& operands, bool json, std::ostream& out);

}  // namespace quib
