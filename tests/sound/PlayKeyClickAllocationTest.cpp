// A click must not allocate: this binary counts every operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

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
    // A mechanical profile's strokes, and every take of its classes of keys.
    std::vector<std::string> strokes{"cream_key_down", "cream_key_up"};
    for (std::size_t keyClass = 0; keyClass < kKeyClassCount; ++keyClass) {
        for (int take = 1; take <= kKeyTakes; ++take) {
            const auto files =
                keyStrokeFiles(SoundProfile::cream, static_cast<KeyClass>(keyClass), take);
            strokes.push_back(files->press);
            strokes.push_back(files->release);
        }
    }
    for (const std::string& name : strokes) {
        test::writeSound(resources.file("Sounds", name + ".wav"), test::constantSignal(480, 0.5F),
                         1, kOutputSampleRate);
    }
    MixerEngine engine;
    SystemRandom random;
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::clicky);
    SoundPlayer mechanical(engine, random, SoundProfile::cream, std::nullopt);
    ASSERT_GT(mechanical.keySounds().ownKeys(), 60);
    std::vector<float> block(2 * 256);
    const long sanity = test::allocationCount();
    auto counted = std::make_unique<int>(1);
    ASSERT_GT(test::allocationCount(), sanity) << "the counter sees allocations";
    const long before = test::allocationCount();
    for (int i = 0; i < 200; ++i) {
        player.playKeyClick();
        player.playMouseClick();
        const auto key = static_cast<std::uint16_t>(1 + i % 120);
        mechanical.playKeyPress(key);
        mechanical.playKeyRelease(key);
        engine.render(block.data(), 256);
    }
    EXPECT_EQ(test::allocationCount() - before, 0);
}

}  // namespace
}  // namespace quib
