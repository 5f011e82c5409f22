#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "platform/audio/ServerProcesses.h"

namespace quib::test {

// A PipeWire server of our own for one test: a private session bus, then
// pipewire, wireplumber and pipewire-pulse in a private runtime folder, with
// the null sink "ci" (made through the pulse layer) as the default.
// PIPEWIRE_RUNTIME_DIR and PULSE_SERVER point at it while it lives; stop()
// and start() again restart it in the same folder, as a user's server
// restarts.
class PrivatePipeWireServer final : public PrivateAudioServer {
  public:
    PrivatePipeWireServer();
    ~PrivatePipeWireServer() override;
    PrivatePipeWireServer(const PrivatePipeWireServer&) = delete;
    PrivatePipeWireServer& operator=(const PrivatePipeWireServer&) = delete;

    bool start() override;
    void stop() override;

  private:
    pid_t spawn(const std::string& program) const;

    std::filesystem::path m_directory;
    pid_t m_bus = -1;
    pid_t m_pipewire = -1;
    pid_t m_sessionManager = -1;
    pid_t m_pulseLayer = -1;
};

}  // namespace quib::test
