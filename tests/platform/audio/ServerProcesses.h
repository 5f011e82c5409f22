#pragma once

// What the private audio servers of the tests share: starting and ending
// their processes, and asking them things through `pactl`.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "support/Wait.h"

namespace quib::test {

// Runs `arguments` with stdout and stderr silenced.
pid_t spawn(std::vector<std::string> arguments);
// SIGTERM, then waits for it; harmless for -1.
void end(pid_t& child);
// Runs `pactl ARGUMENTS` against the server PULSE_SERVER names.
bool pactl(const std::string& arguments);
std::string pactlOutput(const std::string& arguments);

// An audio server of a test's own, with the null sink "ci" as its default.
// stop() and start() again restart it, as a user's server restarts.
class PrivateAudioServer {
  public:
    virtual ~PrivateAudioServer() = default;
    virtual bool start() = 0;
    virtual void stop() = 0;
    // Runs `pactl ARGUMENTS` against it; true when it succeeded.
    bool pactl(const std::string& arguments) const { return test::pactl(arguments); }
    // What `pactl ARGUMENTS` prints.
    std::string pactlOutput(const std::string& arguments) const {
        return test::pactlOutput(arguments);
    }
};

}  // namespace quib::test
