// Key-to-sound latency and cost of a click program, measured from outside in
// a headless desktop (see keyclick_bench.sh): inputs are injected with XTEST
// and stamped on the monotonic clock, the null sink's monitor is recorded and
// its frames placed on the recording's own sample clock (see FrameClock),
// click onsets are paired with the inputs.
//
//   keyclick --pid PID --server PID[,PID...] [--sink NAME] [--pipewire]
//            [--evdev-fifo PATH] --out FILE PHASE...
//
// --pipewire records inside the PipeWire graph (GraphRecorder), else the
// sink's monitor is recorded with parec (SinkRecorder). --evdev-fifo writes
// evdev records to PATH instead of injecting through XTEST.
//
// Phases (each appends "name value" lines to FILE):
//   keysMS:N    N keys MS ms apart: latency, drops, CPU of the program and the
//               server (keys150: typing; keys1500: a pause before each key;
//               keys80: fast typing, each click starts before the last ended)
//   mouse:N     N left then N right clicks 0.4 s apart, then middle clicks and
//               wheel steps
//   hold:MS     one key held MS ms: every auto-repeat should click
//   rate20:N    N keys at 20 keys/s: drops, latency and CPU seconds per 1000 keys
//   idle:S      S s without input: CPU of both, then the first key's latency
//   type:S      S s of typing at 8 keys/s, then resident memory
//   rss         resident memory now
//   server:S    the server's CPU over S s (run without a program: --pid 0)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "latency/KeyClickPhases.h"

int main(int argc, char** argv) {
    quib::bench::PhaseContext context;
    std::vector<std::string> phases;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--pid" && i + 1 < argc) {
            context.program = static_cast<pid_t>(std::atoi(argv[++i]));
        } else if (arg == "--server" && i + 1 < argc) {
            std::istringstream pids(argv[++i]);
            for (std::string pid; std::getline(pids, pid, ',');) {
                context.server.push_back(static_cast<pid_t>(std::atoi(pid.c_str())));
            }
        } else if (arg == "--out" && i + 1 < argc) {
            context.outFile = argv[++i];
        } else if (arg == "--sink" && i + 1 < argc) {
            context.sink = argv[++i];
        } else if (arg == "--evdev-fifo" && i + 1 < argc) {
            context.evdevFifo = argv[++i];
        } else if (arg == "--pipewire") {
            context.pipewire = true;
        } else {
            phases.push_back(arg);
        }
    }
    return quib::bench::runPhases(context, phases);
}
