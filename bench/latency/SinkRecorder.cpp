#include "latency/SinkRecorder.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace quib::bench {

std::int64_t monotonicNanos() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

SinkRecorder::SinkRecorder(std::string source) {
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
    m_envelope.reserve(static_cast<std::size_t>(kRate) * 600);
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
    if (const char* dump = std::getenv("KEYCLICK_DUMP")) {
        if (FILE* file = std::fopen(dump, "wb")) {
            std::fwrite(m_envelope.data(), sizeof(float), m_envelope.size(), file);
            std::fclose(file);
        }
    }
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
        std::lock_guard lock(m_mutex);
        for (std::size_t f = 0; f < frames; ++f) {
            m_envelope.push_back(std::max(std::abs(buffer[2 * f]), std::abs(buffer[2 * f + 1])));
        }
        m_chunks.push_back(ChunkStamp{arrival, static_cast<std::int64_t>(m_envelope.size())});
        carried = total - frames * frameBytes;
        std::copy_n(bytes + frames * frameBytes, carried, bytes);
    }
}

bool SinkRecorder::waitForData(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        {
            std::lock_guard lock(m_mutex);
            if (m_envelope.size() > static_cast<std::size_t>(kRate) / 2) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::vector<std::int64_t> SinkRecorder::onsetNanos(const OnsetOptions& options) {
    std::lock_guard lock(m_mutex);
    const FrameClock clock(m_chunks, kRate);
    std::vector<std::int64_t> onsets = detectOnsets(m_envelope, kRate, options);
    for (auto& onset : onsets) {
        onset = clock.nanosOf(onset);
    }
    return onsets;
}

}  // namespace quib::bench

namespace quib::bench {

std::vector<float> SinkRecorder::levelsAfter(std::int64_t nanos, int millis) {
    std::lock_guard lock(m_mutex);
    const FrameClock clock(m_chunks, kRate);
    std::int64_t frame = 0;
    const std::int64_t size = static_cast<std::int64_t>(m_envelope.size());
    // The clock is monotonic in the frame: a bisection finds the first frame at `nanos`.
    for (std::int64_t step = std::int64_t{1} << 40; step > 0; step /= 2) {
        if (frame + step < size && clock.nanosOf(frame + step) < nanos) {
            frame += step;
        }
    }
    std::vector<float> levels(static_cast<std::size_t>(millis), 0.0F);
    for (std::int64_t i = 0; i < std::int64_t{millis} * kRate / 1000 && frame + i < size; ++i) {
        float& level = levels[static_cast<std::size_t>(i * 1000 / kRate)];
        level = std::max(level, m_envelope[static_cast<std::size_t>(frame + i)]);
    }
    return levels;
}

}  // namespace quib::bench

namespace quib::bench {

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
