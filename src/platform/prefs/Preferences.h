#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/prefs/PendingJournal.h"

namespace quib {

// The user's preferences: a per-user key-value store with typed reads that
// report absence and immediate writes. A value stored with another type is
// converted where the conversion is natural (an integer read as a float,
// "1"/"0" read as a Bool) and otherwise reads as absent.
//
// Usable from several threads. A Transaction groups the writes of the thread
// that holds it into one atomic unit; other threads' writes wait for it.
class Preferences {
  public:
    virtual ~Preferences() = default;

    virtual std::optional<std::int64_t> integerValue(std::string_view key) const = 0;
    virtual std::optional<double> floatValue(std::string_view key) const = 0;
    virtual std::optional<bool> boolValue(std::string_view key) const = 0;
    virtual std::optional<std::string> stringValue(std::string_view key) const = 0;
    virtual std::optional<std::vector<std::string>> stringListValue(std::string_view key) const = 0;
    virtual bool contains(std::string_view key) const = 0;

    // The integer under key, 0 when it is absent or not a number.
    std::int64_t integer(std::string_view key) const { return integerValue(key).value_or(0); }

    virtual void setInteger(std::string_view key, std::int64_t value) = 0;
    virtual void setFloat(std::string_view key, double value) = 0;
    virtual void setBool(std::string_view key, bool value) = 0;
    virtual void setString(std::string_view key, std::string_view value) = 0;
    virtual void setStringList(std::string_view key, const std::vector<std::string>& value) = 0;
    virtual void remove(std::string_view key) = 0;

    // Takes a copy of the store once per calendar day (day = "yyyy-MM-dd");
    // stores without files do nothing.
    virtual void backUpOncePerDay(std::string_view day) { (void)day; }

    // The journal of counts not yet stored, next to the store's file; nullptr
    // for stores without files (and read-only ones): counts then live in
    // memory only until they are flushed.
    virtual std::unique_ptr<PendingJournal> openPendingJournal() { return nullptr; }

    // False while the stored values could not be read (another program held
    // the file locked at start): reads give defaults, and whoever writes
    // values derived from stored ones waits. load() tries the file again when
    // the store runs without it (unloaded, or kept in memory after a failed
    // write), and returns whether the values are loaded.
    virtual bool isLoaded() const { return true; }
    virtual bool load() { return isLoaded(); }

    class Transaction {
      public:
        explicit Transaction(Preferences& preferences) : m_preferences(preferences) {
            m_preferences.beginTransaction();
        }
        ~Transaction() { m_preferences.commitTransaction(); }
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

      private:
        Preferences& m_preferences;
    };

  protected:
    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
};

// Conversions shared by the stores: the JSON text of a list of strings and back.
std::string encodeStringList(const std::vector<std::string>& list);
std::optional<std::vector<std::string>> decodeStringList(std::string_view json);

}  // namespace quib
