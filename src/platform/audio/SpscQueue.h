#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>

namespace quib {

// A bounded single-producer single-consumer queue: one thread pushes, one
// thread pops, neither ever blocks or allocates. A full queue refuses the
// push and the producer decides what to do (the mixer's commands drop and
// count it). Capacity must be a power of two; one slot stays empty.
template <typename T, std::size_t Capacity>
class SpscQueue {
    static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

  public:
    bool push(const T& value) {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        const std::size_t next = (tail + 1) & (Capacity - 1);
        if (next == m_head.load(std::memory_order_acquire)) {
            return false;
        }
        m_items[tail] = value;
        m_tail.store(next, std::memory_order_release);
        return true;
    }

    std::optional<T> pop() {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        if (head == m_tail.load(std::memory_order_acquire)) {
            return std::nullopt;
        }
        T value = m_items[head];
        m_head.store((head + 1) & (Capacity - 1), std::memory_order_release);
        return value;
    }

    // Either side may ask; the answer can be stale by the time it is used.
    bool empty() const {
        return m_head.load(std::memory_order_acquire) == m_tail.load(std::memory_order_acquire);
    }

  private:
    std::array<T, Capacity> m_items{};
    alignas(64) std::atomic<std::size_t> m_head{0};
    alignas(64) std::atomic<std::size_t> m_tail{0};
};

}  // namespace quib
