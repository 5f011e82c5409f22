#include "platform/prefs/SqliteFiles.h"

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <vector>

#include "platform/Log.h"

namespace quib::sqlite {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS preferences "
    "(key TEXT PRIMARY KEY NOT NULL, type TEXT NOT NULL, value)";
constexpr std::string_view kBackupInfix = ".backup-";

bool hasSqliteHeader(const fs::path& file) {
    std::error_code error;
    if (fs::file_size(file, error) == 0 && !error) {
        return true;  // an empty file is an empty database
    }
    std::ifstream in(file, std::ios::binary);
    char header[16] = {};
    in.read(header, sizeof header);
    return in.gcount() == sizeof header &&
           std::string_view(header, 16) == std::string_view("SQLite format 3\0", 16);
}

bool passesQuickCheck(sqlite3* db) {
    Statement check(db, "PRAGMA quick_check");
    return check.step() && check.columnText(0) == "ok";
}

bool fileIsHealthy(const fs::path& file) {
    if (!hasSqliteHeader(file)) {
        return false;
    }
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const bool healthy = rc == SQLITE_OK && passesQuickCheck(db);
    sqlite3_close_v2(db);
    return healthy;
}

std::string utcTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

std::vector<fs::path> backupsNewestFirst(const fs::path& directory, const fs::path& file) {
    std::vector<fs::path> backups;
    const std::string prefix = file.filename().string() + std::string(kBackupInfix);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.find(".tmp") == std::string::npos) {
            backups.push_back(entry.path());
        }
    }
    std::sort(backups.rbegin(), backups.rend());  // day names sort by date
    return backups;
}

void moveAside(const fs::path& file) {
    const std::string target = file.string() + ".corrupt-" + utcTimestamp();
    std::error_code error;
    fs::rename(file, target, error);
    for (const char* suffix : {"-wal", "-shm"}) {
        const fs::path companion = file.string() + suffix;
        if (fs::exists(companion, error)) {
            fs::rename(companion, target + suffix, error);
        }
    }
    logLine("Preferences database is damaged; moved aside to ", target);
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

sqlite3* openMemory() {
    sqlite3* db = nullptr;
    sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    execute(db, kSchema);
    return db;
}

sqlite3* openReadOnly(const fs::path& file, std::string& message) {
    sqlite3* db = nullptr;
    const std::string uri = "file:" + file.string() + "?mode=ro";
    int rc = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    if (rc == SQLITE_OK) {
        Statement probe(db, "SELECT count(*) FROM preferences");
        if (probe.step()) {
            return db;
        }
    }
    message = std::string(sqlite3_errmsg(db)) + ": " + file.string();
    sqlite3_close_v2(db);
    return nullptr;
}

sqlite3* openWritable(const fs::path& directory, const fs::path& file, std::string& message) {
    std::error_code error;
    fs::create_directories(directory, error);
    if (error) {
        message = error.message() + ": " + directory.string();
        return nullptr;
    }
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    // A read-only file opens "successfully" as read-only; the BEGIN IMMEDIATE
    // probe below finds that out, as it does a directory without write access.
    bool ready =
        sqlite3_open_v2(file.c_str(), &db, flags, nullptr) == SQLITE_OK &&
        sqlite3_db_readonly(db, "main") == 0 && execute(db, "PRAGMA busy_timeout = 2000") &&
        execute(db, "PRAGMA journal_mode = WAL") && execute(db, "PRAGMA synchronous = NORMAL") &&
        execute(db, kSchema) && execute(db, "BEGIN IMMEDIATE") && execute(db, "COMMIT");
    if (ready) {
        Statement version(db, "PRAGMA user_version");
        if (version.step() && version.columnInteger(0) == 0) {
            ready = execute(db, "PRAGMA user_version = 1");
        }
    }
    if (!ready) {
        message = std::string(db ? sqlite3_errmsg(db) : "cannot open") + ": " + file.string();
        sqlite3_close_v2(db);
        return nullptr;
    }
    return db;
}

sqlite3* openMemorySeededFrom(const fs::path& file, bool& seeded) {
    sqlite3* memory = openMemory();
    std::string message;
    seeded = false;
    std::error_code error;
    if (!fs::exists(file, error)) {
        seeded = true;  // nothing on disk yet: memory holds everything there is
        return memory;
    }
    if (sqlite3* disk = openReadOnly(file, message)) {
        copyDatabase(disk, memory);
        sqlite3_close_v2(disk);
        seeded = true;
    }
    return memory;
}

void recoverIfCorrupt(const fs::path& directory, const fs::path& file) {
    std::error_code error;
    if (!fs::exists(file, error) || fileIsHealthy(file)) {
        return;
    }
    moveAside(file);
    for (const auto& backup : backupsNewestFirst(directory, file)) {
        if (!fileIsHealthy(backup)) {
            continue;
        }
        fs::copy_file(backup, file, fs::copy_options::overwrite_existing, error);
        if (!error) {
            logLine("Preferences restored from the backup ", backup.string());
            return;
        }
    }
    logLine("No usable preferences backup; starting with empty preferences");
}

void copyDatabase(sqlite3* from, sqlite3* to) {
    if (sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main")) {
        sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
    }
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

bool backUp(sqlite3* db, const fs::path& directory, std::string_view day, int kept) {
    const fs::path file = directory / "preferences.sqlite3";
    const fs::path target = file.string() + std::string(kBackupInfix) + std::string(day);
    std::error_code error;
    if (fs::exists(target, error)) {
        return true;
    }
    const fs::path temporary = target.string() + ".tmp";
    fs::remove(temporary, error);
    Statement vacuum(db, "VACUUM INTO ?1");
    vacuum.bindText(1, temporary.string());
    if (!vacuum.run()) {
        logLine("Preferences backup failed: ", sqlite3_errmsg(db));
        fs::remove(temporary, error);
        return false;
    }
    fs::rename(temporary, target, error);
    const auto backups = backupsNewestFirst(directory, file);
    for (std::size_t i = static_cast<std::size_t>(kept); i < backups.size(); ++i) {
        fs::remove(backups[i], error);
    }
    return !error;
}

}  // namespace quib::sqlite
