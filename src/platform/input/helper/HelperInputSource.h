#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/input/InputSource.h"

class QSocketNotifier;

namespace quib {

// Hears the desktop through quib-input-helper: the installed, setgid helper
// reads the devices and passes on only kinds of events and classes of keys,
// so that no program of the user needs to be able to read the devices. A key
// of no particular class comes as a key without a code (0): it plays one of
// the profile's letter sounds, centred.
//
// Known limits: no per-key sounds but space, Enter, Backspace and Tab, no
// stereo place for the other keys; a helper that ends (it found its reader or
// its devices gone) stops the source, and the watchdog starts a new one.
class HelperInputSource final : public InputSource {
  public:
    explicit HelperInputSource(std::filesystem::path helper);
    ~HelperInputSource() override;
    HelperInputSource(const HelperInputSource&) = delete;
    HelperInputSource& operator=(const HelperInputSource&) = delete;

    bool start(InputListener& listener) override;
    void stop() override;
    // The helper keeps its own devices open and resynchronised; a helper
    // that ended is not restarted here.
    bool reEnable() override { return isRunning(); }
    bool isRunning() const override { return m_listener != nullptr; }

  private:
    void readRecords();
    void endHelper();

    std::filesystem::path m_helper;
    InputListener* m_listener = nullptr;
    pid_t m_pid = -1;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::array<std::byte, 512> m_buffer{};
    std::size_t m_filled = 0;
};

// The helper this program runs: QUIB_INPUT_HELPER when set (the tests' own
// build), else the installed one (<prefix>/libexec/quib beside bin/), else
// the build tree's. None when there is no executable file there.
std::optional<std::filesystem::path> findInputHelper();

}  // namespace quib
