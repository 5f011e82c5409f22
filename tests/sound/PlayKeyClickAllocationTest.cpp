// A click must not allocate: this binary counts every operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/MixerEngine.h"
#include "sound/SoundPlayer.h"
#include "support/CountingAllocator.h"

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
    const long sanity = test::allocationCount();
    auto counted = std::make_unique<int>(1);
    ASSERT_GT(test::allocationCount(), sanity) << "the counter sees allocations";
    const long before = test::allocationCount();
    for (int i = 0; i < 200; ++i) {
        player.playKeyClick();
        player.playMouseClick();
        engine.render(block.data(), 256);
    }
    EXPECT_EQ(test::allocationCount() - before, 0);
}

}  // namespace
}  // namespace quib
