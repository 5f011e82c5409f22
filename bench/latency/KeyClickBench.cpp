// Key-to-sound latency and cost of a click program, measured from outside in
// a headless desktop (see keyclick_bench.sh): inputs are injected with XTEST
// and stamped on the monotonic clock, the null sink's monitor is recorded and
// stamped on arrival, click onsets are paired with the inputs.
//
//   keyclick --pid PID --server PID --out FILE PHASE...
//
// Phases (each appends "name value" lines to FILE):
//   keys150:N   N keys 150 ms apart: latency and drops
//   keys2s:N    N keys 2 s apart: latency, drops, CPU of the program and the server
//   keys80:N    N keys 80 ms apart (fast typing: each click starts before the
//               last one has ended): latency and drops
//   mouse:N     N left then N right clicks, then middle clicks and wheel steps
//   hold:MS     one key held MS ms: every auto-repeat should click
//   rate20:N    N keys at 20 keys/s: drops, latency and CPU seconds per 1000 keys
//   idle:S      S s without input: CPU of both, then the first key's latency
//   type:S      S s of typing at 8 keys/s, then resident memory
//   rss         resident memory now
//   server:S    the server's CPU over S s (run without a program: --pid 0)
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
            context.server = static_cast<pid_t>(std::atoi(argv[++i]));
        } else if (arg == "--out" && i + 1 < argc) {
            context.outFile = argv[++i];
        } else if (arg == "--source" && i + 1 < argc) {
            context.source = argv[++i];
        } else {
            phases.push_back(arg);
        }
    }
    return quib::bench::runPhases(context, phases);
}
