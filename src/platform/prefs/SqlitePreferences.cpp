#include "platform/prefs/SqlitePreferences.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "platform/Log.h"
#include "platform/prefs/SqliteFiles.h"
#include "platform/prefs/SqliteOperation.h"

namespace quib {

namespace fs = std::filesystem;

namespace {

std::optional<std::int64_t> parseInteger(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// A stored text is read with a decimal point whatever the user's locale
// (strtod would follow it and stop at the point under a decimal comma).
std::optional<double> parseReal(const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

SqlitePreferences::SqlitePreferences(sqlite3* db, fs::path directory, Mode mode)
    : m_db(db), m_directory(std::move(directory)), m_mode(mode) {}

SqlitePreferences::~SqlitePreferences() {
    sqlite3_close_v2(m_db);
}

std::unique_ptr<SqlitePreferences> SqlitePreferences::inMemory() {
    sqlite3* db = sqlite::openMemory();
    return std::unique_ptr<SqlitePreferences>(new SqlitePreferences(db, {}, Mode::readWrite));
}

SqlitePreferences::OpenResult SqlitePreferences::open(const fs::path& directory, Mode mode) {
    if (mode == Mode::readWrite) {
        return openWritable(directory);
    }
    const fs::path file = directory / kFileName;
    std::error_code error;
    if (!fs::exists(file, error)) {
        return {inMemory(), {}};
    }
    std::string message;
    sqlite3* db = sqlite::openReadOnly(file, message);
    if (db == nullptr) {
        return {nullptr, message};
    }
    return {std::unique_ptr<SqlitePreferences>(new SqlitePreferences(db, directory, mode)), {}};
}

bool SqlitePreferences::isInMemory() const {
    std::lock_guard lock(m_mutex);
    return m_inMemoryFallback || m_directory.empty();
}

std::optional<SqlitePreferences::Value> SqlitePreferences::read(std::string_view key) const {
    std::lock_guard lock(m_mutex);
    sqlite::Statement statement(m_db, "SELECT type, value FROM preferences WHERE key = ?1");
    statement.bindText(1, key);
    if (!statement.step()) {
        return std::nullopt;
    }
    Value value;
    value.type = statement.columnText(0);
    switch (statement.columnType(1)) {
        case SQLITE_INTEGER:
            value.kind = Value::Kind::integer;
            value.integer = statement.columnInteger(1);
            break;
        case SQLITE_FLOAT:
            value.kind = Value::Kind::real;
            value.real = statement.columnReal(1);
            break;
        case SQLITE_TEXT:
            value.kind = Value::Kind::text;
            value.text = statement.columnText(1);
            break;
        default:  // NULL or BLOB: nothing this store wrote
            return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> SqlitePreferences::integerValue(std::string_view key) const {
    const auto value = read(key);
    if (!value) {
        return std::nullopt;
    }
    switch (value->kind) {
        case Value::Kind::integer:
            return value->integer;
        case Value::Kind::real:
            // Truncation as a typed preferences store does; out of range is garbage.
            if (std::isfinite(value->real) && std::fabs(value->real) < 9.2e18) {
                return static_cast<std::int64_t>(value->real);
            }
            return std::nullopt;
        case Value::Kind::text:
            return value->type == "stringList" ? std::nullopt : parseInteger(value->text);
    }
    return std::nullopt;
}

std::optional<double> SqlitePreferences::floatValue(std::string_view key) const {
    const auto value = read(key);
    if (!value) {
        return std::nullopt;
    }
    switch (value->kind) {
        case Value::Kind::integer:
            return static_cast<double>(value->integer);
        case Value::Kind::real:
            return value->real;
        case Value::Kind::text:
            return value->type == "stringList" ? std::nullopt : parseReal(value->text);
    }
    return std::nullopt;
}

std::optional<bool> SqlitePreferences::boolValue(std::string_view key) const {
    const auto value = read(key);
    if (!value) {
        return std::nullopt;
    }
    switch (value->kind) {
        case Value::Kind::integer:
            return value->integer != 0;
        case Value::Kind::real:
            return value->real != 0.0;
        case Value::Kind::text:
            for (const char* yes : {"1", "true", "yes"}) {
                if (equalsIgnoringCase(value->text, yes)) {
                    return true;
                }
            }
            for (const char* no : {"0", "false", "no"}) {
                if (equalsIgnoringCase(value->text, no)) {
                    return false;
                }
            }
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> SqlitePreferences::stringValue(std::string_view key) const {
    const auto value = read(key);
    if (!value) {
        return std::nullopt;
    }
    switch (value->kind) {
        case Value::Kind::integer:
            return std::to_string(value->integer);
        case Value::Kind::real:
            return std::nullopt;
        case Value::Kind::text:
            if (value->type == "stringList") {
                return std::nullopt;
            }
            return value->text;
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> SqlitePreferences::stringListValue(
    std::string_view key) const {
    const auto value = read(key);
    if (!value || value->kind != Value::Kind::text || value->type != "stringList") {
        return std::nullopt;
    }
    auto list = decodeStringList(value->text);
    if (!list) {
        logLine("Ignoring a malformed list in the preferences: ", key);
    }
    return list;
}

bool SqlitePreferences::contains(std::string_view key) const {
    return read(key).has_value();
}

// Writing. Every write of a transaction is also kept in a journal, so that a
// failure of the file (a full disk, a directory made read-only while running)
// can be replayed onto the in-memory fallback instead of being lost.

void SqlitePreferences::setInteger(std::string_view key, std::int64_t value) {
    Value v;
    v.kind = Value::Kind::integer;
    v.integer = value;
    write(key, "integer", v);
}

void SqlitePreferences::setFloat(std::string_view key, double value) {
    Value v;
    v.kind = Value::Kind::real;
    v.real = value;
    write(key, "float", v);
}

void SqlitePreferences::setBool(std::string_view key, bool value) {
    Value v;
    v.kind = Value::Kind::integer;
    v.integer = value ? 1 : 0;
    write(key, "bool", v);
}

void SqlitePreferences::setString(std::string_view key, std::string_view value) {
    Value v;
    v.kind = Value::Kind::text;
    v.text = std::string(value);
    write(key, "string", v);
}

void SqlitePreferences::setStringList(std::string_view key, const std::vector<std::string>& value) {
    Value v;
    v.kind = Value::Kind::text;
    v.text = encodeStringList(value);
    write(key, "stringList", v);
}

void SqlitePreferences::remove(std::string_view key) {
    write(key, nullptr, Value{});
}

bool SqlitePreferences::apply(sqlite3* db, const Operation& operation) {
    if (operation.type.empty()) {
        sqlite::Statement statement(db, "DELETE FROM preferences WHERE key = ?1");
        statement.bindText(1, operation.key);
        return statement.run();
    }
    sqlite::Statement statement(db,
                                "INSERT INTO preferences (key, type, value) VALUES (?1, ?2, ?3) "
                                "ON CONFLICT(key) DO UPDATE SET type = excluded.type, "
                                "value = excluded.value");
    statement.bindText(1, operation.key);
    statement.bindText(2, operation.type);
    switch (operation.value.kind) {
        case Value::Kind::integer:
            statement.bindInteger(3, operation.value.integer);
            break;
        case Value::Kind::real:
            statement.bindReal(3, operation.value.real);
            break;
        case Value::Kind::text:
            statement.bindText(3, operation.value.text);
            break;
    }
    return statement.run();
}

void SqlitePreferences::write(std::string_view key, const char* type, const Value& value) {
    if (m_mode == Mode::readOnly) {
        return;
    }
    std::lock_guard lock(m_mutex);
    Operation operation{std::string(key), type ? std::string(type) : std::string(), value};
    if (m_inMemoryFallback && !m_seededFromFile) {
        m_unsaved.insert_or_assign(operation.key, operation);
    }
    if (m_transactionDepth > 0) {
        m_journal.push_back(operation);
        if (!m_transactionFailed && !apply(m_db, operation)) {
            failTransaction();
        }
        return;
    }
    if (!apply(m_db, operation)) {
        m_failure = sqlite3_errmsg(m_db);
        fallBackToMemory({operation});
    }
}

// The first failure of a transaction is its cause; what the ROLLBACK says
// afterwards ("no transaction is active") is not.
void SqlitePreferences::failTransaction() {
    if (!m_transactionFailed) {
        m_failure = sqlite3_errmsg(m_db);
    }
    m_transactionFailed = true;
}

void SqlitePreferences::beginTransaction() {
    m_mutex.lock();  // held until the matching commit, on this thread
    if (m_transactionDepth++ > 0 || m_mode == Mode::readOnly) {
        return;
    }
    if (m_inMemoryFallback) {
        retryFile();
    }
    m_transactionFailed = false;
    if (!sqlite::execute(m_db, "BEGIN IMMEDIATE")) {
        failTransaction();
    }
}

void SqlitePreferences::commitTransaction() {
    if (--m_transactionDepth == 0 && m_mode == Mode::readWrite) {
        if (!m_transactionFailed && !sqlite::execute(m_db, "COMMIT")) {
            failTransaction();
        }
        if (m_transactionFailed) {
            sqlite::execute(m_db, "ROLLBACK");
            fallBackToMemory(m_journal);
        }
        m_journal.clear();
        m_transactionFailed = false;
    }
    m_mutex.unlock();
}

}  // namespace quib
