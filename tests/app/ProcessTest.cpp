// The real executable in a child process, without any display server: input
// arrives through a FIFO read as an event device, and the process is stopped
// with a signal, as a logout or `kill` would.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/TempDir.h"

namespace quib::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class QuibProcess {
  public:
    QuibProcess(const fs::path& home, const fs::path& runtime, const fs::path& fifo,
                const fs::path& log) {
        m_pid = fork();
        if (m_pid == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
            // Nor the host's logind, which would pause it behind a locked screen.
            setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system-bus", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            unsetenv("DISPLAY");
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            execl(QUIB_EXECUTABLE, QUIB_EXECUTABLE, "--home", home.c_str(), "--input", "evdev",
                  "--input-device", fifo.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~QuibProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
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

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool waitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(25ms);
    }
    return false;
}

std::string statsJson(const fs::path& home) {
    const std::string command =
        std::string(QUIB_EXECUTABLE) + " stats --json --home " + home.string();
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

class ProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home = dir.path() / "home";
        runtime = dir.path() / "run";
        fifo = dir.path() / "keyboard";
        log = dir.path() / "quib.log";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        fs::create_directories(home);
        // Onboarding done: the program listens at once.
        const std::string seed = "sqlite3 " + (home / "preferences.sqlite3").string() +
                                 " \"CREATE TABLE preferences (key TEXT PRIMARY KEY NOT NULL, "
                                 "type TEXT NOT NULL, value); INSERT INTO preferences VALUES "
                                 "('onboardingComplete', 'bool', 1);\"";
        ASSERT_EQ(std::system(seed.c_str()), 0);
    }

    void pressKeys(int fd, int count) {
        for (int i = 0; i < count; ++i) {
            input_event events[3] = {};
            events[0].type = EV_KEY;
            events[0].code = KEY_A;
            events[0].value = 1;
            events[1].type = EV_KEY;
            events[1].code = KEY_A;
            events[1].value = 0;
            events[2].type = EV_SYN;
            ASSERT_EQ(write(fd, events, sizeof events), static_cast<ssize_t>(sizeof events));
        }
    }

    TempDir dir;
    fs::path home, runtime, fifo, log;
};

TEST_F(ProcessTest, SigtermFlushesWhatWasCountedAndExitsCleanly) {
    QuibProcess quib(home, runtime, fifo, log);
    int fd = -1;
    ASSERT_TRUE(waitFor([&] {  // a FIFO opens for writing once quib reads it
        fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        return fd >= 0;
    })) << readFile(log);
    fcntl(fd, F_SETFL, 0);
    pressKeys(fd, 23);
    close(fd);
    std::this_thread::sleep_for(300ms);  // well inside the 5-second flush period
    const int status = quib.stop(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status)) << readFile(log);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string json = statsJson(home);
    EXPECT_NE(json.find("\"totalKeystrokes\": 23,"), std::string::npos) << json << readFile(log);
    EXPECT_NE(json.find("\"todayKeystrokes\": 23,"), std::string::npos);
    EXPECT_NE(readFile(log).find("[QUIB] No system tray found"), std::string::npos);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char day[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    EXPECT_TRUE(fs::exists(home / ("preferences.sqlite3.backup-" + std::string(day))))
        << "the running program takes its daily backup";
}

TEST_F(ProcessTest, SecondInstanceHandsOverAndExitsZero) {
    QuibProcess first(home, runtime, fifo, log);
    ASSERT_TRUE(waitFor([&] { return readFile(log).find("No system tray") != std::string::npos; }))
        << readFile(log);
    const fs::path secondLog = dir.path() / "second.log";
    const std::string command = "QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" + runtime.string() +
                                " DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus " +
                                QUIB_EXECUTABLE + " --home " + home.string() + " > " +
                                secondLog.string() + " 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(readFile(secondLog).find("already running"), std::string::npos)
        << readFile(secondLog);
    first.stop(SIGINT);
}

}  // namespace
}  // namespace quib::test
