// SqlitePreferences without its file: the start with a locked or unwritable
// one, the fallback to memory when a write fails, and the way back.
#include <sqlite3.h>

#include "platform/Log.h"
#include "platform/PrivateFiles.h"
#include "platform/prefs/SqliteFiles.h"
#include "platform/prefs/SqliteOperation.h"

namespace quib {

namespace fs = std::filesystem;

SqlitePreferences::OpenResult SqlitePreferences::openWritable(const fs::path& directory) {
    const fs::path file = directory / kFileName;
    std::string folderError;
    preparePrivateFolder(directory, folderError);
    const sqlite::FileHealth health = sqlite::checkHealth(file);
    if (health == sqlite::FileHealth::damaged) {
        sqlite::recoverDamaged(directory, file);
    }
    sqlite::OpenFailure failure{folderError, health == sqlite::FileHealth::locked};
    if (!failure.locked && folderError.empty()) {
        if (sqlite3* db = sqlite::openWritable(file, failure)) {
            return {std::unique_ptr<SqlitePreferences>(
                        new SqlitePreferences(db, directory, Mode::readWrite)),
                    {}};
        }
    }
    if (failure.locked) {
        logLine(
            "Preferences kept in memory while another program holds the database locked; "
            "they are written to it once it is free: ",
            file.string());
    } else {
        logLine("Preferences kept in memory, the data directory is not writable: ",
                failure.message);
    }
    // Known to be locked: one more look, without waiting again.
    bool seeded = false;
    sqlite3* memory = sqlite::openMemorySeededFrom(
        file, seeded, failure.locked ? sqlite::kRetryBusyTimeoutMs : sqlite::kBusyTimeoutMs);
    auto store = std::unique_ptr<SqlitePreferences>(
        new SqlitePreferences(memory, directory, Mode::readWrite));
    store->m_inMemoryFallback = true;
    store->m_seededFromFile = seeded;
    return {std::move(store), {}};
}

void SqlitePreferences::fallBackToMemory(const std::vector<Operation>& lost) {
    if (!m_inMemoryFallback && !m_directory.empty()) {
        logLine("Preferences kept in memory, writing to disk failed: ", m_failure);
        sqlite3* memory = sqlite::openMemory();
        sqlite::copyDatabase(m_db, memory);
        sqlite3_close_v2(m_db);
        m_db = memory;
        m_inMemoryFallback = true;
        m_seededFromFile = true;
    }
    for (const auto& operation : lost) {
        apply(m_db, operation);
    }
}

bool SqlitePreferences::retryFile() {
    const fs::path file = m_directory / kFileName;
    std::string folderError;
    if (!preparePrivateFolder(m_directory, folderError)) {
        return false;
    }
    sqlite::OpenFailure failure;
    sqlite3* disk = sqlite::openWritable(file, failure, sqlite::kRetryBusyTimeoutMs);
    if (disk == nullptr) {
        return false;
    }
    const bool written = m_seededFromFile ? sqlite::replaceContents(m_db, disk) : loadFile(disk);
    if (!written) {
        sqlite3_close_v2(disk);
        return false;
    }
    sqlite3_close_v2(m_db);
    m_db = disk;
    m_inMemoryFallback = false;
    logLine("Preferences are written to disk again: ", file.string());
    return true;
}

// The file could not be read when the program started, so memory does not
// hold what it stores: the file stays, and what this run wrote goes over it.
bool SqlitePreferences::loadFile(sqlite3* disk) {
    bool ok = sqlite::execute(disk, "BEGIN IMMEDIATE");
    for (auto it = m_unsaved.begin(); ok && it != m_unsaved.end(); ++it) {
        ok = apply(disk, it->second);
    }
    if (!ok || !sqlite::execute(disk, "COMMIT")) {
        sqlite::execute(disk, "ROLLBACK");
        return false;
    }
    m_unsaved.clear();
    m_seededFromFile = true;
    return true;
}

bool SqlitePreferences::isLoaded() const {
    std::lock_guard lock(m_mutex);
    return !m_inMemoryFallback || m_seededFromFile;
}

bool SqlitePreferences::load() {
    std::lock_guard lock(m_mutex);
    if (m_inMemoryFallback && m_transactionDepth == 0) {
        retryFile();
    }
    return !m_inMemoryFallback || m_seededFromFile;
}

void SqlitePreferences::backUpOncePerDay(std::string_view day) {
    std::lock_guard lock(m_mutex);
    if (m_mode == Mode::readOnly || m_inMemoryFallback || m_directory.empty() ||
        m_lastBackupDay == day) {
        return;
    }
    if (sqlite::backUp(m_db, m_directory, day, kBackupsKept)) {
        m_lastBackupDay = std::string(day);
    }
}

// Also while the store runs in memory: the page counts against the file's
// record of what it applied, so a run that dies before the file is written
// again leaves its counts to the next start.
std::unique_ptr<PendingJournal> SqlitePreferences::openPendingJournal() {
    std::lock_guard lock(m_mutex);
    if (m_mode == Mode::readOnly || m_directory.empty()) {
        return nullptr;
    }
    return PendingJournal::open(m_directory);
}

}  // namespace quib
