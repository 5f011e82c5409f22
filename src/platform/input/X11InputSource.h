#pragma once

#include <bitset>
#include <memory>
#include <string>

#include "platform/input/InputSource.h"

class QSocketNotifier;

namespace quib {

// Hears the core KeyPress, KeyRelease and ButtonPress events of every client
// through the RECORD extension on two private X connections (control and data). RECORD sees
// auto-repeat presses and is not blinded by grabs or focus; events injected
// through XTEST count like any other. No permission is needed.
//
// Xlib hands the replies of an asynchronously enabled RECORD context over one
// per wake-up, so a burst would wait in its buffer. The data connection is
// therefore read by a small thread blocked in XRecordEnableContext; it passes
// two bytes per event (its kind and keycode) through a pipe that the main
// thread watches, and the listener is still called on the main thread only.
// RECORD has no repeat flag: a press of a key that is already down is an
// auto-repeat.
//
// The connection is opened on a thread of its own, so that a server that
// hangs cannot hold up the main thread: start() waits for it two seconds at
// the program's first start and a quarter of a second on a retry; a
// connection still opening after that counts as running, reports its failure
// later, and the access watchdog retries.
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
    // True from start() on while the connection is opening or open.
    bool isRunning() const override { return m_connection != nullptr; }
    // True once the server records for this source: every press after this is heard.
    bool isRecording() const;

  private:
    struct Connection;

    void readPipe();
    InputEvent keyEvent(char kind, unsigned keycode) const;

    std::string m_displayName;
    InputListener* m_listener = nullptr;
    std::shared_ptr<Connection> m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace quib
