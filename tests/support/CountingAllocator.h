#pragma once

// Replaces the global allocator of the test binary that includes this header
// (in exactly one file) so that a test can count allocations on a hot path.
#include <atomic>
#include <cstdlib>
#include <new>

namespace quib::test {
inline std::atomic<long> g_allocations{0};
inline long allocationCount() {
    return g_allocations.load(std::memory_order_relaxed);
}
}  // namespace quib::test

// The replacements pair malloc with free; GCC cannot see that they match.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    quib::test::g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
#pragma GCC diagnostic pop
