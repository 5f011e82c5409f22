#include "app/AppDelegateFixture.h"

namespace quib::test {
namespace {

using SettingsTest = AppDelegateFixture;

TEST_F(SettingsTest, ProfilesRestoreOffLockedAndUnknownNamesByTheirRules) {
    preferences->setString("keyProfile", "off");
    preferences->setString("mouseProfile", "MX Blue");  // locked for the mouse
    preferences->setStringList("gs_unlockedKeyProfiles", {"MX Blue"});
    auto& app = launch();
    EXPECT_FALSE(app.soundPlayer().keyProfile());
    EXPECT_FALSE(app.soundPlayer().keyEnabled());
    EXPECT_EQ(app.soundPlayer().mouseProfile(), SoundProfile::iphone);
    delegate.reset();

    preferences->setString("keyProfile", "MX Blue ");  // trailing blank: names nothing
    preferences->setString("mouseProfile", "Snap");    // locked for the mouse
    auto& again = launch();
    EXPECT_FALSE(again.soundPlayer().keyProfile());
    EXPECT_EQ(again.soundPlayer().mouseProfile(), SoundProfile::iphone);
}

TEST_F(SettingsTest, UnlockedProfileIsRestoredAndOffIsSavedBack) {
    preferences->setStringList("gs_unlockedKeyProfiles", {"Cream"});
    preferences->setString("keyProfile", "Cream");
    preferences->setString("mouseProfile", "off");
    auto& app = launch();
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::cream);
    app.panelDidChangeKeyVolume(0.5F);
    EXPECT_EQ(preferences->stringValue("mouseProfile"), "off");
    EXPECT_EQ(preferences->stringValue("keyProfile"), "Cream");
    EXPECT_EQ(preferences->floatValue("keyVolume"), 0.5);
}

TEST_F(SettingsTest, OptionsAreFollowedAtLaunchAndWhenACommandChangedThem) {
    preferences->setBool("releaseSounds", false);
    auto& app = launch();
    EXPECT_FALSE(app.soundPlayer().releaseSounds());
    EXPECT_FLOAT_EQ(app.soundPlayer().stereoWidth(), 0.4F) << "the default";
    preferences->setBool("releaseSounds", true);
    preferences->setFloat("stereoWidth", 0.0);
    app.reloadSettings();
    EXPECT_TRUE(app.soundPlayer().releaseSounds());
    EXPECT_FLOAT_EQ(app.soundPlayer().stereoWidth(), 0.0F);
}

TEST_F(SettingsTest, VolumesRestoreWithTheirFallbacks) {
    preferences->setFloat("keyVolume", 0.7);
    preferences->setBool("enabled", false);
    auto& app = launch();
    EXPECT_FLOAT_EQ(app.soundPlayer().keyVolume(), 0.7F);
    EXPECT_FLOAT_EQ(app.soundPlayer().mouseVolume(), 0.0F) << "mouseVolume absent reads 0";
    EXPECT_FALSE(app.isEnabled());
    EXPECT_TRUE(statusItem.dimmed);
    delegate.reset();

    preferences->remove("keyVolume");
    preferences->setFloat("volume", 0.4);
    auto& again = launch();
    EXPECT_FLOAT_EQ(again.soundPlayer().keyVolume(), 0.4F);
    EXPECT_FLOAT_EQ(again.soundPlayer().mouseVolume(), 0.4F);
}

TEST_F(SettingsTest, GarbageTypedSettingsLeaveADefinedState) {
    preferences->setStringList("keyProfile", {"Snap"});
    preferences->setString("keyVolume", "loud");
    preferences->setString("enabled", "maybe");
    auto& app = launch();
    EXPECT_EQ(app.soundPlayer().keyProfile(), SoundProfile::iphone) << "not a text: absent";
    EXPECT_FLOAT_EQ(app.soundPlayer().keyVolume(), 1.0F);
    EXPECT_TRUE(app.isEnabled());
}

TEST_F(SettingsTest, FocusAudioRestoresSoundsAndOnlyUnlockedTracks) {
    preferences->setFloat("ambientVolume", 0.3);
    preferences->setStringList("ambientSounds", {"Rain", "Nope", "Brown Noise"});
    preferences->setString("ambientSound", "Forest");
    preferences->setString("activeTrack", "Synthwave");
    auto& app = launch();
    EXPECT_FLOAT_EQ(app.ambientEngine().volume(), 0.3F);
    EXPECT_EQ(app.ambientEngine().activeSounds(),
              (std::set<AmbientSound>{AmbientSound::rain, AmbientSound::brownNoise}));
    EXPECT_FALSE(app.ambientEngine().currentTrack()) << "the track is not owned";
    EXPECT_EQ(preferences->stringValue("activeTrack"), "Synthwave") << "kept until next save";
    delegate.reset();

    preferences->setStringList("ambientSounds", {});
    preferences->setStringList("gs_unlockedTracks", {"Synthwave"});
    auto& again = launch();
    EXPECT_TRUE(again.ambientEngine().activeSounds().empty()) << "an empty list wins";
    EXPECT_EQ(again.ambientEngine().currentTrack(), MusicTrack::synthwave);
}

TEST_F(SettingsTest, LegacyAmbientSoundIsUsedWhenTheListIsAbsentOrMalformed) {
    preferences->setString("ambientSounds", "Rain");  // not a list
    preferences->setString("ambientSound", "Forest");
    auto& app = launch();
    EXPECT_EQ(app.ambientEngine().activeSounds(), std::set<AmbientSound>{AmbientSound::forest});
}

TEST_F(SettingsTest, SaveAmbientRemovesTheTrackKeyWhenNothingPlays) {
    preferences->setStringList("gs_unlockedTracks", {"Deep Focus"});
    auto& app = launch();
    app.panelDidSelectTrack(MusicTrack::deepFocus);
    EXPECT_EQ(preferences->stringValue("activeTrack"), "Deep Focus");
    app.panelDidSelectTrack(MusicTrack::deepFocus);  // toggles it off
    EXPECT_FALSE(preferences->contains("activeTrack"));
    app.panelDidSelectAmbientSound(AmbientSound::ocean);
    EXPECT_EQ(preferences->stringListValue("ambientSounds"), std::vector<std::string>{"Ocean"});
    EXPECT_EQ(panel->activeSounds, std::set<AmbientSound>{AmbientSound::ocean});
}

}  // namespace
}  // namespace quib::test
