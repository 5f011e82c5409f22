#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "platform/input/InputSource.h"
#include "platform/input/PermissionService.h"

namespace quib::test {

// Access the test grants or withdraws by hand; counts the prompting requests
// and the silent checks. With reportsChanges, change() plays a reported change.
class FakePermission final : public PermissionService {
  public:
    bool requestTrust() override {
        ++requests;
        return trusted;
    }
    bool isTrusted() const override {
        ++checks;
        return trusted;
    }
    std::unique_ptr<AccessChangeWatch> watchChanges(std::function<void()> onChange) override {
        if (!reportsChanges) {
            return nullptr;
        }
        m_onChange = std::move(onChange);
        return std::make_unique<Watch>(*this);
    }
    void change() {
        if (m_onChange) {
            m_onChange();
        }
    }

    bool trusted = true;
    bool reportsChanges = false;
    int requests = 0;
    mutable int checks = 0;

  private:
    struct Watch final : AccessChangeWatch {
        explicit Watch(FakePermission& owner) : m_owner(owner) {}
        ~Watch() override { m_owner.m_onChange = nullptr; }
        FakePermission& m_owner;
    };
    std::function<void()> m_onChange;
};

// Input sources the test drives by hand. The registry sees every source its
// factory made, for as long as the source lives.
class FakeInputSource;
struct InputSourceRegistry {
    std::vector<FakeInputSource*> live;
    int created = 0;
    bool startSucceeds = true;
    bool reEnableSucceeds = true;

    std::function<std::unique_ptr<InputSource>()> factory();
    // The listener of the first live source, or null when none listens.
    InputListener* listener() const;
};

class FakeInputSource final : public InputSource {
  public:
    explicit FakeInputSource(InputSourceRegistry& registry) : m_registry(registry) {
        m_registry.live.push_back(this);
        ++m_registry.created;
    }
    ~FakeInputSource() override { std::erase(m_registry.live, this); }
    FakeInputSource(const FakeInputSource&) = delete;
    FakeInputSource& operator=(const FakeInputSource&) = delete;

    bool start(InputListener& listener) override {
        m_listener = m_registry.startSucceeds ? &listener : nullptr;
        return m_listener != nullptr;
    }
    void stop() override { m_listener = nullptr; }
    bool reEnable() override {
        ++reEnables;
        if (!m_registry.reEnableSucceeds) {
            m_listener = nullptr;
        }
        return isRunning();
    }
    bool isRunning() const override { return m_listener != nullptr; }
    InputListener* listener() const { return m_listener; }
    void send(InputEvent event) { m_listener->onInputEvent(event); }

    int reEnables = 0;

  private:
    InputSourceRegistry& m_registry;
    InputListener* m_listener = nullptr;
};

inline std::function<std::unique_ptr<InputSource>()> InputSourceRegistry::factory() {
    return [this] { return std::make_unique<FakeInputSource>(*this); };
}

inline InputListener* InputSourceRegistry::listener() const {
    return live.empty() ? nullptr : live.front()->listener();
}

}  // namespace quib::test
