#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quib::bench {

// Injects keys and buttons through XTEST from this one process and stamps each
// on the monotonic clock just before it is sent. It also maps a small window
// that holds the keyboard focus, as some client does on any desktop: with none,
// Xvfb holds back recorded auto-repeat events until the key is released. The
// window's own key presses (auto-repeats included) are stamped as they arrive.
//
// Given a FIFO, it writes evdev records there instead (what the evdev backend
// or the input helper's test build reads in place of a device), so that the
// same phases time those inputs; the kernel's auto-repeat is not played then.
class XDriver {
  public:
    explicit XDriver(const std::string& evdevFifo = {});
    ~XDriver();
    XDriver(const XDriver&) = delete;
    XDriver& operator=(const XDriver&) = delete;

    bool ok() const { return m_fifo >= 0 || (m_display != nullptr && m_focus != nullptr); }
    // Presses and releases a letter key, holding it `holdMillis`; returns the
    // stamp of the press.
    std::int64_t tapKey(int holdMillis);
    // Button 1 left, 2 middle, 3 right, 4 and 5 the wheel.
    std::int64_t clickButton(int button, int holdMillis);
    // Key presses the focus window received since the last call, stamped.
    std::vector<std::int64_t> takeFocusKeyPresses();

  private:
    void readFocusEvents();
    // One evdev event and its SYN_REPORT, written in one go.
    void writeEvdev(unsigned short type, unsigned short code, int value);

    void* m_display = nullptr;  // Display*, kept out of this header
    void* m_focus = nullptr;
    unsigned long m_window = 0;
    unsigned m_keycode = 0;
    int m_fifo = -1;
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::vector<std::int64_t> m_focusPresses;
    std::thread m_reader;
};

// Sleeps until the monotonic clock reads `nanos`.
void sleepUntil(std::int64_t nanos);

}  // namespace quib::bench
