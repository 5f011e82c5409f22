// make bench: keys lost over 20 SIGKILLs at random moments while typing at
// 10 keys a second into the real executable (input through a FIFO read as an
// event device, no display). With the argument 0 the pending journal is
// deleted before each restart, which is what a build without it loses.
#include <benchmark/benchmark.h>

#include <atomic>
#include <random>
#include <thread>

#include "platform/prefs/PendingJournal.h"
#include "support/QuibProcess.h"

namespace {

using namespace quib;
using namespace quib::test;
namespace fs = std::filesystem;

// Presses a key every 100 ms; a press that finds no reader (QUIB is being
// restarted) is tried again at the next tick.
class Typist {
  public:
    explicit Typist(KeyFifo& keys)
        : m_thread([this, &keys] {
              while (!m_stop.load()) {
                  if (keys.press()) {
                      m_typed.fetch_add(1);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              }
          }) {}
    ~Typist() { stop(); }
    long stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_typed.load();
    }

  private:
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_typed{0};
    std::thread m_thread;
};

void BM_KeysLostOverSigkills(benchmark::State& state) {
    const bool keepJournal = state.range(0) != 0;
    const int kills = 20;
    const fs::path root = fs::temp_directory_path() / "quib-bench-kill";
    long lost = 0;
    long typed = 0;
    for (auto _ : state) {
        fs::remove_all(root);
        QuibHome where(root);
        std::mt19937 random(2026);
        std::uniform_int_distribution<int> moment(500, 6000);  // ms: across the 5 s flush
        auto quib = std::make_unique<QuibProcess>(QUIB_EXECUTABLE, where);
        KeyFifo keys(where.fifo);
        keys.open();
        Typist typist(keys);
        for (int round = 0; round < kills; ++round) {
            std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
            quib->stop(SIGKILL);
            if (!keepJournal) {
                fs::remove(where.home / PendingJournal::kFileName);
            }
            quib = std::make_unique<QuibProcess>(QUIB_EXECUTABLE, where);
        }
        typed = typist.stop();
        waitFor([&] { return keys.drained(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        quib->stop(SIGTERM);  // the clean end flushes the rest
        const long counted = static_cast<long>(
            statsField(statsJson(QUIB_EXECUTABLE, where.home), "totalKeystrokes"));
        lost = typed - counted;
    }
    state.counters["kills"] = kills;
    state.counters["keys_typed"] = static_cast<double>(typed);
    state.counters["keys_lost"] = static_cast<double>(lost);
    fs::remove_all(root);
}
BENCHMARK(BM_KeysLostOverSigkills)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
