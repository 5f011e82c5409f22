#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "platform/audio/ServerProcesses.h"

namespace quib::test {

// A PulseAudio server of our own for one test, on a private socket, with the
// null sink "ci" and a silent keep-alive stream (an idle null sink stalls new
// streams). PULSE_SERVER points at it while it lives; stop() and start()
// again restart it on the same socket, as a user's server restarts.
class PrivatePulseServer final : public PrivateAudioServer {
  public:
    PrivatePulseServer();
    ~PrivatePulseServer() override;
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    bool start() override;
    void stop() override;
    // Another program recording from `source` (parec, its data dropped),
    // until endRecording().
    pid_t record(const std::string& source) const;
    static void endRecording(pid_t& recorder);

  private:
    std::filesystem::path m_directory;
    pid_t m_server = -1;
    pid_t m_keepAlive = -1;
};

}  // namespace quib::test
