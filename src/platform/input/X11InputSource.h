#pragma once

#include <bitset>
#include <memory>
#include <string>

#include "platform/input/InputSource.h"

class QSocketNotifier;

namespace quib {

// Hears the core KeyPress and ButtonPress events of every client through the
// RECORD extension on two private X connections (control and data). RECORD sees
// auto-repeat presses and is not blinded by grabs or focus; events injected
// through XTEST count like any other. No permission is needed.
//
// Known limits: X11 sessions only (Xwayland clients are not recorded under a
// Wayland compositor); the modifier keys are taken from the modifier map once
// at start, so a later remapping is seen only after a restart of the feed.
class X11InputSource final : public InputSource {
  public:
    // An empty display name means $DISPLAY.
    explicit X11InputSource(std::string displayName = {});
    ~X11InputSource() override;

    bool start(InputListener& listener) override;
    void stop() override;
    bool reEnable() override;
    bool isRunning() const override { return m_connection != nullptr; }

  private:
    struct Connection;

    void readReplies();
    void reportRecorded(const unsigned char* wireEvent);
    void computeModifierKeys();

    std::string m_displayName;
    InputListener* m_listener = nullptr;
    std::unique_ptr<Connection> m_connection;
    std::bitset<256> m_modifierKeys;
};

}  // namespace quib
