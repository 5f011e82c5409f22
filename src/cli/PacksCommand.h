#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace quib {

// `quib packs import PATH`, `quib packs list [--json]`, `quib packs use ID`
// and `quib packs remove ID`: the community's sound packs in
// <data dir>/packs. `use` makes a pack the keyboard's sound; removing the pack
// in use gives the keyboard the default profile again. Returns the exit code:
// 0, or 1 with "[QUIB] " lines naming what is wrong and nothing changed. The
// caller tells a running QUIB after a change.
int runPacksCommand(const std::filesystem::path& dataDirectory,
                    const std::vector<std::string>& operands, bool json, std::ostream& out);

}  // namespace quib
