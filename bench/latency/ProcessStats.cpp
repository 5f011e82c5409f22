#include "latency/ProcessStats.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "latency/Recording.h"

namespace quib::bench {

double cpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (pid <= 0 || !std::getline(file, line)) {
        return 0.0;
    }
    // The command name may hold spaces; the fields that follow it do not.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double ticks = 0.0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14 || index == 15) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long residentKib(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (pid > 0 && std::getline(file, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

long contextSwitches(pid_t pid) {
    long total = 0;
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream file(task.path() / "status");
        std::string line;
        while (std::getline(file, line)) {
            if (line.find("ctxt_switches:") != std::string::npos) {
                total += std::stol(line.substr(line.find(':') + 1));
            }
        }
    }
    return total;
}

double cpuSeconds(const std::vector<pid_t>& pids) {
    double total = 0.0;
    for (pid_t pid : pids) {
        total += cpuSeconds(pid);
    }
    return total;
}

long contextSwitches(const std::vector<pid_t>& pids) {
    long total = 0;
    for (pid_t pid : pids) {
        total += contextSwitches(pid);
    }
    return total;
}

CpuMeter::CpuMeter(std::vector<pid_t> pids)
    : m_pids(std::move(pids)), m_startCpu(cpuSeconds(m_pids)), m_startNanos(monotonicNanos()) {}

double CpuMeter::seconds() const {
    return cpuSeconds(m_pids) - m_startCpu;
}

double CpuMeter::percent() const {
    const double wall = static_cast<double>(monotonicNanos() - m_startNanos) / 1e9;
    return wall > 0.0 ? 100.0 * seconds() / wall : 0.0;
}

}  // namespace quib::bench
