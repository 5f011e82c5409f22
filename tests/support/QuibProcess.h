#pragma once

// The real executable in a child process without any display server: input
// arrives through a FIFO that QUIB reads as an event device (--input-device),
// and the process is stopped with a signal. For process tests and benches.
#include <fcntl.h>
#include <linux/input.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "platform/prefs/SqlitePreferences.h"
#include "support/Wait.h"

namespace quib::test {

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A data directory, a runtime directory and the FIFO, under `root`; the store
// says onboarding is done, so QUIB listens at once.
struct QuibHome {
    explicit QuibHome(const std::filesystem::path& root)
        : home(root / "home"),
          runtime(root / "run"),
          fifo(root / "keyboard"),
          log(root / "quib.log") {
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        mkfifo(fifo.c_str(), 0600);
        SqlitePreferences::open(home, SqlitePreferences::Mode::readWrite)
            .store->setBool("onboardingComplete", true);
    }
    std::filesystem::path home, runtime, fifo, log;
};

class QuibProcess {
  public:
    QuibProcess(const std::string& executable, const QuibHome& where) {
        m_pid = fork();
        if (m_pid == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("XDG_RUNTIME_DIR", where.runtime.c_str(), 1);
            setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
            // Nor the host's logind, which would pause it behind a locked screen.
            setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system-bus", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            unsetenv("DISPLAY");
            const int out = open(where.log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            execl(executable.c_str(), executable.c_str(), "--home", where.home.c_str(), "--input",
                  "evdev", "--input-device", where.fifo.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~QuibProcess() {
        if (m_pid > 0) {
            stop(SIGKILL);
        }
    }
    QuibProcess(const QuibProcess&) = delete;
    QuibProcess& operator=(const QuibProcess&) = delete;

    // Sends `signal` and waits for the end; the wait status.
    int stop(int signal) {
        kill(m_pid, signal);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return status;
    }

  private:
    pid_t m_pid = -1;
};

// The writing end of the FIFO, kept open across restarts of QUIB so that
// what is written but not yet read waits in the pipe for the next reader.
class KeyFifo {
  public:
    explicit KeyFifo(const std::filesystem::path& fifo) : m_fifo(fifo) {}
    ~KeyFifo() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    KeyFifo(const KeyFifo&) = delete;
    KeyFifo& operator=(const KeyFifo&) = delete;

    // A FIFO opens for writing once a reader has it open.
    bool open() {
        signal(SIGPIPE, SIG_IGN);
        return waitFor([this] {
            m_fd = ::open(m_fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            return m_fd >= 0;
        });
    }

    // One press and release of a key (A unless told); false when no reader
    // has the FIFO open.
    bool press(std::uint16_t code = KEY_A) {
        input_event events[3] = {};
        events[0].type = EV_KEY;
        events[0].code = code;
        events[0].value = 1;
        events[1].type = EV_KEY;
        events[1].code = code;
        events[2].type = EV_SYN;
        return write(m_fd, events, sizeof events) == static_cast<ssize_t>(sizeof events);
    }

    // True once the reader has taken everything written so far.
    bool drained() const {
        int unread = 0;
        return ioctl(m_fd, FIONREAD, &unread) == 0 && unread == 0;
    }

  private:
    std::filesystem::path m_fifo;
    int m_fd = -1;
};

// `quib stats --json` as text.
inline std::string statsJson(const std::string& executable, const std::filesystem::path& home) {
    const std::string command = executable + " stats --json --home " + home.string();
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[512];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) {
        out += buffer;
    }
    if (pipe) {
        pclose(pipe);
    }
    return out;
}

// An integer field of that JSON; -1 when absent.
inline long long statsField(const std::string& json, const std::string& field) {
    const std::string key = "\"" + field + "\": ";
    const auto at = json.find(key);
    return at == std::string::npos ? -1 : std::stoll(json.substr(at + key.size()));
}

}  // namespace quib::test
