#pragma once

#include <sys/types.h>

#include <cstdint>
#include <vector>

namespace quib::bench {

// CPU time (user + system, every thread) of a process so far, in seconds;
// 0 for a process that is gone.
double cpuSeconds(pid_t pid);
// Resident memory in KiB; 0 for a process that is gone.
long residentKib(pid_t pid);
// Context switches of all its living threads so far: every wake-up of a
// sleeping thread is one.
long contextSwitches(pid_t pid);

// The same for a group of processes (an audio server made of several).
double cpuSeconds(const std::vector<pid_t>& pids);
long contextSwitches(const std::vector<pid_t>& pids);

// CPU used by processes over an interval, as seconds and as percent of one core.
class CpuMeter {
  public:
    explicit CpuMeter(std::vector<pid_t> pids);
    explicit CpuMeter(pid_t pid) : CpuMeter(std::vector<pid_t>{pid}) {}
    double seconds() const;
    double percent() const;

  private:
    std::vector<pid_t> m_pids;
    double m_startCpu;
    std::int64_t m_startNanos;
};

}  // namespace quib::bench
