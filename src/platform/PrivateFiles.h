#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Files only the user can read, written so that nothing planted in their
// place is ever written through: a new file is created exclusively and
// without following a symbolic link (O_EXCL | O_NOFOLLOW), mode 0600, and a
// finished file reaches its name by rename(2), which replaces a link there
// instead of following it.
namespace quib {

// Creates `path` for writing, mode 0600. Whatever stood there (a stale
// temporary, a planted link) is unlinked first and never opened. -1 with
// errno set on failure.
int createPrivateFile(const std::filesystem::path& path);

// Writes `bytes` to <path>.tmp and renames it over `path`, so the name never
// shows half a file. False, and why in `error`, on failure.
bool replacePrivateFile(const std::filesystem::path& path, std::string_view bytes,
                        std::string& error);

// Copies the regular file `from` to a new private file `to`.
bool copyToPrivateFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Creates `folder` (and its parents) with mode 0700, or, when it exists and
// belongs to the user, takes group and other access away from it and from
// everything in it (symbolic links are left alone); one log line says so when
// anything had to be tightened. False, and why in `error`, when the folder
// cannot be created.
bool preparePrivateFolder(const std::filesystem::path& folder, std::string& error);

}  // namespace quib
