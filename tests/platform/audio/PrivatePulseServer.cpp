#include "platform/audio/PrivatePulseServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace quib::test {

namespace {

pid_t spawn(std::vector<std::string> arguments) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::dup2(quiet, STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

void end(pid_t& child) {
    if (child > 0) {
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
        child = -1;
    }
}

}  // namespace

PrivatePulseServer::PrivatePulseServer() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quib-pulse-XXXXXX").string();
    m_directory = ::mkdtemp(pattern.data());
    setenv("PULSE_SERVER", ("unix:" + (m_directory / "pulse.sock").string()).c_str(), 1);
}

PrivatePulseServer::~PrivatePulseServer() {
    stop();
    unsetenv("PULSE_SERVER");
    std::error_code error;
    std::filesystem::remove_all(m_directory, error);
}

bool PrivatePulseServer::start() {
    // The server keeps its state under HOME and XDG_RUNTIME_DIR: both go to
    // the private directory, for the server only.
    const std::string home = m_directory.string();
    m_server = spawn(
        {"env", "HOME=" + home, "XDG_RUNTIME_DIR=" + home, "pulseaudio", "--daemonize=no",
         "--system=false", "-n", "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no",
         "--load=module-null-sink sink_name=ci rate=48000 format=float32le channels=2",
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + home + "/pulse.sock"});
    for (int attempt = 0; attempt < 100 && !pactl("info"); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!pactl("info")) {
        return false;
    }
    m_keepAlive = spawn({"pacat", "--playback", "--latency-msec=10", "--format=float32le",
                         "--rate=48000", "--channels=2", "--raw", "/dev/zero"});
    return true;
}

void PrivatePulseServer::stop() {
    end(m_keepAlive);
    end(m_server);
}

pid_t PrivatePulseServer::record(const std::string& source) const {
    return spawn({"parec", "-d", source, "--raw", "--latency-msec=20"});
}

void PrivatePulseServer::endRecording(pid_t& recorder) {
    end(recorder);
}

bool PrivatePulseServer::pactl(const std::string& arguments) const {
    return std::system(("pactl " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace quib::test

namespace quib::test {

std::string PrivatePulseServer::pactlOutput(const std::string& arguments) const {
    std::string output;
    if (FILE* pipe = ::popen(("pactl " + arguments + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
            output.append(buffer, got);
        }
        ::pclose(pipe);
    }
    return output;
}

}  // namespace quib::test
