#include "platform/PrivateFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/DataFolderLock.h"
#include "platform/Log.h"
#include "platform/prefs/PendingJournal.h"
#include "platform/prefs/SqlitePreferences.h"

namespace quib {

namespace fs = std::filesystem;

namespace {

constexpr mode_t kGroupAndOther = S_IRWXG | S_IRWXO;

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Takes group and other access away from the entry `name` of the folder
// `folder` (a descriptor, or AT_FDCWD) if it is a regular file or a folder
// of ours; a link, whatever it leads to, and anything else are left alone.
// The mode is changed without following a link, so an entry swapped for
// one in between changes nothing. True when it changed anything.
bool tightenAt(int folder, const char* name) {
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !(S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) || status.st_uid != ::getuid() ||
        (status.st_mode & kGroupAndOther) == 0) {
        return false;
    }
    return ::fchmodat(folder, name, status.st_mode & S_IRWXU, AT_SYMLINK_NOFOLLOW) == 0;
}

// Every entry under the folder `name` of `parent`, entered without following
// a link, down to a few levels (a pack is a folder of sound files).
int tightenTree(int parent, const char* name, int depth) {
    int tightened = tightenAt(parent, name) ? 1 : 0;
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* entries = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (entries == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return tightened;
    }
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view entryName = entry->d_name;
        if (entryName == "." || entryName == "..") {
            continue;
        }
        tightened += depth > 0 ? tightenTree(fd, entry->d_name, depth - 1)
                               : (tightenAt(fd, entry->d_name) ? 1 : 0);
    }
    ::closedir(entries);
    return tightened;
}

// The names QUIB gives the entries of its data folder: the store with its
// companions, daily copies and damaged files, the journal, the folder's lock
// and the sound packs.
bool isQuibsOwn(std::string_view name) {
    const std::string_view store = SqlitePreferences::kFileName;
    const std::string_view journal = PendingJournal::kFileName;
    if (name.starts_with(store)) {
        const std::string_view rest = name.substr(store.size());
        return rest.empty() || rest == "-wal" || rest == "-shm" || rest == "-journal" ||
               rest.starts_with(".backup-") || rest.starts_with(".corrupt-");
    }
    if (name.starts_with(journal)) {
        const std::string_view rest = name.substr(journal.size());
        return rest.empty() || rest == ".tmp" || rest == ".rejected";
    }
    return name == DataFolderLock::kFileName || name == "packs";
}

constexpr int kPackDepth = 4;

}  // namespace

bool makePrivate(const fs::path& path) {
    return tightenAt(AT_FDCWD, path.c_str());
}

int createPrivateFile(const fs::path& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return -1;
    }
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

bool replacePrivateFile(const fs::path& path, std::string_view bytes, std::string& error) {
    const fs::path temporary = path.string() + ".tmp";
    const int fd = createPrivateFile(temporary);
    if (fd < 0) {
        error = "cannot create " + temporary.string() + ": " + std::strerror(errno);
        return false;
    }
    const bool written = writeAll(fd, bytes);
    const int writeError = errno;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        error =
            "cannot write " + path.string() + ": " + std::strerror(written ? errno : writeError);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool copyToPrivateFile(const fs::path& from, const fs::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (in < 0 || ::fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (in >= 0) {
            ::close(in);
        }
        return false;
    }
    const int out = createPrivateFile(to);
    bool ok = out >= 0;
    char buffer[1 << 16];
    while (ok) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = writeAll(out, std::string_view(buffer, static_cast<std::size_t>(got)));
    }
    ::close(in);
    if (out >= 0) {
        ok = ::close(out) == 0 && ok;
    }
    if (!ok) {
        ::unlink(to.c_str());
    }
    return ok;
}

bool preparePrivateFolder(const fs::path& folder, std::string& error) {
    std::error_code code;
    if (folder.has_parent_path()) {
        fs::create_directories(folder.parent_path(), code);
    }
    if (::mkdir(folder.c_str(), 0700) == 0) {
        return true;
    }
    if (errno != EEXIST || !fs::is_directory(folder, code)) {
        error = std::string(errno == EEXIST ? std::strerror(ENOTDIR) : std::strerror(errno)) +
                ": " + folder.string();
        return false;
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* entries = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (entries == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return true;  // what cannot be listed is left as it is
    }
    int tightened = 0;
    std::string other;
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (!isQuibsOwn(name)) {
            if (other.empty()) {
                other = name;  // for the log line, without control characters
                std::replace_if(
                    other.begin(), other.end(), [](unsigned char c) { return c < 0x20; }, '?');
            }
            continue;
        }
        tightened += name == "packs" ? tightenTree(fd, entry->d_name, kPackDepth)
                                     : (tightenAt(fd, entry->d_name) ? 1 : 0);
    }
    // The folder itself only while it holds nothing but QUIB's: one that
    // holds other things (--home ~) is the user's to decide about. A folder
    // that is a link is reached, never changed.
    struct stat status {};
    const bool link = ::lstat(folder.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
    if (other.empty() && !link) {
        tightened += tightenAt(AT_FDCWD, folder.c_str()) ? 1 : 0;
    } else if (!link && ::fstat(fd, &status) == 0 && (status.st_mode & kGroupAndOther) != 0) {
        logLine("The data folder is open to others but holds files that are not QUIB's (such as " +
                    other +
                    "), so it is left as it is; to make it private, run chmod 700 on it "
                    "or give QUIB a folder of its own with --home: ",
                folder.string());
    }
    ::closedir(entries);
    if (tightened > 0) {
        logLine("Made the data folder private (only you can read it now; " +
                    std::to_string(tightened) + " entries had been open to others): ",
                folder.string());
    }
    return true;
}

}  // namespace quib
