#include "app/AppDelegateFixture.h"

namespace quib::test {
namespace {

using RoutingTest = AppDelegateFixture;
using namespace std::chrono_literals;

TEST_F(RoutingTest, LockedProfileChangesNothingUnlockedOnePreviewsAndSaves) {
    auto& app = launch();
    auto before = mark();
    app.panelDidSelectKeyProfile(SoundProfile::mxBlue);
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::iphone);
    EXPECT_EQ(mark(), before) << "nothing played or rebuilt";
    EXPECT_FALSE(preferences->contains("keyProfile"));

    app.gameStats().unlockProfile(SoundProfile::mxBlue, GameStats::UnlockType::keyboard);
    app.panelDidSelectKeyProfile(SoundProfile::mxBlue);
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::mxBlue);
    EXPECT_EQ(keyPlays(before), 1);
    EXPECT_EQ(preferences->stringValue("keyProfile"), "MX Blue");
    EXPECT_EQ(panel->keyProfile, SoundProfile::mxBlue);

    before = mark();
    app.panelDidSelectMouseProfile(std::nullopt);
    EXPECT_EQ(preferences->stringValue("mouseProfile"), "off");
    EXPECT_EQ(keyPlays(before) + mousePlays(before), 0);
}

TEST_F(RoutingTest, SwitchingOffStopsFocusAudioAndDimsSwitchingOnRestartsNothing) {
    auto& app = launch();
    app.panelDidSelectAmbientSound(AmbientSound::rain);
    app.panelDidToggleEnabled(false);
    EXPECT_TRUE(statusItem.dimmed);
    EXPECT_FALSE(app.ambientEngine().isPlaying());
    EXPECT_EQ(preferences->boolValue("enabled"), false);
    app.panelDidToggleEnabled(true);
    EXPECT_FALSE(statusItem.dimmed);
    EXPECT_FALSE(app.ambientEngine().isPlaying());
}

TEST_F(RoutingTest, ThemeSelectionNeedsTheThemeAndRebuildsThePanel) {
    auto& app = launch();
    panel->calls.clear();
    app.panelDidSelectTheme(AppTheme::ice);
    EXPECT_TRUE(panel->calls.empty());
    EXPECT_FALSE(preferences->contains("gs_activeTheme"));
    app.gameStats().unlockTheme(AppTheme::ice);
    app.panelDidSelectTheme(AppTheme::ice);
    EXPECT_EQ(app.gameStats().activeTheme(), AppTheme::ice);
    EXPECT_EQ(preferences->stringValue("gs_activeTheme"), "Ice");
    EXPECT_EQ(panel->calls.front(), "forceRebuild");
    EXPECT_EQ(panel->calls.back(), "show");
}

TEST_F(RoutingTest, TrackPurchaseNeedsCoinsThenPlaysAndSaves) {
    preferences->setInteger("gs_coins", 2);
    auto& app = launch();
    app.panelDidRequestPurchaseTrack(MusicTrack::nightDrive);
    EXPECT_FALSE(app.ambientEngine().currentTrack());
    EXPECT_FALSE(preferences->contains("ambientVolume")) << "nothing saved";
    delegate.reset();
    preferences->setInteger("gs_coins", 3);
    auto& again = launch();
    again.panelDidRequestPurchaseTrack(MusicTrack::nightDrive);
    EXPECT_EQ(again.ambientEngine().currentTrack(), MusicTrack::nightDrive);
    EXPECT_EQ(preferences->stringValue("activeTrack"), "Night Drive");
    EXPECT_EQ(again.gameStats().coins(), 0);
}

TEST_F(RoutingTest, TestSoundPlaysKeyThenMouseLater) {
    auto& app = launch();
    const auto before = mark();
    app.panelDidRequestTestSound();
    EXPECT_EQ(keyPlays(before), 1);
    EXPECT_EQ(mousePlays(before), 0);
    EXPECT_EQ(queue.pendingDelays(), std::vector<std::chrono::milliseconds>{300ms});
    queue.drain();
    EXPECT_EQ(mousePlays(before), 1);
}

TEST_F(RoutingTest, ClaimWithoutCoinsDoesNothing) {
    auto& app = launch();
    app.panelDidRequestClaimReward();
    EXPECT_EQ(spinner, nullptr);
    EXPECT_TRUE(app.isEnabled());
}

TEST_F(RoutingTest, ClaimUnlocksAtOnceMutesInputAndSkipRestoresTheSwitch) {
    completeOnboardingBefore();
    preferences->setInteger("gs_coins", 1);
    preferences->setBool("enabled", false);
    auto& app = launch();
    random = ScriptedRandom({2, 0});  // the theme kind, first locked theme
    app.panelDidRequestClaimReward();
    ASSERT_NE(spinner, nullptr);
    EXPECT_EQ(spinner->type, RewardType::theme);
    EXPECT_EQ(spinner->winner, "Midnight");
    EXPECT_EQ(spinner->candidates.size(), 6u) << "the winner is still among the candidates";
    EXPECT_TRUE(app.gameStats().isThemeUnlocked(AppTheme::midnight));
    EXPECT_EQ(app.gameStats().coins(), 0);
    EXPECT_FALSE(app.isEnabled());
    EXPECT_EQ(panel->calls.back(), "dismiss");

    spinner->onDismiss();  // SKIP
    EXPECT_FALSE(app.isEnabled()) << "restored to what it was: off";
    EXPECT_EQ(app.gameStats().activeTheme(), AppTheme::classic) << "not applied";
    queue.drain();
    EXPECT_FALSE(app.isShowingReward());
}

TEST_F(RoutingTest, SpinnerTicksWithSoftTockAtFortyPercentAndAppliesTheProfile) {
    preferences->setInteger("gs_coins", 1);
    preferences->setFloat("keyVolume", 0.5);
    preferences->setFloat("mouseVolume", 0.5);
    preferences->setString("keyProfile", "off");
    auto& app = launch();
    random = ScriptedRandom({0, 3});  // keyboard, fourth locked profile
    app.panelDidRequestClaimReward();
    ASSERT_NE(spinner, nullptr);
    EXPECT_EQ(spinner->winner, "Haptic");
    EXPECT_FALSE(app.isEnabled());

    const auto before = mark();
    spinner->onTick();
    const auto volumes = audio.callsOf("volume");
    ASSERT_FALSE(volumes.empty());
    EXPECT_FLOAT_EQ(volumes.back().value, 0.2F);
    EXPECT_EQ(audio.loadedFiles.back().filename(), "focus.wav") << "Soft Tock";
    EXPECT_EQ(audio.plays(before), 1) << "ticks although the key channel is off";

    spinner->onApplyName("Haptic", RewardType::keyboard);
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::haptic);
    EXPECT_EQ(preferences->stringValue("keyProfile"), "Haptic");
    spinner->onDismiss();
    EXPECT_TRUE(app.isEnabled());
}

TEST_F(RoutingTest, PreviewOfAThemePlaysNothingOfAProfileUsesTheKeyVolume) {
    preferences->setInteger("gs_coins", 1);
    preferences->setFloat("keyVolume", 0.6);
    preferences->setFloat("mouseVolume", 0.1);
    auto& app = launch();
    random = ScriptedRandom({1, 0});
    app.panelDidRequestClaimReward();
    ASSERT_NE(spinner, nullptr);
    auto before = mark();
    spinner->onTestSound("Midnight", RewardType::theme);
    EXPECT_EQ(mark(), before);
    spinner->onTestSound(spinner->winner, RewardType::mouse);
    const auto volumes = audio.callsOf("volume");
    EXPECT_FLOAT_EQ(volumes.back().value, 0.6F);
    const std::uint32_t preview = audio.callsOf("play").back().player;
    const auto releasedPreview = [&] {
        const auto released = audio.callsOf("release");
        return std::any_of(released.begin(), released.end(),
                           [&](const auto& call) { return call.player == preview; });
    };
    EXPECT_FALSE(releasedPreview()) << "the preview sounds to its end";
    queue.drain();  // the preview player is released after half a second
    EXPECT_TRUE(releasedPreview());
}

}  // namespace
}  // namespace quib::test
