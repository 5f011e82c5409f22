// Input feed latency: evdev record read to callback return (from a FIFO, per
// event) and X11 injection (XTEST, from this process) to callback, through the
// real dispatch of InputCapture.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/input.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/InputCapture.h"
#include "platform/input/EvdevDevice.h"
#include "platform/input/X11InputSource.h"

// Xlib last: its macros clash with Qt names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Counter final : quib::InputCounter, quib::ClickSounds {
    long keys = 0;
    long clicks = 0;
    void recordKeystroke() override { ++keys; }
    void recordClick() override { ++clicks; }
    bool keyEnabled() const override { return false; }
    void playKeyPress(std::uint16_t) override {}
    void playKeyRelease(std::uint16_t) override {}
    bool mouseEnabled() const override { return false; }
    void playMouseClick() override {}
};

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "bench_input";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Records per wake-up (1 = one key press at a time, 2 = press and SYN_REPORT as a
// keyboard sends them, 64 = a burst); the time is reported per record.
void BM_EvdevReadToCallback(benchmark::State& state) {
    const auto batch = static_cast<std::size_t>(state.range(0));
    char directory[] = "/tmp/quib-bench-XXXXXX";
    const std::string fifo = std::string(::mkdtemp(directory)) + "/event0";
    ::mkfifo(fifo.c_str(), 0600);
    auto device = quib::EvdevDevice::open(fifo);
    const int writer = ::open(fifo.c_str(), O_WRONLY);
    Counter counter;
    quib::InputCapture capture(counter, counter, nullptr);
    std::vector<input_event> records(batch);
    for (std::size_t i = 0; i < batch; ++i) {
        records[i].type = (i % 2 == 0) ? EV_KEY : EV_SYN;
        records[i].code = (i % 2 == 0) ? KEY_A : SYN_REPORT;
        records[i].value = (i % 2 == 0) ? 1 : 0;
    }
    for (auto _ : state) {
        if (::write(writer, records.data(), batch * sizeof(input_event)) < 0) {
            state.SkipWithError("write failed");
            break;
        }
        const auto start = Clock::now();
        device->readAvailable(capture);
        const auto elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(elapsed / static_cast<double>(batch));
    }
    ::close(writer);
    device.reset();
    ::unlink(fifo.c_str());
    ::rmdir(directory);
    benchmark::DoNotOptimize(counter.keys);
}
BENCHMARK(BM_EvdevReadToCallback)
    ->Arg(1)
    ->Arg(2)
    ->Arg(64)
    ->UseManualTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// A private Xvfb for the X11 measurement; empty when Xvfb cannot start.
std::string startXvfb(pid_t& pid) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return {};
    }
    pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(fds[1], 3);
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, 2);
        ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten",
                 "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string number;
    char digit = 0;
    while (::read(fds[0], &digit, 1) == 1 && digit != '\n') {
        number.push_back(digit);
    }
    ::close(fds[0]);
    return number.empty() ? std::string() : ":" + number;
}

// Injection with XTEST from one long-lived connection to the return of the
// dispatch callback. The XSync round trip is included: it is also what makes
// the server flush its RECORD buffer on an otherwise idle display.
void BM_X11InjectionToCallback(benchmark::State& state) {
    pid_t server = -1;
    const std::string display = startXvfb(server);
    if (display.empty()) {
        state.SkipWithError("Xvfb is not available");
        return;
    }
    application();
    Counter counter;
    quib::X11InputSource source(display);
    quib::InputCapture capture(counter, counter, nullptr);
    Display* injector = XOpenDisplay(display.c_str());
    const auto recording = [&] {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!source.isRecording() && Clock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return source.isRecording();
    };
    if (injector == nullptr || !source.start(capture) || !recording()) {
        state.SkipWithError("cannot record the display");
    } else {
        const KeyCode key = XKeysymToKeycode(injector, XK_a);
        for (auto _ : state) {
            const long before = counter.keys;
            const auto start = Clock::now();
            XTestFakeKeyEvent(injector, key, True, 0);
            XSync(injector, False);
            while (counter.keys == before && Clock::now() - start < std::chrono::seconds(1)) {
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            }
            if (counter.keys == before) {
                state.SkipWithError("an injected key was not heard within 1 s");
                break;
            }
            state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
            XTestFakeKeyEvent(injector, key, False, 0);
            XSync(injector, False);
        }
    }
    source.stop();
    if (injector != nullptr) {
        XCloseDisplay(injector);
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
}
BENCHMARK(BM_X11InjectionToCallback)
    ->UseManualTime()
    ->Iterations(500)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
