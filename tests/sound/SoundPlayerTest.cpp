// The click player over a recording fake engine, and once over the real
// offline mixer to check that a click reaches the first rendered block.
#include "sound/SoundPlayer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <cmath>
#include <set>

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
            if (const auto strokes = keyStrokeFiles(profile)) {
                touch(strokes->press);
                touch(strokes->release);
            }
            for (std::size_t keyClass = 0; keyClass < kKeyClassCount; ++keyClass) {
                for (int take = 1; take <= kKeyTakes; ++take) {
                    if (const auto strokes =
                            keyStrokeFiles(profile, static_cast<KeyClass>(keyClass), take)) {
                        touch(strokes->press);
                        touch(strokes->release);
                    }
                }
            }
        }
    }
    void touch(std::string_view name) {
        test::writeSound(resources.file("Sounds", std::string(name) + ".wav"), {0.5F, 0.5F}, 1,
                         kOutputSampleRate);
    }
    // Key clicks are clips; mouse clicks plain plays.
    std::vector<std::uint32_t> playedPlayers(const char* operation = "playClip") const {
        std::vector<std::uint32_t> players;
        for (const auto& call : engine.callsOf(operation)) {
            players.push_back(call.player);
        }
        return players;
    }
    std::vector<std::string> loadedNames() const {
        std::vector<std::string> names;
        for (const auto& file : engine.loadedFiles) {
            names.push_back(file.stem().string());
        }
        return names;
    }

    test::ResourceDirectory resources;
    FakeAudioEngine engine;
    ScriptedRandom random;
};

TEST_F(SoundPlayerTest, RapidClicksUseThePoolRoundRobin) {
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::tock);
    ASSERT_EQ(player.keyPlayers().size(), SoundPlayer::kKeyPoolSize);
    ASSERT_EQ(player.mousePlayers().size(), SoundPlayer::kPoolSize);
    EXPECT_EQ(engine.loadedFiles.size(), 2U) << "one decoded sample shared by each pool";
    for (std::size_t i = 0; i <= SoundPlayer::kKeyPoolSize; ++i) {
        player.playKeyClick();
    }
    for (std::size_t i = 0; i <= SoundPlayer::kPoolSize; ++i) {
        player.playMouseClick();
    }
    const auto& keys = player.keyPlayers();
    const auto keyPlays = playedPlayers();
    EXPECT_EQ(keyPlays.front(), keys[0].index);
    EXPECT_EQ(keyPlays[SoundPlayer::kKeyPoolSize - 1], keys.back().index);
    EXPECT_EQ(keyPlays.back(), keys[0].index);
    const auto& mice = player.mousePlayers();
    EXPECT_EQ(playedPlayers("play"),
              (std::vector<std::uint32_t>{mice[0].index, mice[1].index, mice[2].index,
                                          mice[3].index, mice[4].index, mice[0].index}));
}

TEST_F(SoundPlayerTest, RatesCoverTheirRangeWithBothEndsIncluded) {
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::tock);
    random = ScriptedRandom({0, 1U << 24, 1U << 23, 0, 1U << 24});
    player.playKeyClick();
    player.playKeyClick();
    player.playKeyClick();
    player.playMouseClick();
    player.playMouseClick();
    const auto keyRates = engine.callsOf("playClip");
    const auto mouseRates = engine.callsOf("rate");
    ASSERT_EQ(keyRates.size(), 3U);
    ASSERT_EQ(mouseRates.size(), 2U);
    EXPECT_FLOAT_EQ(keyRates[0].value, 0.93F);
    EXPECT_EQ(keyRates[1].value, 1.07F) << "exactly the upper bound";
    EXPECT_FLOAT_EQ(keyRates[2].value, 1.0F);
    EXPECT_FLOAT_EQ(mouseRates[0].value, 0.95F);
    EXPECT_EQ(mouseRates[1].value, 1.05F);
    EXPECT_EQ(random.bounds.front(), (1U << 24) + 1) << "2^24 + 1 equally likely values";
}

TEST_F(SoundPlayerTest, MouseRateIsSetBeforeThePlayOfTheSamePlayer) {
    SoundPlayer player(engine, random, std::nullopt, SoundProfile::tock);
    engine.calls.clear();
    player.playMouseClick();
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
    EXPECT_EQ(engine.callsOf("release").size(), SoundPlayer::kKeyPoolSize)
        << "the old pool is given back";
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
    ASSERT_EQ(volumes.size(), 18U) << "eight key players, five mouse players, then five mouse";
    EXPECT_EQ(volumes[12].value, 0.3F);
    EXPECT_EQ(volumes[17].value, 0.6F);
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
    std::filesystem::remove(resources.file("Sounds", "focus.wav"));
    testing::internal::CaptureStderr();
    SoundPlayer player(engine, random, SoundProfile::tock, std::nullopt);
    player.setKeyProfile(SoundProfile::tock);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, "[QUIB] Sound not found: focus\n[QUIB] Sound not found: focus\n");
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

TEST_F(SoundPlayerTest, KeysArePlacedWhereTheySitOnTheKeyboard) {
    SoundPlayer player(engine, random, SoundProfile::tock, SoundProfile::tock);
    player.setStereoWidth(0.4F);
    for (const int key :
         {KEY_ESC, KEY_TAB, KEY_LEFTSHIFT, KEY_SPACE, KEY_ENTER, KEY_BACKSPACE, KEY_KP5, 600}) {
        player.playKeyPress(static_cast<std::uint16_t>(key));
    }
    player.playKeyClick();
    std::vector<float> pans;
    for (const PlayOptions& play : engine.clipPlays) {
        pans.push_back(play.pan);
    }
    const std::vector<float> expected = {-0.4F * 14 / 15,
                                         -0.4F * 13.5F / 15,
                                         -0.4F * 13.75F / 15,
                                         0.0F,
                                         0.4F * 12.75F / 15,
                                         0.4F * 13 / 15,
                                         0.4F,
                                         0.0F,
                                         0.0F};
    ASSERT_EQ(pans.size(), expected.size());
    for (std::size_t i = 0; i < pans.size(); ++i) {
        EXPECT_NEAR(pans[i], expected[i], 1e-5F) << i;
    }
    player.setStereoWidth(0.0F);
    player.playKeyPress(KEY_ESC);
    EXPECT_EQ(engine.clipPlays.back().pan, 0.0F) << "width 0: every key in the middle";
    player.setStereoWidth(std::nanf(""));
    EXPECT_EQ(player.stereoWidth(), 0.0F);
    player.playMouseClick();
    EXPECT_EQ(engine.callsOf("play").size(), 1U) << "the mouse plays whole and centred";
}

TEST_F(SoundPlayerTest, MechanicalProfilesSoundTheirReturnStrokeOnKeyUp) {
    SoundPlayer player(engine, random, SoundProfile::mxBlue, std::nullopt);
    const std::vector<std::string> names = loadedNames();
    ASSERT_EQ(names.size(), 2 + 2 * kKeyClassCount * kKeyTakes);
    EXPECT_EQ(names[0], "mxblue_key_down");
    EXPECT_EQ(names[1], "mxblue_key_up");
    EXPECT_EQ(names[2], "mxblue_key_row1_1_down");
    EXPECT_EQ(names.back(), "mxblue_key_shift_3_up");
    player.playKeyPress(KEY_UP);  // beyond the main block: the plain strokes
    player.playKeyRelease(KEY_UP);
    ASSERT_EQ(engine.clipPlays.size(), 2U);
    EXPECT_EQ(engine.clipPlays[0].startFrame, 0);
    EXPECT_EQ(engine.clipPlays[1].startFrame, 4) << "the return follows the press in the sample";
    EXPECT_EQ(engine.clipPlays[1].frameCount, 4);

    engine.loadedFiles.clear();
    player.setReleaseSounds(false);
    EXPECT_EQ(loadedNames(), std::vector<std::string>{"mxblue_key"}) << "the press with its return";
    player.playKeyRelease(KEY_A);
    EXPECT_EQ(engine.clipPlays.size(), 2U);

    player.setReleaseSounds(true);
    player.setKeyProfile(SoundProfile::tock);
    player.playKeyRelease(KEY_A);
    EXPECT_EQ(engine.clipPlays.size(), 2U) << "a soft profile has no return stroke";
}

// Every row of the main block and every long key plays takes of its own, one
// drawn per stroke; a key's press and release are of its class.
TEST_F(SoundPlayerTest, EachClassOfKeysPlaysOneOfItsOwnTakes) {
    SoundPlayer player(engine, random, SoundProfile::cream, std::nullopt);
    struct Case {
        int key;
        int sameAs;  // a key of the same class
    };
    const std::vector<Case> cases{{KEY_1, KEY_F5},
                                  {KEY_Q, KEY_BACKSLASH},
                                  {KEY_A, KEY_CAPSLOCK},
                                  {KEY_Z, KEY_LEFTCTRL},
                                  {KEY_SPACE, KEY_SPACE},
                                  {KEY_ENTER, KEY_KPENTER},
                                  {KEY_BACKSPACE, KEY_BACKSPACE},
                                  {KEY_LEFTSHIFT, KEY_RIGHTSHIFT}};
    std::set<std::int64_t> pressStarts;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        engine.clipPlays.clear();
        random = ScriptedRandom({0, 0, 2, 0, 1, 0, 0, 0});
        player.playKeyPress(static_cast<std::uint16_t>(c.key));
        player.playKeyPress(static_cast<std::uint16_t>(c.key));
        player.playKeyRelease(static_cast<std::uint16_t>(c.key));
        player.playKeyPress(static_cast<std::uint16_t>(c.sameAs));
        ASSERT_EQ(engine.clipPlays.size(), 4U);
        const std::int64_t first = engine.clipPlays[0].startFrame;
        EXPECT_GE(first, 8) << "not the plain press";
        EXPECT_EQ(engine.clipPlays[1].startFrame, first + 2 * 4) << "the third take";
        EXPECT_NE(engine.clipPlays[2].startFrame, first) << "the release is a clip of its own";
        EXPECT_GE(engine.clipPlays[2].startFrame, 8);
        EXPECT_EQ(engine.clipPlays[3].startFrame, first);
        EXPECT_EQ(random.bounds[0], static_cast<std::uint64_t>(kKeyTakes));
        pressStarts.insert(first);
    }
    EXPECT_EQ(pressStarts.size(), cases.size()) << "no two classes share their takes";
}

// Resources from before the classes: the keys play the plain strokes, and
// the log says once what is missing.
TEST_F(SoundPlayerTest, MissingClassFilesLeaveThePlainStrokes) {
    std::filesystem::remove(resources.file("Sounds", "cream_key_row1_1_down.wav"));
    testing::internal::CaptureStderr();
    SoundPlayer player(engine, random, SoundProfile::cream, std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[QUIB] Sound not found: cream_key_row1_1_down\n");
    EXPECT_EQ(player.keySounds().ownKeys(), 0);
    player.playKeyPress(KEY_SPACE);
    player.playKeyRelease(KEY_SPACE);
    ASSERT_EQ(engine.clipPlays.size(), 2U);
    EXPECT_EQ(engine.clipPlays[0].startFrame, 0);
    EXPECT_EQ(engine.clipPlays[1].startFrame, 4);
}

TEST_F(SoundPlayerTest, MissingStrokeFilesFallBackToTheWholeClick) {
    std::filesystem::remove(resources.file("Sounds", "cream_key_up.wav"));
    testing::internal::CaptureStderr();
    SoundPlayer player(engine, random, SoundProfile::cream, std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[QUIB] Sound not found: cream_key_up\n");
    EXPECT_EQ(loadedNames().back(), "cream_key");
    EXPECT_FALSE(player.keySounds().hasReleases());
}

TEST_F(SoundPlayerTest, APackPlaysEachKeysOwnClipAsRecorded) {
    SoundPlayer player(engine, random, SoundProfile::tock, std::nullopt);
    KeySoundSet pack;
    pack.sample = engine.loadSample("pack.wav").sample;
    pack.clips = {{0, 1}, {1, 1}, {2, 1}, {3, 1}};
    pack.press[KEY_A] = {0, 1};
    pack.press[KEY_S] = {1, 2};  // two takes
    pack.release[KEY_A] = {3, 1};
    pack.variesRate = false;
    player.setKeyPack("my-pack", pack);
    EXPECT_EQ(player.keyPack(), "my-pack");
    EXPECT_FALSE(player.keyProfile());
    EXPECT_TRUE(player.keyEnabled());
    EXPECT_EQ(player.keyPlayers().size(), SoundPlayer::kKeyPoolSize);

    random = ScriptedRandom({1, 0});
    player.playKeyPress(KEY_A);
    player.playKeyPress(KEY_S);  // take 1 of 2
    player.playKeyPress(KEY_S);  // take 0
    player.playKeyPress(KEY_D);  // no sound of its own, no fallback
    player.playKeyRelease(KEY_A);
    player.playKeyRelease(KEY_S);
    std::vector<std::int64_t> starts;
    for (const PlayOptions& play : engine.clipPlays) {
        starts.push_back(play.startFrame);
        EXPECT_EQ(play.rate, 1.0F);
    }
    EXPECT_EQ(starts, (std::vector<std::int64_t>{0, 2, 1, 3}));
    EXPECT_EQ(random.bounds, (std::vector<std::uint64_t>{2, 2})) << "a draw only between takes";

    player.setReleaseSounds(false);
    player.playKeyRelease(KEY_A);
    player.playKeyClick();  // no fallback, no space bar: the first key's press
    EXPECT_EQ(engine.clipPlays.back().startFrame, 0);
    EXPECT_EQ(engine.clipPlays.size(), 5U) << "release sounds off: packs' too";

    player.setKeyProfile(SoundProfile::tock);
    EXPECT_TRUE(player.keyPack().empty());
}

// The input helper names no key but space, Enter, Backspace and Tab: any
// other key plays one of the letters' own sounds at random, in the middle.
TEST_F(SoundPlayerTest, AKeyWithoutACodePlaysOneOfTheLetterSoundsCentred) {
    SoundPlayer player(engine, random, SoundProfile::tock, std::nullopt);
    player.setStereoWidth(1.0F);
    KeySoundSet pack;
    pack.sample = engine.loadSample("pack.wav").sample;
    pack.clips = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}};
    pack.press[KEY_A] = {0, 1};
    pack.press[KEY_S] = {1, 2};  // two takes
    pack.press[KEY_ENTER] = {3, 1};
    pack.release[KEY_A] = {4, 1};
    pack.variesRate = false;
    player.setKeyPack("my-pack", pack);

    random = ScriptedRandom({1, 1, 0, 0});
    player.playKeyPress(0);    // the second letter (S), its second take
    player.playKeyPress(0);    // the first letter (A)
    player.playKeyRelease(0);  // the first letter's release
    player.playKeyPress(KEY_ENTER);
    std::vector<std::int64_t> starts;
    std::vector<float> pans;
    for (const PlayOptions& play : engine.clipPlays) {
        starts.push_back(play.startFrame);
        pans.push_back(play.pan);
    }
    EXPECT_EQ(starts, (std::vector<std::int64_t>{2, 0, 4, 3}));
    EXPECT_EQ(pans[0], 0.0F);
    EXPECT_EQ(pans[1], 0.0F);
    EXPECT_EQ(pans[2], 0.0F);
    EXPECT_GT(pans[3], 0.5F) << "a key the helper names keeps its place";
    EXPECT_EQ(random.bounds, (std::vector<std::uint64_t>{2, 2, 2, 2}));

    // A built-in profile sounds every letter alike: no draw of a letter.
    player.setKeyProfile(SoundProfile::tock);
    random.bounds.clear();
    player.playKeyPress(0);
    EXPECT_EQ(engine.clipPlays.size(), 5U);
    EXPECT_EQ(engine.clipPlays.back().pan, 0.0F);
    EXPECT_EQ(random.bounds.size(), 1U) << "the pitch only";
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
