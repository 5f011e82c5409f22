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

sqlite3* openMemory();
// Opens an existing file without writing to it; nullptr and a message when it
// is not a readable preferences database.
sqlite3* openReadOnly(const std::filesystem::path& file, std::string& message);
// Creates the directory and the file if needed, applies the schema and checks
// that the file can really be written; nullptr and a message otherwise.
sqlite3* openWritable(const std::filesystem::path& directory, const std::filesystem::path& file,
                      std::string& message);
// An in-memory database holding a copy of the file when it can be read.
sqlite3* openMemorySeededFrom(const std::filesystem::path& file, bool& seeded);

// A file that is not a database, or fails the quick check, is moved aside to
// <file>.corrupt-<UTC timestamp> and replaced by the newest good backup.
void recoverIfCorrupt(const std::filesystem::path& directory, const std::filesystem::path& file);

void copyDatabase(sqlite3* from, sqlite3* to);
// Replaces every row of `to` with the rows of `from`, in one transaction.
bool replaceContents(sqlite3* from, sqlite3* to);

// Writes <directory>/preferences.sqlite3.backup-<day> unless it exists, and
// keeps only the newest `kept` backups.
bool backUp(sqlite3* db, const std::filesystem::path& directory, std::string_view day, int kept);

}  // namespace quib::sqlite
