#pragma once

#include <filesystem>
#include <optional>

namespace quib {

// The data directory: the --home option, else $QUIB_HOME, else
// ${XDG_DATA_HOME:-$HOME/.local/share}/quib. Not created here.
std::filesystem::path dataDirectory(const std::optional<std::filesystem::path>& homeOption);

// The running executable (/proc/self/exe), else "quib" to be found on PATH.
std::filesystem::path executablePath();
std::filesystem::path executableDirectory();

// The resource directory: $QUIB_RESOURCE_DIR, else <executable dir>/../share/quib,
// else <executable dir>/resources (the build tree).
std::filesystem::path resourceDirectory();

// A file in the resource directory: subdirectory/name.extension, if it exists.
std::optional<std::filesystem::path> findResource(const std::filesystem::path& subdirectory,
                                                  const std::string& name,
                                                  const std::string& extension);

}  // namespace quib
