#include "platform/audio/PrivatePulseServer.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/audio/ServerProcesses.h"

namespace quib::test {

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
    if (!waitFor([this] { return pactl("info"); }, std::chrono::seconds(5))) {
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

}  // namespace quib::test
