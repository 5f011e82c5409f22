// A click must not allocate: this binary counts every operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/MixerEngine.h"
#include "sound/SoundPlayer.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

// The replacements pair malloc with free; GCC cannot see that they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
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

namespace quib {
namespace {

TEST(PlayKeyClickAllocationTest, ClickingAndRenderingAllocateNothing) {
    test::ResourceDirectory resources;
    test::writeSound(resources.file("Sounds", "focus.wav"), test::constantSignal(2400, 0.5F), 1,
                     kOutputSampleRate);
    test::writeSound(resources.file("Sounds", "select.wav"), test::constantSignal(2400, 0.5F), 1,
                     kOutputSampleRate);
    MixerEngine engine;
    SystemRandom random;
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::clicky);
    std::vector<float> block(2 * 256);
    const long sanity = allocations.load();
    auto counted = std::make_unique<int>(1);
    ASSERT_GT(allocations.load(), sanity) << "the counter sees allocations";
    const long before = allocations.load();
    for (int i = 0; i < 200; ++i) {
        player.playKeyClick();
        player.playMouseClick();
        engine.render(block.data(), 256);
    }
    EXPECT_EQ(allocations.load() - before, 0);
}

}  // namespace
}  // namespace quib
