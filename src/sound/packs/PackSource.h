#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace quib {

// What an imported pack may hold: more is not a pack of clicks, and an
// archive that unpacks to more is refused before anything is written.
inline constexpr std::size_t kMostPackEntries = 2000;
inline constexpr std::uintmax_t kMostPackBytes = 100u * 1024u * 1024u;

// Copies the files of a pack (a folder, or a .zip read with libarchive) into
// `target`, a folder that must not exist yet, keeping their relative paths.
// Refused before anything is written: a .zip entry with an absolute path or
// a ".." part, a symbolic or hard link (in a folder too), an encrypted entry,
// more than kMostPackEntries entries or more than kMostPackBytes unpacked.
// A .zip whose entries unpack to more than they declared is caught while
// unpacking, and `target` is removed again. Entry names are read as UTF-8.
// Folders are made 0700 and files 0600 as they are written. Returns false
// with a problem that names the entry.
bool copyPackSource(const std::filesystem::path& source, const std::filesystem::path& target,
                    std::string& problem);

// Copies a folder's folders and regular files into `target` (made when
// missing), 0700 and 0600 from the start. The first error stops the copy:
// false with a problem naming the file; what was written stays for the
// caller to remove.
bool copyPackFiles(const std::filesystem::path& source, const std::filesystem::path& target,
                   std::string& problem);

}  // namespace quib
