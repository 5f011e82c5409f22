#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// The file handling behind SqlitePreferences: opening with the schema,
// checking, moving a damaged file aside, restoring and taking backups.
namespace quib::sqlite {

// How long a connection waits for another program's lock before it gives up.
inline constexpr int kBusyTimeoutMs = 3000;
// How long a retry of a file that was locked waits: it only looks.
inline constexpr int kRetryBusyTimeoutMs = 100;

// A prepared statement that finalises itself.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bindText(int index, std::string_view text);
    void bindInteger(int index, std::int64_t value);
    void bindReal(int index, double value);
    bool step();  // true while a row is available
    bool run();   // runs to completion; false on error
    int columnType(int column) const;
    std::int64_t columnInteger(int column) const;
    double columnReal(int column) const;
    std::string columnText(int column) const;

  private:
    sqlite3_stmt* m_statement = nullptr;
};

bool execute(sqlite3* db, const char* sql);
std::int64_t rowCount(sqlite3* db);
// True when the last error of `db` is another connection's lock.
bool failedOnLock(sqlite3* db);

// A "file:" URI for `file` with every character that means something in a
// URI ('%', '?', '#', ...) percent-encoded, then `query` ("mode=ro", ...).
std::string fileUri(const std::filesystem::path& file, std::string_view query);

sqlite3* openMemory();
// Opens an existing file for reading only, creating nothing beside it (see
// SqliteReading.cpp); nullptr and a message when it is not a readable
// preferences database.
sqlite3* openReadOnly(const std::filesystem::path& file, std::string& message,
                      int busyTimeoutMs = kBusyTimeoutMs);

// Why openWritable failed.
struct OpenFailure {
    std::string message;
    bool locked = false;  // another program holds the file locked
};
// Creates the file (mode 0600) if needed, applies the schema and checks that
// the file can really be written, waiting up to `busyTimeoutMs` for another
// program's lock; nullptr and why otherwise. The folder must exist.
sqlite3* openWritable(const std::filesystem::path& file, OpenFailure& failure,
                      int busyTimeoutMs = kBusyTimeoutMs);
// An in-memory database holding a copy of the file when it can be read.
sqlite3* openMemorySeededFrom(const std::filesystem::path& file, bool& seeded, int busyTimeoutMs);

// What a look at the store's file at start found. Only `damaged` is damage:
// a lock or a file that cannot be opened is not.
enum class FileHealth { missing, healthy, damaged, locked, unknown };
FileHealth checkHealth(const std::filesystem::path& file);

// Moves a damaged file aside to <file>.corrupt-<UTC timestamp> (the newest
// kCorruptKept such copies are kept) and puts the newest good backup in its
// place; false when there was none and the store starts empty, or when the
// file could not be moved (it is then left exactly as it is).
inline constexpr int kCorruptKept = 3;
bool recoverDamaged(const std::filesystem::path& directory, const std::filesystem::path& file);

// Copies the whole database; false when it could not be read completely.
bool copyDatabase(sqlite3* from, sqlite3* to);
// Replaces every row of `to` with the rows of `from`, in one transaction.
bool replaceContents(sqlite3* from, sqlite3* to);

// Writes <directory>/preferences.sqlite3.backup-<day> (mode 0600) unless it
// exists, and keeps only the newest `kept` backups.
bool backUp(sqlite3* db, const std::filesystem::path& directory, std::string_view day, int kept);

}  // namespace quib::sqlite
