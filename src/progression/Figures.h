#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace quib {

// The figures the panel reads every second, published by whoever changes the
// model and read without a lock (a sequence lock): a reader never waits for a
// writer, not even for one the scheduler interrupted while it held the
// model's mutex. Writers must be serialised by the caller.
class Figures {
  public:
    struct Values {
        std::int64_t totalXP = 0;
        std::int64_t coins = 0;
        std::int64_t streak = 0;
        std::int64_t unlockedCount = 0;
        std::int64_t day = 0;  // yyyymmdd of the day the two counts below belong to
        std::int64_t todayKeys = 0;
        std::int64_t todayClicks = 0;
    };

    void publish(const Values& values) {
        const std::uint64_t sequence = m_sequence.load(std::memory_order_relaxed);
        m_sequence.store(sequence + 1, std::memory_order_relaxed);
        // Each field is released, so a reader that sees any new field also
        // sees the odd sequence before it (no fences: ThreadSanitizer cannot
        // follow them).
        const std::array<std::int64_t, kCount> fields = pack(values);
        for (std::size_t i = 0; i < kCount; ++i) {
            m_fields[i].store(fields[i], std::memory_order_release);
        }
        m_sequence.store(sequence + 2, std::memory_order_release);
    }

    Values read() const {
        std::array<std::int64_t, kCount> fields{};
        while (true) {
            const std::uint64_t before = m_sequence.load(std::memory_order_acquire);
            for (std::size_t i = 0; i < kCount; ++i) {
                fields[i] = m_fields[i].load(std::memory_order_acquire);
            }
            if ((before & 1) == 0 && m_sequence.load(std::memory_order_relaxed) == before) {
                return {fields[0], fields[1], fields[2], fields[3],
                        fields[4], fields[5], fields[6]};
            }
        }
    }

    // "yyyy-MM-dd" as yyyymmdd; 0 for anything else.
    static std::int64_t dayNumber(const std::string& day) {
        if (day.size() != 10 || day[4] != '-' || day[7] != '-') {
            return 0;
        }
        std::int64_t number = 0;
        for (const char ch : day) {
            if (ch != '-') {
                if (ch < '0' || ch > '9') {
                    return 0;
                }
                number = number * 10 + (ch - '0');
            }
        }
        return number;
    }

  private:
    static constexpr std::size_t kCount = 7;
    static std::array<std::int64_t, kCount> pack(const Values& v) {
        return {v.totalXP, v.coins, v.streak, v.unlockedCount, v.day, v.todayKeys, v.todayClicks};
    }

    std::atomic<std::uint64_t> m_sequence{0};
    std::array<std::atomic<std::int64_t>, kCount> m_fields{};
};

}  // namespace quib
