// Damage, recovery and the daily backups of the store's file. Only SQLite's
// own verdict that a file is not a database, or is corrupt, counts as damage:
// a file another program holds locked, or one that cannot be opened, is left
// exactly where it is.
#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/Log.h"
#include "platform/PrivateFiles.h"
#include "platform/prefs/SqliteFiles.h"

namespace quib::sqlite {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBackupInfix = ".backup-";
constexpr std::string_view kCorruptInfix = ".corrupt-";

// The first bytes of the file: a header that is not SQLite's is damage; a
// file that cannot be read says nothing.
FileHealth headerHealth(const fs::path& file, const struct stat& status) {
    if (status.st_size == 0) {
        return FileHealth::healthy;  // an empty file is an empty database
    }
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return FileHealth::unknown;
    }
    char header[16] = {};
    const ssize_t got = ::read(fd, header, sizeof header);
    ::close(fd);
    if (got < 0) {
        return FileHealth::unknown;
    }
    const bool sqlite = got == static_cast<ssize_t>(sizeof header) &&
                        std::string_view(header, 16) == std::string_view("SQLite format 3\0", 16);
    return sqlite ? FileHealth::healthy : FileHealth::damaged;
}

FileHealth verdict(int code) {
    switch (code & 0xff) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return FileHealth::damaged;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return FileHealth::locked;
        default:
            return FileHealth::unknown;
    }
}

// SQLite's quick check, waiting for another program's lock like any reader.
FileHealth quickCheck(const fs::path& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const FileHealth health = verdict(sqlite3_errcode(db));
        sqlite3_close_v2(db);
        return health;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_stmt* check = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(check);
    }
    FileHealth health = verdict(rc == SQLITE_ROW ? SQLITE_OK : sqlite3_errcode(db));
    if (rc == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
        health = text != nullptr && std::string_view(text) == "ok" ? FileHealth::healthy
                                                                   : FileHealth::damaged;
    }
    sqlite3_finalize(check);
    sqlite3_close_v2(db);
    return health;
}

std::string utcTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

// The files named <file><infix>..., newest first (their names sort by date),
// without SQLite's companions and temporaries.
std::vector<fs::path> copiesNewestFirst(const fs::path& directory, const fs::path& file,
                                        std::string_view infix) {
    std::vector<fs::path> copies;
    const std::string prefix = file.filename().string() + std::string(infix);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        const bool companion = name.ends_with("-wal") || name.ends_with("-shm");
        if (name.starts_with(prefix) && !companion && !name.ends_with(".tmp")) {
            copies.push_back(entry.path());
        }
    }
    std::sort(copies.rbegin(), copies.rend());
    return copies;
}

void removeOldest(const std::vector<fs::path>& newestFirst, int kept) {
    std::error_code error;
    for (std::size_t i = static_cast<std::size_t>(kept); i < newestFirst.size(); ++i) {
        fs::remove(newestFirst[i], error);
        for (const char* suffix : {"-wal", "-shm"}) {
            fs::remove(newestFirst[i].string() + suffix, error);
        }
    }
}

// rename(2) that never replaces a file already there: a second damage in the
// same second gets a name of its own. Where the file system cannot promise
// that, a plain rename: the timestamped name is as good as unique.
bool renameFresh(const fs::path& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    return errno == EINVAL && ::rename(from.c_str(), to.c_str()) == 0;
}

// False, with the reason logged, when the file cannot be moved: then it must
// not be replaced either.
bool moveAside(const fs::path& directory, const fs::path& file) {
    std::string target = file.string() + std::string(kCorruptInfix) + utcTimestamp();
    bool moved = renameFresh(file, target);
    for (int n = 2; !moved && errno == EEXIST && n < 100; ++n) {
        target =
            file.string() + std::string(kCorruptInfix) + utcTimestamp() + "-" + std::to_string(n);
        moved = renameFresh(file, target);
    }
    if (!moved) {
        logLine("Preferences database is damaged and cannot be moved aside, so it stays: ",
                file.string() + ": " + std::strerror(errno));
        return false;
    }
    // A store that is a link was moved as a link: what it leads to, outside
    // the folder, keeps its mode.
    makePrivate(target);
    std::error_code error;
    for (const char* suffix : {"-wal", "-shm"}) {
        const fs::path companion = file.string() + suffix;
        if (fs::exists(fs::symlink_status(companion, error))) {
            fs::rename(companion, target + suffix, error);
        }
    }
    logLine("Preferences database is damaged; moved aside to ", target);
    removeOldest(copiesNewestFirst(directory, file, kCorruptInfix), kCorruptKept);
    return true;
}

}  // namespace

FileHealth checkHealth(const fs::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        struct stat link {};
        if (errno == ENOENT) {
            // A link that leads nowhere would have SQLite create its target.
            return ::lstat(file.c_str(), &link) == 0 ? FileHealth::damaged : FileHealth::missing;
        }
        return FileHealth::unknown;
    }
    if (!S_ISREG(status.st_mode)) {
        return FileHealth::damaged;  // a FIFO or a folder where the database belongs
    }
    const FileHealth header = headerHealth(file, status);
    return header == FileHealth::healthy && status.st_size > 0 ? quickCheck(file) : header;
}

bool recoverDamaged(const fs::path& directory, const fs::path& file) {
    if (!moveAside(directory, file)) {
        return false;
    }
    for (const auto& backup : copiesNewestFirst(directory, file, kBackupInfix)) {
        if (checkHealth(backup) == FileHealth::healthy && copyToPrivateFile(backup, file)) {
            logLine("Preferences restored from the backup ", backup.string());
            return true;
        }
    }
    logLine("No usable preferences backup; starting with empty preferences");
    return false;
}

bool backUp(sqlite3* db, const fs::path& directory, std::string_view day, int kept) {
    const fs::path file = directory / "preferences.sqlite3";
    const fs::path target = file.string() + std::string(kBackupInfix) + std::string(day);
    std::error_code error;
    if (fs::exists(fs::symlink_status(target, error))) {
        return true;
    }
    // VACUUM INTO fills an empty file: the copy is created private first.
    const fs::path temporary = target.string() + ".tmp";
    const int fd = createPrivateFile(temporary);
    if (fd < 0) {
        logLine("Preferences backup failed: cannot create ", temporary.string());
        return false;
    }
    ::close(fd);
    Statement vacuum(db, "VACUUM INTO ?1");
    vacuum.bindText(1, temporary.string());
    if (!vacuum.run()) {
        logLine("Preferences backup failed: ", sqlite3_errmsg(db));
        fs::remove(temporary, error);
        return false;
    }
    fs::rename(temporary, target, error);
    removeOldest(copiesNewestFirst(directory, file, kBackupInfix), kept);
    return !error;
}

}  // namespace quib::sqlite
