#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/prefs/Preferences.h"

namespace quib::test {

// Forwards everything to another store and lets a test act at chosen moments:
// before each write, inside a transaction just before it commits (while the
// store still holds it, as a slow fsync would) and just after; and after each
// write, with its key (the moment a process that died then would leave the
// file as it is). The hooks run on the thread that writes.
class HookedPreferences final : public Preferences {
  public:
    explicit HookedPreferences(Preferences& inner) : m_inner(inner) {}

    std::function<void()> beforeWrite;
    std::function<void()> beforeCommit;
    std::function<void()> afterCommit;
    std::function<void(std::string_view key)> afterWrite;

    std::optional<std::int64_t> integerValue(std::string_view key) const override {
        return m_inner.integerValue(key);
    }
    std::optional<double> floatValue(std::string_view key) const override {
        return m_inner.floatValue(key);
    }
    std::optional<bool> boolValue(std::string_view key) const override {
        return m_inner.boolValue(key);
    }
    std::optional<std::string> stringValue(std::string_view key) const override {
        return m_inner.stringValue(key);
    }
    std::optional<std::vector<std::string>> stringListValue(std::string_view key) const override {
        return m_inner.stringListValue(key);
    }
    bool contains(std::string_view key) const override { return m_inner.contains(key); }

    void setInteger(std::string_view key, std::int64_t value) override {
        hook(beforeWrite);
        m_inner.setInteger(key, value);
        written(key);
    }
    void setFloat(std::string_view key, double value) override {
        hook(beforeWrite);
        m_inner.setFloat(key, value);
        written(key);
    }
    void setBool(std::string_view key, bool value) override {
        hook(beforeWrite);
        m_inner.setBool(key, value);
        written(key);
    }
    void setString(std::string_view key, std::string_view value) override {
        hook(beforeWrite);
        m_inner.setString(key, value);
        written(key);
    }
    void setStringList(std::string_view key, const std::vector<std::string>& value) override {
        hook(beforeWrite);
        m_inner.setStringList(key, value);
        written(key);
    }
    void remove(std::string_view key) override {
        hook(beforeWrite);
        m_inner.remove(key);
    }
    void backUpOncePerDay(std::string_view day) override { m_inner.backUpOncePerDay(day); }
    std::unique_ptr<PendingJournal> openPendingJournal() override {
        return m_inner.openPendingJournal();
    }

  protected:
    // The inner transaction is taken before the stack is touched, so only the
    // thread that holds the store changes it.
    void beginTransaction() override {
        auto transaction = std::make_unique<Transaction>(m_inner);
        m_open.push_back(std::move(transaction));
    }
    void commitTransaction() override {
        const bool outermost = m_open.size() == 1;
        if (outermost) {
            hook(beforeCommit);
        }
        {
            auto transaction = std::move(m_open.back());
            m_open.pop_back();
        }
        if (outermost) {
            hook(afterCommit);
        }
    }

  private:
    void written(std::string_view key) {
        if (afterWrite) {
            afterWrite(key);
        }
    }
    static void hook(const std::function<void()>& action) {
        if (action) {
            action();
        }
    }

    Preferences& m_inner;
    std::vector<std::unique_ptr<Transaction>> m_open;
};

}  // namespace quib::test
