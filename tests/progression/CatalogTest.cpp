#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "ambient/AmbientCatalog.h"
#include "progression/AppTheme.h"
#include "sound/SoundProfile.h"

namespace quib {
namespace {

TEST(CatalogTest, LookupsAreExactAndCaseSensitive) {
    EXPECT_EQ(soundProfileFromRawValue("Soft Tock"), SoundProfile::tock);
    for (const char* wrong : {"soft tock", "tock", "off", "", "focus", "Soft Tock "}) {
        EXPECT_FALSE(soundProfileFromRawValue(wrong)) << wrong;
    }
    EXPECT_EQ(ambientSoundFromRawValue("Thunderstorm"), AmbientSound::thunderstorm);
    EXPECT_FALSE(ambientSoundFromRawValue("thunderstorm"));
    EXPECT_FALSE(ambientSoundFromRawValue(""));
    EXPECT_EQ(musicTrackFromRawValue("Lo-Fi Chill"), MusicTrack::lofiChill);
    EXPECT_FALSE(musicTrackFromRawValue("LO-FI CHILL"));
    EXPECT_EQ(appThemeFromRawValue("Violet"), AppTheme::violet);
    EXPECT_FALSE(appThemeFromRawValue("violet"));
    EXPECT_FALSE(appThemeFromRawValue(""));
}

TEST(CatalogTest, OrdersAndSizesMatchTheLists) {
    const auto& profiles = allSoundProfiles();
    ASSERT_EQ(profiles.size(), 20u);
    EXPECT_EQ(rawValue(profiles.front()), "iPhone Keyboard");
    EXPECT_EQ(rawValue(profiles.back()), "Mech Sharp");
    const auto& sounds = allAmbientSounds();
    ASSERT_EQ(sounds.size(), 9u);
    EXPECT_EQ(sounds.front(), AmbientSound::brownNoise);
    EXPECT_EQ(sounds.back(), AmbientSound::thunderstorm);
    const auto& themes = allAppThemes();
    ASSERT_EQ(themes.size(), 7u);
    EXPECT_EQ(themes.front(), AppTheme::classic);
    EXPECT_EQ(themes[5], AppTheme::ice);
    EXPECT_EQ(themes.back(), AppTheme::violet);
}

TEST(CatalogTest, RawValuesRoundTripAndAreUnique) {
    std::set<std::string_view> names;
    for (SoundProfile profile : allSoundProfiles()) {
        EXPECT_EQ(soundProfileFromRawValue(rawValue(profile)), profile);
        EXPECT_FALSE(keyFile(profile).empty());
        EXPECT_FALSE(mouseFile(profile).empty());
        names.insert(rawValue(profile));
    }
    EXPECT_EQ(names.size(), 20u);
    for (AmbientSound sound : allAmbientSounds()) {
        EXPECT_EQ(ambientSoundFromRawValue(rawValue(sound)), sound);
    }
    for (MusicTrack track : allMusicTracks()) {
        EXPECT_EQ(musicTrackFromRawValue(rawValue(track)), track);
    }
    for (AppTheme theme : allAppThemes()) {
        EXPECT_EQ(appThemeFromRawValue(rawValue(theme)), theme);
    }
}

TEST(CatalogTest, SoundFilesCoverThirtyDistinctNames) {
    std::set<std::string_view> keyFiles, mouseFiles, all;
    for (SoundProfile profile : allSoundProfiles()) {
        keyFiles.insert(keyFile(profile));
        mouseFiles.insert(mouseFile(profile));
        all.insert(keyFile(profile));
        all.insert(mouseFile(profile));
    }
    EXPECT_EQ(keyFiles.size(), 19u);
    EXPECT_EQ(mouseFiles.size(), 14u);
    EXPECT_EQ(all.size(), 30u);
    EXPECT_EQ(keyFile(SoundProfile::pinch), "key_press_click");
    EXPECT_EQ(mouseFile(SoundProfile::keys), "key_press_click");
}

TEST(CatalogTest, OnlyBrownNoiseIsGeneratedAndTracksCostThree) {
    EXPECT_TRUE(isNoise(AmbientSound::brownNoise));
    EXPECT_FALSE(fileName(AmbientSound::brownNoise));
    EXPECT_FALSE(isNoise(AmbientSound::pinkNoise));
    EXPECT_EQ(fileName(AmbientSound::pinkNoise), "pinknoise");
    int total = 0;
    for (MusicTrack track : allMusicTracks()) {
        total += cost(track);
    }
    EXPECT_EQ(total, 18);
    EXPECT_EQ(fileName(MusicTrack::rainyCafe), "rainy_cafe");
}

TEST(CatalogTest, PalettesHoldTheirRoles) {
    const auto& terminal = palette(AppTheme::terminal);
    for (const Rgb& colour :
         {terminal.accent, terminal.text, terminal.grayMid, terminal.grayLight}) {
        EXPECT_EQ(colour.r, 0.0);
        EXPECT_EQ(colour.b, 0.0);
    }
    EXPECT_DOUBLE_EQ(terminal.bg.r, 5 / 255.0);
    EXPECT_DOUBLE_EQ(palette(AppTheme::classic).accent.g, 61 / 255.0);
    EXPECT_DOUBLE_EQ(palette(AppTheme::violet).accent.r, 0.55);
    // Light themes put dark text on a light background, dark themes the reverse.
    for (AppTheme theme : allAppThemes()) {
        const auto& p = palette(theme);
        const double background = p.bg.r + p.bg.g + p.bg.b;
        const double text = p.text.r + p.text.g + p.text.b;
        EXPECT_GT(std::abs(background - text), 0.75) << rawValue(theme);
    }
}

}  // namespace
}  // namespace quib
