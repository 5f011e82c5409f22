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

// Takes group and other access away from `path` when it is a regular file or
// a folder of the user's, without following a symbolic link: a link, and
// what it leads to, are never changed. True when it changed anything.
bool makePrivate(const std::filesystem::path& path);

// Creates the data folder `folder` (and its parents) with mode 0700. When it
// exists, takes group and other access away from QUIB's own entries in it
// (the store and its companions, copies and damaged files, the journal,
// instance.lock, and everything under packs/), never through a symbolic
// link, and from the folder itself only while it holds nothing else; a folder
// open to others that holds other files is left as it is with one line that
// says what to do. One log line says when anything had to be tightened.
// False, and why in `error`, when the folder cannot be created.
bool preparePrivateFolder(const std::filesystem::path& folder, std::string& error);

}  // namespace quib
