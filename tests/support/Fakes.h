#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/RandomSource.h"

namespace quib::test {

// A clock whose day and monotonic time the test sets.
class FakeClock final : public Clock {
  public:
    double monotonicSeconds() const override {
        std::lock_guard lock(m_mutex);
        return m_seconds;
    }
    std::string today() const override {
        std::lock_guard lock(m_mutex);
        return m_day;
    }
    void setDay(std::string day) {
        std::lock_guard lock(m_mutex);
        m_day = std::move(day);
    }
    void setSeconds(double seconds) {
        std::lock_guard lock(m_mutex);
        m_seconds = seconds;
    }
    void advance(double seconds) {
        std::lock_guard lock(m_mutex);
        m_seconds += seconds;
    }

  private:
    mutable std::mutex m_mutex;
    std::string m_day = "2026-03-05";
    double m_seconds = 1000.0;
};

// Collects posted tasks; the test runs them with drain(), as the main loop would.
class ManualQueue final : public MainQueue {
  public:
    void post(std::function<void()> task) override {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back({std::chrono::milliseconds(0), std::move(task)});
    }
    void postDelayed(std::chrono::milliseconds delay, std::function<void()> task) override {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back({delay, std::move(task)});
    }
    // Runs every task posted so far (and those they post), in order of delay
    // then posting; returns how many ran.
    int drain() {
        int ran = 0;
        while (true) {
            Task task;
            {
                std::lock_guard lock(m_mutex);
                if (m_tasks.empty()) {
                    return ran;
                }
                auto next = m_tasks.begin();
                for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
                    if (it->delay < next->delay) {
                        next = it;
                    }
                }
                task = std::move(*next);
                m_tasks.erase(next);
            }
            task.run();
            ++ran;
        }
    }
    std::vector<std::chrono::milliseconds> pendingDelays() const {
        std::lock_guard lock(m_mutex);
        std::vector<std::chrono::milliseconds> delays;
        for (const auto& task : m_tasks) {
            delays.push_back(task.delay);
        }
        return delays;
    }

  private:
    struct Task {
        std::chrono::milliseconds delay{0};
        std::function<void()> run;
    };
    mutable std::mutex m_mutex;
    std::deque<Task> m_tasks;
};

// Returns scripted values (each taken modulo the bound), then zeros.
class ScriptedRandom final : public RandomSource {
  public:
    explicit ScriptedRandom(std::vector<std::uint64_t> values = {}) : m_values(std::move(values)) {}
    std::uint64_t below(std::uint64_t bound) override {
        bounds.push_back(bound);
        const std::uint64_t value = m_next < m_values.size() ? m_values[m_next++] : 0;
        return bound == 0 ? 0 : value % bound;
    }
    std::vector<std::uint64_t> bounds;

  private:
    std::vector<std::uint64_t> m_values;
    std::size_t m_next = 0;
};

// Uniform values from a fixed seed: statistical tests see the same numbers on
// every run, so a bound that holds once holds always.
class SeededRandom final : public RandomSource {
  public:
    explicit SeededRandom(std::uint64_t seed) : m_engine(seed) {}
    std::uint64_t below(std::uint64_t bound) override {
        return std::uniform_int_distribution<std::uint64_t>(0, bound - 1)(m_engine);
    }

  private:
    std::mt19937_64 m_engine;
};

}  // namespace quib::test
