#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/prefs/Preferences.h"

struct sqlite3;

namespace quib {

// The preferences on SQLite: one table (key, type, value) in
// <data dir>/preferences.sqlite3, WAL journal, user_version 1.
//
// The data folder is made private (0700, its files 0600) when the store opens
// for writing, and every file the store creates is created private.
//
// Failure policy, so that nothing stored is ever lost:
// - A file that SQLite finds is not a database, or that fails `PRAGMA
//   quick_check`, at start is moved aside to
//   preferences.sqlite3.corrupt-<UTC timestamp>, and the store restarts from
//   the newest daily backup that passes the check, or empty. Another
//   program's lock is never damage: it is waited for (a few seconds), and if
//   it stays the store starts in memory, as below.
// - A data directory that cannot be written, or a file another program holds
//   locked, keeps the program running on an in-memory copy (seeded from the
//   file when it can still be read); every transaction retries the file and
//   writes the copy back once it can.
// - A file that could not even be read at start leaves the store unloaded
//   (isLoaded() is false; reads give defaults). Once the file can be opened,
//   it is loaded and what this run wrote meanwhile is written over it.
// - Read-only mode never writes, creates or moves anything, not even SQLite's
//   companion files; it waits for a lock like any reader.
class SqlitePreferences final : public Preferences {
  public:
    enum class Mode { readWrite, readOnly };

    struct OpenResult {
        std::unique_ptr<SqlitePreferences> store;  // empty on failure (read-only mode only)
        std::string error;
    };

    // Read-write: always returns a store (file-backed or in memory).
    // Read-only: a missing file gives an empty in-memory store; a file that is
    // not a readable database gives an error.
    static OpenResult open(const std::filesystem::path& directory, Mode mode);
    // A store in memory only, for tests.
    static std::unique_ptr<SqlitePreferences> inMemory();

    ~SqlitePreferences() override;
    SqlitePreferences(const SqlitePreferences&) = delete;
    SqlitePreferences& operator=(const SqlitePreferences&) = delete;

    std::optional<std::int64_t> integerValue(std::string_view key) const override;
    std::optional<double> floatValue(std::string_view key) const override;
    std::optional<bool> boolValue(std::string_view key) const override;
    std::optional<std::string> stringValue(std::string_view key) const override;
    std::optional<std::vector<std::string>> stringListValue(std::string_view key) const override;
    bool contains(std::string_view key) const override;

    void setInteger(std::string_view key, std::int64_t value) override;
    void setFloat(std::string_view key, double value) override;
    void setBool(std::string_view key, bool value) override;
    void setString(std::string_view key, std::string_view value) override;
    void setStringList(std::string_view key, const std::vector<std::string>& value) override;
    void remove(std::string_view key) override;

    void backUpOncePerDay(std::string_view day) override;
    std::unique_ptr<PendingJournal> openPendingJournal() override;
    bool isLoaded() const override;
    bool load() override;

    // True while the store runs on its in-memory fallback.
    bool isInMemory() const;
    static constexpr const char* kFileName = "preferences.sqlite3";
    static constexpr int kBackupsKept = 3;

  protected:
    void beginTransaction() override;
    void commitTransaction() override;

  private:
    struct Value;
    struct Operation;  // one write or removal, kept while a transaction is open

    SqlitePreferences(sqlite3* db, std::filesystem::path directory, Mode mode);

    static OpenResult openWritable(const std::filesystem::path& directory);
    std::optional<Value> read(std::string_view key) const;
    void write(std::string_view key, const char* type, const Value& value);
    static bool apply(sqlite3* db, const Operation& operation);
    void fallBackToMemory(const std::vector<Operation>& lost);
    bool retryFile();
    bool loadFile(sqlite3* disk);
    void failTransaction();

    mutable std::recursive_mutex m_mutex;
    sqlite3* m_db;
    std::filesystem::path m_directory;  // empty for a pure in-memory store
    Mode m_mode;
    bool m_inMemoryFallback = false;
    bool m_seededFromFile = false;
    bool m_conflictLogged = false;
    int m_transactionDepth = 0;
    bool m_transactionFailed = false;
    std::string m_failure;  // SQLite's word on the first failed step of a transaction
    std::vector<Operation> m_journal;
    // While unloaded: the last write of each key, for the file once it loads.
    std::map<std::string, Operation, std::less<>> m_unsaved;
    std::string m_lastBackupDay;
};

}  // namespace quib
