#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace quib::test {

// A PulseAudio server of our own for one test, on a private socket, with the
// null sink "ci" and a silent keep-alive stream (an idle null sink stalls new
// streams). PULSE_SERVER points at it while it lives; stop() and start()
// again restart it on the same socket, as a user's server restarts.
class PrivatePulseServer {
  public:
    PrivatePulseServer();
    ~PrivatePulseServer();
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    bool start();
    void stop();
    // Runs `pactl ARGUMENTS` against this server; true when it succeeded.
    bool pactl(const std::string& arguments) const;
    // What `pactl ARGUMENTS` prints.
    std::string pactlOutput(const std::string& arguments) const;
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
