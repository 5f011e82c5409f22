#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quib::bench {

struct PhaseContext {
    pid_t program = 0;          // the click program under test (0: none)
    std::vector<pid_t> server;  // the audio server's processes
    std::string outFile = "/dev/stdout";
    std::string sink = "ci";  // recorded through its monitor
    bool pipewire = false;    // record inside the PipeWire graph, not with parec
    std::string evdevFifo;    // inject evdev records here instead of XTEST
};

// Runs the named phases in order (see KeyClickBench.cpp); 0 on success.
int runPhases(const PhaseContext& context, const std::vector<std::string>& phases);

}  // namespace quib::bench
