#include "platform/audio/PrivatePipeWireServer.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/audio/ServerProcesses.h"

namespace quib::test {

PrivatePipeWireServer::PrivatePipeWireServer() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quib-pw-XXXXXX").string();
    m_directory = ::mkdtemp(pattern.data());
    setenv("PIPEWIRE_RUNTIME_DIR", m_directory.c_str(), 1);
    unsetenv("PIPEWIRE_REMOTE");
    setenv("PULSE_SERVER", ("unix:" + (m_directory / "pulse" / "native").string()).c_str(), 1);
}

PrivatePipeWireServer::~PrivatePipeWireServer() {
    stop();
    end(m_bus);
    unsetenv("PIPEWIRE_RUNTIME_DIR");
    unsetenv("PULSE_SERVER");
    std::error_code error;
    std::filesystem::remove_all(m_directory, error);
}

// Each service finds the others, and keeps its state, in the private folder.
pid_t PrivatePipeWireServer::spawn(const std::string& program) const {
    const std::string home = m_directory.string();
    return test::spawn({"env", "HOME=" + home, "XDG_RUNTIME_DIR=" + home,
                        "PIPEWIRE_RUNTIME_DIR=" + home,
                        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home + "/bus", program});
}

bool PrivatePipeWireServer::start() {
    const std::filesystem::path bus = m_directory / "bus";
    if (m_bus < 0) {
        m_bus = test::spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                             "--address=unix:path=" + bus.string()});
    }
    m_pipewire = spawn("pipewire");
    const auto socket = m_directory / "pipewire-0";
    if (!waitFor([&] { return std::filesystem::exists(bus) && std::filesystem::exists(socket); },
                 std::chrono::seconds(5))) {
        return false;
    }
    m_sessionManager = spawn("wireplumber");
    m_pulseLayer = spawn("pipewire-pulse");
    // The session manager takes a default only once it has seen the sink.
    return waitFor([this] { return pactl("info"); }, std::chrono::seconds(5)) &&
           pactl("load-module module-null-sink sink_name=ci rate=48000 channels=2") &&
           waitFor(
               [this] {
                   return pactl("set-default-sink ci") &&
                          pactlOutput("get-default-sink").rfind("ci\n", 0) == 0;
               },
               std::chrono::seconds(5));
}

void PrivatePipeWireServer::stop() {
    end(m_pulseLayer);
    end(m_sessionManager);
    end(m_pipewire);
}

}  // namespace quib::test
