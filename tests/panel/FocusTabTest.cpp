#include "panel/FocusTab.h"

#include <gtest/gtest.h>

#include "panel/FlatViews.h"
#include "panel/ScrollPage.h"
#include "panel/VolumeBar.h"
#include "support/StoreFixture.h"
#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib {
namespace {

class FocusTabTest : public ::testing::Test {
  protected:
    void SetUp() override {
        panel.resize(340, 398);
        tab = new FocusTabView(&panel);
        tab->onSoundSelected = [this](std::optional<AmbientSound> s) { sounds.push_back(s); };
        tab->onTrackSelected = [this](std::optional<MusicTrack> t) { tracks.push_back(t); };
        tab->onVolumeChanged = [this](float v) { volumes.push_back(v); };
    }
    void configure(std::set<AmbientSound> active = {}, std::optional<MusicTrack> track = {},
                   bool playing = false) {
        tab->configure(active, track, playing, 0.3F, *store.stats);
    }
    FlatButton& soundRow(AmbientSound s) { return *tab->soundButtons().at(std::size_t(s)); }
    FlatButton& trackRow(MusicTrack t) { return *tab->trackButtons().at(std::size_t(t)); }
    void ownDeepFocus() {
        store.seed([](Preferences& p) { p.setStringList(keys::unlockedTracks, {"Deep Focus"}); });
    }

    QApplication& app = test::application();
    test::ThemeScope theme{AppTheme::classic};
    test::TestStore store;
    QWidget panel;
    FocusTabView* tab = nullptr;
    std::vector<std::optional<AmbientSound>> sounds;
    std::vector<std::optional<MusicTrack>> tracks;
    std::vector<float> volumes;
};

TEST_F(FocusTabTest, AFreshInstallShowsEveryTrackComingSoonAndScrolls) {
    EXPECT_EQ(tab->scrollView(), nullptr);  // blank until configured
    configure();
    EXPECT_EQ(tab->scrollView()->documentHeight(), 846);
    EXPECT_EQ(tab->soundButtons().size(), kAmbientSoundCount);
    EXPECT_EQ(soundRow(AmbientSound::brownNoise).title(), QStringLiteral("  BROWN NOISE"));
    for (FlatButton* row : tab->trackButtons()) {
        EXPECT_EQ(row->title(), QStringLiteral("  COMING SOON"));
        EXPECT_FALSE(row->isEnabled());
    }
    EXPECT_EQ(tab->volumeBar()->value(), 0.3F);
    // Rows in catalog order, a row pitch of 40 from brown noise down.
    EXPECT_EQ(soundRow(AmbientSound::brownNoise).geometry(), QRect(16, 846 - 702 - 36, 308, 36));
    EXPECT_EQ(soundRow(AmbientSound::rain).geometry().top(), 846 - 576 - 36);
    EXPECT_EQ(trackRow(MusicTrack::rainyCafe).geometry().top(), 846 - 50 - 36);
}

TEST_F(FocusTabTest, TappingASoundTwiceStartsAndStopsItAndAsksEachTime) {
    configure();
    FlatButton* rain = &soundRow(AmbientSound::rain);
    rain->click();
    EXPECT_EQ(rain->fill(), style::brutalAccent());
    EXPECT_TRUE(tab->isPlaying());
    rain->click();
    EXPECT_FALSE(rain->fill().isValid());
    EXPECT_FALSE(tab->isPlaying());
    EXPECT_EQ(sounds,
              (std::vector<std::optional<AmbientSound>>{AmbientSound::rain, AmbientSound::rain}));
}

TEST_F(FocusTabTest, StoppingTheOnlySoundLeavesNothingPlaying) {
    configure({AmbientSound::brownNoise}, std::nullopt, true);
    soundRow(AmbientSound::brownNoise).click();
    EXPECT_FALSE(tab->isPlaying());
}

TEST_F(FocusTabTest, TappingTheCurrentOwnedTrackStopsTheMusicOnly) {
    ownDeepFocus();
    configure({AmbientSound::ocean}, MusicTrack::deepFocus, true);
    EXPECT_EQ(trackRow(MusicTrack::deepFocus).fill(), style::brutalAccent());
    trackRow(MusicTrack::deepFocus).click();
    EXPECT_EQ(tracks, (std::vector<std::optional<MusicTrack>>{std::nullopt}));
    EXPECT_TRUE(tab->isPlaying());  // the ocean plays on
    EXPECT_EQ(trackRow(MusicTrack::deepFocus).title(), QStringLiteral("  DEEP FOCUS"));
    trackRow(MusicTrack::deepFocus).click();
    EXPECT_EQ(tracks.back(), MusicTrack::deepFocus);
}

TEST_F(FocusTabTest, LaterConfiguresRestyleTheSameRows) {
    ownDeepFocus();
    configure();
    const auto rows = tab->soundButtons();
    configure({AmbientSound::cafe}, MusicTrack::deepFocus, false);
    EXPECT_EQ(tab->soundButtons(), rows);
    EXPECT_EQ(soundRow(AmbientSound::cafe).fill(), style::brutalAccent());
    // Selected but not playing: drawn as owned.
    EXPECT_FALSE(trackRow(MusicTrack::deepFocus).fill().isValid());
    EXPECT_TRUE(sounds.empty());
    EXPECT_TRUE(volumes.empty());
}

TEST_F(FocusTabTest, SelectingTheTabAgainScrollsBackToTheVolume) {
    configure();
    tab->scrollView()->setOffset(300);
    tab->scrollToTop();
    EXPECT_EQ(tab->scrollView()->offset(), 0);
}

}  // namespace
}  // namespace quib
