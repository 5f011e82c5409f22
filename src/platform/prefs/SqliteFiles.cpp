#include "platform/prefs/SqliteFiles.h"

#include <sqlite3.h>
#include <unistd.h>

#include "platform/PrivateFiles.h"

namespace quib::sqlite {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS preferences "
    "(key TEXT PRIMARY KEY NOT NULL, type TEXT NOT NULL, value)";

// SQLite creates a missing file with its default mode (0644 less the umask);
// the store is created first, private, and SQLite gives its -wal and -shm
// companions the mode of the database.
void createPrivately(const fs::path& file) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file, error))) {
        const int fd = createPrivateFile(file);
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

}  // namespace

Statement::Statement(sqlite3* db, const char* sql) {
    sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
}

Statement::~Statement() {
    sqlite3_finalize(m_statement);
}

void Statement::bindText(int index, std::string_view text) {
    sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

void Statement::bindInteger(int index, std::int64_t value) {
    sqlite3_bind_int64(m_statement, index, value);
}

void Statement::bindReal(int index, double value) {
    sqlite3_bind_double(m_statement, index, value);
}

bool Statement::step() {
    return m_statement != nullptr && sqlite3_step(m_statement) == SQLITE_ROW;
}

bool Statement::run() {
    if (m_statement == nullptr) {
        return false;
    }
    int rc = sqlite3_step(m_statement);
    while (rc == SQLITE_ROW) {
        rc = sqlite3_step(m_statement);
    }
    return rc == SQLITE_DONE;
}

int Statement::columnType(int column) const {
    return sqlite3_column_type(m_statement, column);
}

std::int64_t Statement::columnInteger(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

double Statement::columnReal(int column) const {
    return sqlite3_column_double(m_statement, column);
}

std::string Statement::columnText(int column) const {
    const auto* text = sqlite3_column_text(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
                : std::string();
}

bool execute(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::int64_t rowCount(sqlite3* db) {
    Statement count(db, "SELECT count(*) FROM preferences");
    return count.step() ? count.columnInteger(0) : 0;
}

bool failedOnLock(sqlite3* db) {
    const int code = sqlite3_errcode(db) & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

std::string fileUri(const fs::path& file, std::string_view query) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : file.string()) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') ||
                           std::string_view("/-._~").find(c) != std::string_view::npos;
        if (plain) {
            uri += c;
        } else {
            uri += {'%', kHex[byte >> 4], kHex[byte & 15]};
        }
    }
    return uri + "?" + std::string(query);
}

sqlite3* openMemory() {
    sqlite3* db = nullptr;
    sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    execute(db, kSchema);
    return db;
}

sqlite3* openWritable(const fs::path& file, OpenFailure& failure, int busyTimeoutMs) {
    createPrivately(file);
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    // A read-only file opens "successfully" as read-only; the BEGIN IMMEDIATE
    // probe below finds that out, as it does a directory without write access
    // and another program's lock.
    bool ready =
        sqlite3_open_v2(file.c_str(), &db, flags, nullptr) == SQLITE_OK &&
        sqlite3_db_readonly(db, "main") == 0 && sqlite3_busy_timeout(db, busyTimeoutMs) == 0 &&
        execute(db, "PRAGMA journal_mode = WAL") && execute(db, "PRAGMA synchronous = NORMAL") &&
        execute(db, kSchema) && execute(db, "BEGIN IMMEDIATE") && execute(db, "COMMIT");
    if (ready) {
        Statement version(db, "PRAGMA user_version");
        if (version.step() && version.columnInteger(0) == 0) {
            ready = execute(db, "PRAGMA user_version = 1");
        }
    }
    if (!ready) {
        failure.message =
            std::string(db ? sqlite3_errmsg(db) : "cannot open") + ": " + file.string();
        failure.locked = db != nullptr && failedOnLock(db);
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return db;
}

sqlite3* openMemorySeededFrom(const fs::path& file, bool& seeded, int busyTimeoutMs) {
    sqlite3* memory = openMemory();
    seeded = false;
    std::error_code error;
    if (!fs::exists(file, error)) {
        seeded = true;  // nothing on disk yet: memory holds everything there is
        return memory;
    }
    // A plain reader, which waits for a writer's lock and may leave SQLite's
    // companion files: this is the running program, not `quib stats`.
    sqlite3* disk = nullptr;
    if (sqlite3_open_v2(file.c_str(), &disk, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(disk, busyTimeoutMs);
        Statement probe(disk, "SELECT count(*) FROM preferences");
        seeded = probe.step();
    }
    seeded = seeded && copyDatabase(disk, memory);
    sqlite3_close_v2(disk);
    return memory;
}

bool copyDatabase(sqlite3* from, sqlite3* to) {
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (backup == nullptr) {
        return false;
    }
    const bool done = sqlite3_backup_step(backup, -1) == SQLITE_DONE;
    return sqlite3_backup_finish(backup) == SQLITE_OK && done;
}

bool replaceContents(sqlite3* from, sqlite3* to) {
    if (!execute(to, "BEGIN IMMEDIATE")) {
        return false;
    }
    bool ok = execute(to, "DELETE FROM preferences");
    Statement rows(from, "SELECT key, type, value FROM preferences");
    while (ok && rows.step()) {
        Statement insert(to, "INSERT INTO preferences (key, type, value) VALUES (?1, ?2, ?3)");
        insert.bindText(1, rows.columnText(0));
        insert.bindText(2, rows.columnText(1));
        switch (rows.columnType(2)) {
            case SQLITE_INTEGER:
                insert.bindInteger(3, rows.columnInteger(2));
                break;
            case SQLITE_FLOAT:
                insert.bindReal(3, rows.columnReal(2));
                break;
            default:
                insert.bindText(3, rows.columnText(2));
        }
        ok = insert.run();
    }
    ok = ok && execute(to, "COMMIT");
    if (!ok) {
        execute(to, "ROLLBACK");
    }
    return ok;
}

}  // namespace quib::sqlite
