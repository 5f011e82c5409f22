#pragma once

#include <filesystem>
#include <optional>

namespace quib {

// The data directory: the --home option, else $QUIB_HOME, else
// ${XDG_DATA_HOME:-$HOME/.local/share}/quib. Not created here. The path is
// canonical (absolute, symbolic links and ".." resolved as far as it exists,
// no trailing slash), so that every spelling of one folder names one data
// directory. Empty when there is no home folder to put it in.
std::filesystem::path dataDirectory(const std::optional<std::filesystem::path>& homeOption);

// The user's home folder: $HOME, else the one of the user's password entry;
// never a shared folder such as /tmp. Empty when neither is known.
std::filesystem::path homeDirectory();

// `path` made absolute and canonical as far as it exists (the rest is
// normalised lexically), without a trailing slash.
std::filesystem::path canonicalPath(const std::filesystem::path& path);

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
