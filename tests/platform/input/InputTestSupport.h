#pragma once

#include <fcntl.h>
#include <linux/input.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <string>
#include <vector>

#include "platform/input/InputSource.h"
#include "support/Wait.h"

namespace quib::test {

// One evdev record, as the kernel writes it.
inline input_event record(unsigned short type, unsigned short code, int value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    return event;
}

// The Qt application that socket notifiers and timers need, created once.
inline QCoreApplication& qtApplication() {
    static int argc = 1;
    static char name[] = "quib-input-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    return application;
}

// Counts what a source reports: keyDowns are the presses and repeats that
// count (modifier keys alone do not); `keys` keeps every key event.
struct CountingListener final : InputListener {
    int keyDowns = 0;
    int mouseDowns = 0;
    int suspensions = 0;
    std::vector<InputEvent> keys;
    void onInputEvent(InputEvent event) override {
        switch (event.type) {
            case InputEvent::Type::keyDown:
                keyDowns += event.isModifier ? 0 : 1;
                keys.push_back(event);
                break;
            case InputEvent::Type::keyUp:
                keys.push_back(event);
                break;
            case InputEvent::Type::mouseDown:
                ++mouseDowns;
                break;
            case InputEvent::Type::feedSuspended:
                ++suspensions;
                break;
        }
    }
};

// A private Xvfb on a free display, stopped with the object. Not valid (and
// the test should skip) when Xvfb is not installed or does not come up.
class XvfbServer {
  public:
    XvfbServer() {
        int pipeFds[2];
        if (::access("/usr/bin/Xvfb", X_OK) != 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            // A test that crashes must not leave its server behind.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (pipeFds[1] == 3) {
                ::fcntl(3, F_SETFD, 0);
            } else {
                ::dup2(pipeFds[1], 3);
            }
            const int quiet = ::open("/dev/null", O_WRONLY);  // Xvfb's probing chatter.
            ::dup2(quiet, 2);
            ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "640x480x24",
                    "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        std::string number;
        char digit = 0;
        while (m_pid > 0 && ::read(pipeFds[0], &digit, 1) == 1 && digit != '\n') {
            number.push_back(digit);
        }
        ::close(pipeFds[0]);
        if (!number.empty()) {
            m_display = ":" + number;
        }
    }
    ~XvfbServer() { kill(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool isValid() const { return !m_display.empty(); }
    const std::string& display() const { return m_display; }
    void kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

  private:
    pid_t m_pid = -1;
    std::string m_display;
};

}  // namespace quib::test
