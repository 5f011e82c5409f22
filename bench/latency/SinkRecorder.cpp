#include "latency/SinkRecorder.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace quib::bench {

SinkRecorder::SinkRecorder(std::string source) : Recording(false) {
    int fds[2];
    if (::pipe(fds) != 0) {
        std::perror("pipe");
        return;
    }
    m_child = ::fork();
    if (m_child == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        const std::string device = "--device=" + source;
        ::execlp("parec", "parec", device.c_str(), "--latency-msec=5", "--format=float32le",
                 "--rate=48000", "--channels=2", "--raw", static_cast<char*>(nullptr));
        std::perror("parec");
        ::_exit(127);
    }
    ::close(fds[1]);
    m_pipe = fds[0];
    m_reader = std::thread([this] { read(); });
}

SinkRecorder::~SinkRecorder() {
    m_stopping = true;
    if (m_child > 0) {
        ::kill(m_child, SIGTERM);
    }
    if (m_reader.joinable()) {
        m_reader.join();
    }
    if (m_child > 0) {
        ::waitpid(m_child, nullptr, 0);
    }
    if (m_pipe >= 0) {
        ::close(m_pipe);
    }
    dumpIfAsked();
}

void SinkRecorder::read() {
    std::vector<float> buffer(4096);
    std::size_t carried = 0;  // bytes of an incomplete frame kept at the front
    auto* bytes = reinterpret_cast<char*>(buffer.data());
    const std::size_t frameBytes = 2 * sizeof(float);
    while (true) {
        const ssize_t got =
            ::read(m_pipe, bytes + carried, buffer.size() * sizeof(float) - carried);
        const std::int64_t arrival = monotonicNanos();
        if (got <= 0) {
            return;
        }
        const std::size_t total = carried + static_cast<std::size_t>(got);
        const std::size_t frames = total / frameBytes;
        append(buffer.data(), frames, arrival);
        carried = total - frames * frameBytes;
        std::copy_n(bytes + frames * frameBytes, carried, bytes);
    }
}

// The configured latency of the recorded sink, from `pactl`: how far ahead of
// playing a sample the sink renders it, and so hands it to the monitor.
std::int64_t configuredSinkLatency(const std::string& monitor) {
    const std::string sink = monitor.substr(0, monitor.rfind(".monitor"));
    FILE* pactl = popen("pactl list sinks 2>/dev/null", "r");
    if (pactl == nullptr) {
        return 0;
    }
    char line[512];
    bool inSink = false;
    std::int64_t micros = 0;
    while (std::fgets(line, sizeof line, pactl) != nullptr) {
        const std::string text = line;
        if (text.find("Name: ") != std::string::npos) {
            inSink = text.substr(text.find("Name: ") + 6) == sink + "\n";
        }
        const auto configured = text.find("configured ");
        if (inSink && configured != std::string::npos) {
            micros = std::atoll(text.c_str() + configured + 11);
        }
    }
    pclose(pactl);
    return micros * 1000;
}

}  // namespace quib::bench
