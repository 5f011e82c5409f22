#include "platform/PrivateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Log.h"

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

// Takes group and other access away from `path` if it is ours and not a
// link; true when it changed anything.
bool tighten(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || S_ISLNK(status.st_mode) ||
        status.st_uid != ::getuid() || (status.st_mode & kGroupAndOther) == 0) {
        return false;
    }
    const mode_t mode = S_ISDIR(status.st_mode) ? 0700 : 0600;
    return ::chmod(path.c_str(), mode) == 0;
}

}  // namespace

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
    int tightened = tighten(folder) ? 1 : 0;
    for (auto it = fs::recursive_directory_iterator(folder, code);
         !code && it != fs::recursive_directory_iterator(); it.increment(code)) {
        tightened += tighten(it->path()) ? 1 : 0;
    }
    if (tightened > 0) {
        logLine("Made the data folder private (only you can read it now; " +
                    std::to_string(tightened) + " entries had been open to others): ",
                folder.string());
    }
    return true;
}

}  // namespace quib
