// The click player over a recording fake engine, and once over the real
// offline mixer to check that a click reaches the first rendered block.
#include "sound/SoundPlayer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/audio/AudioTestSupport.h"
#include "platform/audio/FakeAudioEngine.h"
#include "platform/audio/MixerEngine.h"
#include "support/Fakes.h"

namespace quib {
namespace {

using test::FakeAudioEngine;
using test::ScriptedRandom;

class SoundPlayerTest : public ::testing::Test {
  protected:
    SoundPlayerTest() {
        for (SoundProfile profile : allSoundProfiles()) {
            touch(keyFile(profile));
            touch(mouseFile(profile));
        }
    }
    void touch(std::string_view name) {
        test::writeSound(resources.file("Sounds", std::string(name) + ".wav"), {0.5F, 0.5F}, 1,
                         kOutputSampleRate);
    }
    std::vector<std::uint32_t> playedPlayers() const {
        std::vector<std::uint32_t> players;
        for (const auto& call : engine.callsOf("play")) {
            players.push_back(call.player);
        }
        return players;
    }

    test::ResourceDirectory resources;
    FakeAudioEngine engine;
    ScriptedRandom random;
};

TEST_F(SoundPlayerTest, SixRapidClicksUseThePoolRoundRobin) {
    SoundPlayer player(engine, random, SoundProfile::tock, std::nullopt);
    ASSERT_EQ(player.keyPlayers().size(), 5U);
    EXPECT_EQ(engine.loadedFiles.size(), 1U) << "one decoded sample shared by the pool";
    for (int i = 0; i < 6; ++i) {
        player.playKeyClick();
    }
    const auto& pool = player.keyPlayers();
    EXPECT_EQ(playedPlayers(),
              (std::vector<std::uint32_t>{pool[0].index, pool[1].index, pool[2].index,
                                          pool[3].index, pool[4].index, pool[0].index}));
}

TEST_F(SoundPlayerTest, RatesCoverTheirRangeWithBothEndsIncluded) {
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::tock);
    random = ScriptedRandom({0, 1U << 24, 1U << 23, 0, 1U << 24});
    player.playKeyClick();
    player.playKeyClick();
    player.playKeyClick();
    player.playMouseClick();
    player.playMouseClick();
    const auto rates = engine.callsOf("rate");
    ASSERT_EQ(rates.size(), 5U);
    EXPECT_FLOAT_EQ(rates[0].value, 0.93F);
    EXPECT_EQ(rates[1].value, 1.07F) << "exactly the upper bound";
    EXPECT_FLOAT_EQ(rates[2].value, 1.0F);
    EXPECT_FLOAT_EQ(rates[3].value, 0.95F);
    EXPECT_EQ(rates[4].value, 1.05F);
    EXPECT_EQ(random.bounds.front(), (1U << 24) + 1) << "2^24 + 1 equally likely values";
}

TEST_F(SoundPlayerTest, RateIsSetBeforeThePlayOfTheSamePlayer) {
    SoundPlayer player(engine, random, SoundProfile::tock, std::nullopt);
    engine.calls.clear();
    player.playKeyClick();
    ASSERT_EQ(engine.calls.size(), 2U);
    EXPECT_EQ(engine.calls[0].operation, "rate");
    EXPECT_EQ(engine.calls[1].operation, "play");
    EXPECT_EQ(engine.calls[0].player, engine.calls[1].player);
}

TEST_F(SoundPlayerTest, SwitchingProfileRestartsAtTheFirstPlayerOfTheNewPool) {
    SoundPlayer player(engine, random, SoundProfile::tock, std::nullopt);
    player.playKeyClick();
    player.playKeyClick();
    const auto oldPool = player.keyPlayers();
    player.setKeyProfile(SoundProfile::cream);
    EXPECT_EQ(engine.callsOf("release").size(), 5U) << "the old pool is given back";
    engine.calls.clear();
    player.playKeyClick();
    EXPECT_EQ(playedPlayers(), std::vector<std::uint32_t>{player.keyPlayers()[0].index});
    EXPECT_NE(player.keyPlayers()[0].index, oldPool[0].index);
}

TEST_F(SoundPlayerTest, NoProfileEmptiesThePoolAndSilencesTheChannel) {
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::tock);
    player.setKeyProfile(std::nullopt);
    EXPECT_FALSE(player.keyEnabled());
    EXPECT_TRUE(player.keyPlayers().empty());
    engine.calls.clear();
    player.playKeyClick();
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_TRUE(player.mouseEnabled());
}

TEST_F(SoundPlayerTest, VolumeSetsBothChannelsAndReadsTheKeyVolume) {
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::snap);
    engine.calls.clear();
    player.setVolume(0.3F);
    EXPECT_EQ(player.keyVolume(), 0.3F);
    EXPECT_EQ(player.mouseVolume(), 0.3F);
    player.setMouseVolume(0.6F);
    EXPECT_EQ(player.volume(), 0.3F);
    const auto volumes = engine.callsOf("volume");
    ASSERT_EQ(volumes.size(), 15U) << "five key players, five mouse players, then five mouse";
    EXPECT_EQ(volumes[9].value, 0.3F);
    EXPECT_EQ(volumes[14].value, 0.6F);
}

TEST_F(SoundPlayerTest, RebuildingOneChannelReappliesVolumesButKeepsTheOtherPool) {
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::snap);
    player.setMouseVolume(0.4F);
    const auto mousePool = player.mousePlayers();
    player.setKeyProfile(SoundProfile::cream);
    EXPECT_EQ(player.mousePlayers()[0].index, mousePool[0].index);
    EXPECT_EQ(engine.callsOf("volume").back().value, 0.4F);
}

TEST_F(SoundPlayerTest, MissingFileLogsOncePerRebuildAndPlaysNothing) {
    std::filesystem::remove(resources.file("Sounds", "cream_key.wav"));
    testing::internal::CaptureStderr();
    SoundPlayer player(engine, random, SoundProfile::cream, std::nullopt);
    player.setKeyProfile(SoundProfile::cream);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, "[QUIB] Sound not found: cream_key\n[QUIB] Sound not found: cream_key\n");
    EXPECT_TRUE(player.keyEnabled()) << "the profile stays chosen";
    engine.calls.clear();
    player.playKeyClick();
    EXPECT_TRUE(engine.calls.empty());
}

TEST_F(SoundPlayerTest, UndecodableFileLogsItsReasonAndPlaysNothing) {
    engine.failLoads = true;
    testing::internal::CaptureStderr();
    SoundPlayer player(engine, random, SoundProfile::tock, std::nullopt);
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                testing::HasSubstr("[QUIB] Sound could not be loaded: focus.wav: broken"));
    EXPECT_TRUE(player.keyPlayers().empty());
}

TEST_F(SoundPlayerTest, PlayersThatCannotBeMadeLeaveASmallerPool) {
    engine.playersLeft = 3;
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::tock);
    EXPECT_EQ(player.keyPlayers().size(), 3U);
    EXPECT_TRUE(player.mousePlayers().empty());
    for (int i = 0; i < 4; ++i) {
        player.playKeyClick();
    }
    EXPECT_EQ(playedPlayers().back(), player.keyPlayers()[0].index);
}

TEST(SoundPlayerMixTest, KeyClickSoundsInTheFirstRenderedBlock) {
    test::ResourceDirectory resources;
    test::writeSound(resources.file("Sounds", "focus.wav"), test::constantSignal(2400, 0.5F), 1,
                     kOutputSampleRate);
    MixerEngine engine;
    SystemRandom random;
    SoundPlayer player(engine, random, SoundProfile::tock, std::nullopt);
    player.setKeyVolume(0.5F);
    std::vector<float> block(2 * 256);
    engine.render(block.data(), 256);
    player.playKeyClick();
    engine.render(block.data(), 256);
    EXPECT_GT(block[0], 0.0F);
    EXPECT_NEAR(block[2 * 200], 0.5F * 0.5F * 0.8F, 1e-3F);
}

}  // namespace
}  // namespace quib
