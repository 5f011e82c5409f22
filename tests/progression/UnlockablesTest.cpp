#include <gtest/gtest.h>

#include <map>

#include "platform/RandomSource.h"
#include "support/StoreFixture.h"

namespace quib::test {
namespace {

using UnlockablesTest = StoreFixture;
using Kind = GameStats::UnlockType;

void unlockAllThemes(GameStats& stats) {
    for (AppTheme theme : allAppThemes()) {
        stats.unlockTheme(theme);
    }
}

void unlockAllProfiles(GameStats& stats) {
    for (SoundProfile profile : allSoundProfiles()) {
        stats.unlockProfile(profile, Kind::keyboard);
        stats.unlockProfile(profile, Kind::mouse);
    }
}

TEST_F(UnlockablesTest, FreshInstallLocksAllButTheDefaults) {
    const auto keyboard = stats->lockedKeyProfiles();
    ASSERT_EQ(keyboard.size(), 19u);
    EXPECT_EQ(keyboard.front(), SoundProfile::snap);
    EXPECT_EQ(stats->lockedMouseProfiles().size(), 19u);
    EXPECT_EQ(stats->lockedThemes().size(), 6u);
    EXPECT_TRUE(stats->isKeyProfileUnlocked(SoundProfile::iphone));
    EXPECT_TRUE(stats->isThemeUnlocked(AppTheme::classic));
    for (MusicTrack track : allMusicTracks()) {
        EXPECT_FALSE(stats->isTrackUnlocked(track));
    }
}

TEST_F(UnlockablesTest, NoCoinNoRewardAndNothingWritten) {
    EXPECT_FALSE(stats->canClaimReward());
    EXPECT_FALSE(stats->pickReward());
    EXPECT_FALSE(preferences->contains("gs_coins"));
}

TEST_F(UnlockablesTest, RewardSpendsOneCoinAndUnlocksNothingByItself) {
    preferences->setInteger("gs_coins", 2);
    reopen();
    ASSERT_TRUE(stats->canClaimReward());
    const auto reward = stats->pickReward();
    ASSERT_TRUE(reward);
    EXPECT_EQ(stats->coins(), 1);
    EXPECT_EQ(preferences->integer("gs_coins"), 1);
    EXPECT_EQ(stats->lockedKeyProfiles().size(), 19u);
    EXPECT_EQ(stats->lockedThemes().size(), 6u);
}

TEST_F(UnlockablesTest, DrawIsTwoStageKindThenItem) {
    preferences->setInteger("gs_coins", 3);
    reopen();
    random = ScriptedRandom({2, 4, 1, 0});  // theme kind, 5th locked theme; then mouse, first
    auto reward = stats->pickReward();
    ASSERT_TRUE(reward);
    EXPECT_EQ(reward->type, Kind::theme);
    EXPECT_EQ(reward->theme, AppTheme::ice);
    EXPECT_FALSE(reward->profile);
    EXPECT_EQ(random.bounds, (std::vector<std::uint64_t>{3, 6}));
    reward = stats->pickReward();
    EXPECT_EQ(reward->type, Kind::mouse);
    EXPECT_EQ(reward->profile, SoundProfile::snap);
}

TEST_F(UnlockablesTest, WithOnlyThemesLeftEveryDrawIsATheme) {
    unlockAllProfiles(*stats);
    preferences->setInteger("gs_coins", 1);
    reopen();
    random = ScriptedRandom({7, 7});
    const auto reward = stats->pickReward();
    ASSERT_TRUE(reward);
    EXPECT_EQ(reward->type, Kind::theme);
    EXPECT_EQ(stats->coins(), 0);
}

TEST_F(UnlockablesTest, NothingLeftToWinKeepsTheCoin) {
    unlockAllProfiles(*stats);
    unlockAllThemes(*stats);
    preferences->setInteger("gs_coins", 5);
    reopen();
    EXPECT_FALSE(stats->canClaimReward());
    EXPECT_FALSE(stats->pickReward());
    EXPECT_EQ(stats->coins(), 5);
}

TEST_F(UnlockablesTest, ProfileSidesAreIndependent) {
    stats->unlockProfile(SoundProfile::mxBlue, Kind::keyboard);
    EXPECT_TRUE(stats->isKeyProfileUnlocked(SoundProfile::mxBlue));
    EXPECT_FALSE(stats->isMouseProfileUnlocked(SoundProfile::mxBlue));
    const auto all = stats->allLockedProfiles();
    EXPECT_NE(std::find(all.begin(), all.end(), SoundProfile::mxBlue), all.end());
    stats->unlockProfile(SoundProfile::mxBlue, Kind::theme);  // not a profile kind: nothing
    EXPECT_FALSE(stats->isMouseProfileUnlocked(SoundProfile::mxBlue));
}

TEST_F(UnlockablesTest, SeededDrawsAreUniformOverKindsThenItems) {
    SystemRandom system;
    preferences->setInteger("gs_coins", 30000);
    stats->unlockTheme(AppTheme::midnight);  // 5 themes left, 19 profiles per side
    reopen();
    std::map<Kind, int> kinds;
    std::map<std::string, int> themes;
    for (int i = 0; i < 30000; ++i) {
        random = ScriptedRandom({system.below(1000003), system.below(1000003)});
        const auto reward = stats->pickReward();
        ASSERT_TRUE(reward);
        ++kinds[reward->type];
        if (reward->theme) {
            ++themes[std::string(rawValue(*reward->theme))];
        }
    }
    for (const auto& [kind, count] : kinds) {
        EXPECT_NEAR(count, 10000, 500);
    }
    EXPECT_EQ(themes.size(), 5u);
    for (const auto& [name, count] : themes) {
        EXPECT_NEAR(count, kinds[Kind::theme] / 5, 300) << name;
    }
}

TEST_F(UnlockablesTest, TrackPurchaseChargesOnce) {
    preferences->setInteger("gs_coins", 5);
    reopen();
    EXPECT_TRUE(stats->purchaseTrack(MusicTrack::synthwave));
    EXPECT_EQ(stats->coins(), 2);
    EXPECT_FALSE(stats->purchaseTrack(MusicTrack::synthwave));
    EXPECT_FALSE(stats->purchaseTrack(MusicTrack::deepFocus)) << "2 coins < 3";
    EXPECT_EQ(stats->coins(), 2);
    reopen();
    EXPECT_TRUE(stats->isTrackUnlocked(MusicTrack::synthwave));
    EXPECT_EQ(stats->coins(), 2);
}

}  // namespace
}  // namespace quib::test
