#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quib::bench {

struct PhaseContext {
    pid_t program = 0;  // the click program under test (0: none)
    pid_t server = 0;   // the audio server
    std::string outFile = "/dev/stdout";
    std::string source = "ci.monitor";
};

// Runs the named phases in order (see KeyClickBench.cpp); 0 on success.
int runPhases(const PhaseContext& context, const std::vector<std::string>& phases);

}  // namespace quib::bench
