// Reading the store without writing anything: `quib stats` runs beside a
// live QUIB, in folders it cannot write, and must leave the data folder (and
// the folder of a linked store's target) exactly as it found it. A plain
// read-only connection to a WAL database creates -wal and -shm files and
// cannot remove them again, so the way in depends on what is there:
// - -wal and -shm both exist (QUIB runs, or died): read through them; they
//   are not created, and a lock is waited for.
// - no -wal with content and no rollback journal: the file alone is the whole
//   database, read as immutable (no lock, no companion file).
// - otherwise (a -wal without its -shm, a rollback journal: another program
//   holds the file exclusively, or left it so): the file and its companions
//   are copied to a private temporary folder and read from there.
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <optional>

#include "platform/PrivateFiles.h"
#include "platform/prefs/SqliteFiles.h"

namespace quib::sqlite {

namespace fs = std::filesystem;

namespace {

std::optional<std::uintmax_t> sizeOf(const fs::path& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? std::nullopt : std::optional(size);
}

sqlite3* openUri(const std::string& uri, int busyTimeoutMs) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    sqlite3_busy_timeout(db, busyTimeoutMs);
    return db;
}

// A copy of the database in memory, read from copies of its files in a
// private temporary folder (SQLite may recover them there).
sqlite3* openSnapshot(const fs::path& file) {
    std::string pattern = (fs::temp_directory_path() / "quib-read-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return nullptr;
    }
    const fs::path folder = pattern;
    const fs::path copy = folder / "preferences.sqlite3";
    bool copied = copyToPrivateFile(file, copy);
    for (const char* suffix : {"-wal", "-journal"}) {
        const fs::path companion = file.string() + suffix;
        if (copied && sizeOf(companion)) {
            copied = copyToPrivateFile(companion, copy.string() + suffix);
        }
    }
    sqlite3* disk = nullptr;
    sqlite3* memory = copied ? openMemory() : nullptr;
    if (memory != nullptr &&
        (sqlite3_open_v2(copy.c_str(), &disk, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
         !copyDatabase(disk, memory))) {
        sqlite3_close_v2(memory);
        memory = nullptr;
    }
    sqlite3_close_v2(disk);
    std::error_code error;
    fs::remove_all(folder, error);
    return memory;
}

// SQLite reads the file as a database, and it has no table "preferences".
bool withoutPreferences(sqlite3* db) {
    Statement tables(db, "SELECT count(*) FROM sqlite_master WHERE name = 'preferences'");
    return tables.step() && tables.columnInteger(0) == 0;
}

}  // namespace

sqlite3* openReadOnly(const fs::path& file, std::string& message, int busyTimeoutMs) {
    std::error_code error;
    const fs::path target = fs::is_symlink(file, error) ? fs::canonical(file, error) : file;
    struct stat status {};
    if (error || ::stat(target.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        message = "not a regular file: " + file.string();
        return nullptr;
    }
    const auto wal = sizeOf(target.string() + "-wal");
    const bool shm = sizeOf(target.string() + "-shm").has_value();
    const bool journal = sizeOf(target.string() + "-journal").value_or(0) > 0;
    sqlite3* db = nullptr;
    if (wal && shm) {
        db = openUri(fileUri(target, "mode=ro"), busyTimeoutMs);
    } else if (wal.value_or(0) == 0 && !journal) {
        db = openUri(fileUri(target, "mode=ro&immutable=1"), busyTimeoutMs);
    } else {
        db = openSnapshot(target);
    }
    Statement probe(db, "SELECT count(*) FROM preferences");
    if (db != nullptr && probe.step()) {
        return db;
    }
    if (db != nullptr && withoutPreferences(db)) {
        // A 0-byte file or a database without the table: what the tray reads
        // as an empty store, which the first write gives its schema.
        sqlite3_close_v2(db);
        return openMemory();
    }
    message =
        std::string(db != nullptr ? sqlite3_errmsg(db) : "cannot read") + ": " + file.string();
    sqlite3_close_v2(db);
    return nullptr;
}

}  // namespace quib::sqlite
