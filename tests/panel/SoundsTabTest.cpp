#include "panel/SoundsTab.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QtTest/QTest>

#include "panel/FlatViews.h"
#include "panel/ScrollPage.h"
#include "panel/StyleKit.h"
#include "panel/VolumeBar.h"
#include "support/StoreFixture.h"
#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib {
namespace {

using Profile = std::optional<SoundProfile>;

class SoundsTabTest : public ::testing::Test {
  protected:
    SoundsTabTest() {
        tab.resize(340, 398);
        tab.onKeyProfileSelected = [this](Profile p) { keyReports.push_back(p); };
        tab.onMouseProfileSelected = [this](Profile p) { mouseReports.push_back(p); };
    }

    void configure(Profile key, Profile mouse = SoundProfile::iphone) {
        tab.configure(key, mouse, 0.5F, 0.5F, *store.stats);
    }
    static void click(FlatButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    QApplication& app = test::application();
    test::ThemeScope theme{AppTheme::classic};
    test::TestStore store;
    SoundsTabView tab{nullptr};
    std::vector<Profile> keyReports;
    std::vector<Profile> mouseReports;
};

TEST_F(SoundsTabTest, ContentIs404CollapsedAndEachListAddsItsSeventeenRows) {
    configure(SoundProfile::iphone);
    const struct {
        bool expandKeys;
        bool expandMouse;
        int height;
        std::size_t keyRows;
        std::size_t mouseRows;
    } cases[] = {{false, false, 404, 3, 3},
                 {true, false, 404 + 17 * 26, 20, 3},
                 {false, true, 404 + 17 * 26, 3, 20},
                 {true, true, 404 + 34 * 26, 20, 20}};
    for (const auto& c : cases) {
        SoundsTabView view(nullptr);
        view.resize(340, 398);
        view.configure(SoundProfile::iphone, SoundProfile::iphone, 1, 1, *store.stats);
        if (c.expandKeys) {
            click(view.keyExpandButton());
        }
        if (c.expandMouse) {
            click(view.mouseExpandButton());
        }
        EXPECT_EQ(view.contentHeight(), c.height);
        EXPECT_EQ(view.scrollView()->documentHeight(), c.height);
        EXPECT_EQ(view.keyProfileButtons().size(), c.keyRows);
        EXPECT_EQ(view.mouseProfileButtons().size(), c.mouseRows);
    }
}

PackInfo pack(const char* id, bool valid) {
    PackInfo info;
    info.id = id;
    info.name = std::string("Pack ") + id;
    info.valid = valid;
    info.problem = valid ? "" : "config.json: 'name' is missing";
    return info;
}

TEST_F(SoundsTabTest, PacksFollowTheKeyboardProfilesTaggedAndNeverLocked) {
    std::vector<std::string> packReports;
    tab.onKeyPackSelected = [&](const std::string& id) { packReports.push_back(id); };
    tab.setPacks({pack("one", true), pack("two", false)}, "");
    configure(SoundProfile::iphone);
    EXPECT_TRUE(tab.packButtons().empty()) << "the collapsed list shows three profiles";
    click(tab.keyExpandButton());
    ASSERT_EQ(tab.packButtons().size(), 2u);
    EXPECT_EQ(tab.contentHeight(), 404 + 19 * 26);
    FlatButton* one = tab.packButtons()[0];
    EXPECT_GT(one->y(), tab.keyProfileButtons().back()->y()) << "after the profiles";
    EXPECT_TRUE(one->title().contains("PACK ONE"));
    EXPECT_TRUE(one->isEnabled());
    const auto tagOf = [](FlatButton* row) { return row->findChild<QLabel*>()->text(); };
    EXPECT_EQ(tagOf(one), "PACK");
    const QLabel* tag = one->findChild<QLabel*>();
    EXPECT_EQ(tag->palette().color(tag->foregroundRole()), style::brutalBlack())
        << "drawn in the row's own text colour";
    FlatButton* broken = tab.packButtons()[1];
    EXPECT_FALSE(broken->isEnabled());
    EXPECT_TRUE(broken->title().endsWith("PACK TWO \u2014 BROKEN"))
        << broken->title().toStdString();
    EXPECT_EQ(broken->toolTip(), "config.json: 'name' is missing");

    click(tab.packButtons()[1]);
    click(tab.packButtons()[0]);
    EXPECT_EQ(packReports, std::vector<std::string>{"one"});
    EXPECT_EQ(tab.packButtons()[0]->fill(), style::brutalAccent()) << "chosen";
    EXPECT_EQ(tab.keyProfileButtons()[0]->fill(), QColor()) << "no profile is chosen with it";
}

TEST_F(SoundsTabTest, MutingAPackBringsThePackBack) {
    std::vector<std::string> packReports;
    tab.onKeyPackSelected = [&](const std::string& id) { packReports.push_back(id); };
    tab.setPacks({pack("one", true)}, "one");
    configure(std::nullopt);
    EXPECT_EQ(tab.keyMuteButton()->accessibleName(), "Sound on") << "a pack plays";
    click(tab.keyMuteButton());
    EXPECT_EQ(keyReports, std::vector<Profile>{std::nullopt});
    EXPECT_EQ(tab.keyMuteButton()->accessibleName(), "Muted");
    click(tab.keyMuteButton());
    EXPECT_EQ(packReports, std::vector<std::string>{"one"});
    EXPECT_EQ(tab.keyMuteButton()->accessibleName(), "Sound on");
}

TEST_F(SoundsTabTest, BlankUntilConfiguredWithAStore) {
    tab.refresh();
    EXPECT_EQ(tab.scrollView(), nullptr);
    configure(SoundProfile::iphone);
    EXPECT_NE(tab.scrollView(), nullptr);
}

TEST_F(SoundsTabTest, LockedRowsReadLockedInFadedColoursAndIgnoreClicks) {
    configure(SoundProfile::iphone);
    FlatButton* selected = tab.keyProfileButtons()[0];
    EXPECT_EQ(selected->title(), QStringLiteral("  IPHONE KEYBOARD"));
    EXPECT_EQ(selected->fill(), style::brutalAccent());
    EXPECT_EQ(selected->titleColor(), style::brutalAccentContrast());
    for (FlatButton* locked : {tab.keyProfileButtons()[1], tab.mouseProfileButtons()[2]}) {
        EXPECT_EQ(locked->title(), QStringLiteral("  LOCKED"));
        EXPECT_FALSE(locked->isEnabled());
        EXPECT_EQ(locked->fill(), style::brutalLockedBg());
        EXPECT_EQ(locked->borderColor(), style::brutalLockedBorder());
        EXPECT_EQ(locked->titleColor(), style::brutalLockedText());
        click(locked);
    }
    EXPECT_TRUE(keyReports.empty());
    EXPECT_TRUE(mouseReports.empty());

    store.stats->unlockProfile(SoundProfile::snap, GameStats::UnlockType::keyboard);
    configure(SoundProfile::iphone);
    EXPECT_EQ(tab.keyProfileButtons()[1]->title(), QStringLiteral("  SNAP"));
    EXPECT_EQ(tab.keyProfileButtons()[1]->borderColor(), style::brutalBlack());
    EXPECT_EQ(tab.mouseProfileButtons()[1]->title(), QStringLiteral("  LOCKED")) << "per channel";
}

TEST_F(SoundsTabTest, MuteAndUnmuteRestoreTheProfileSelectedBefore) {
    store.stats->unlockProfile(SoundProfile::tock, GameStats::UnlockType::keyboard);
    configure(SoundProfile::iphone);
    click(tab.keyProfileButtons()[2]);  // Soft Tock
    click(tab.keyMuteButton());
    EXPECT_EQ(tab.keyMuteButton()->accessibleName(), QStringLiteral("Muted"));
    EXPECT_EQ(tab.keyVolumeBar()->opacity(), 0.25);
    for (FlatButton* row : tab.keyProfileButtons()) {
        EXPECT_NE(row->fill(), style::brutalAccent()) << "no row is selected while muted";
    }
    EXPECT_EQ(tab.mouseVolumeBar()->opacity(), 1.0);
    click(tab.keyMuteButton());
    EXPECT_EQ(keyReports,
              (std::vector<Profile>{SoundProfile::tock, std::nullopt, SoundProfile::tock}));
    EXPECT_EQ(tab.keyMuteButton()->accessibleName(), QStringLiteral("Sound on"));

    // Muted from the start: unmuting picks the first profile of the catalog.
    SoundsTabView fresh(nullptr);
    fresh.resize(340, 398);
    fresh.onMouseProfileSelected = [this](Profile p) { mouseReports.push_back(p); };
    fresh.configure(SoundProfile::iphone, std::nullopt, 1, 1, *store.stats);
    click(fresh.mouseMuteButton());
    EXPECT_EQ(mouseReports, (std::vector<Profile>{SoundProfile::iphone}));
}

TEST_F(SoundsTabTest, BarsKeepTheirVolumeThroughTheRebuildOfATap) {
    std::vector<float> volumes;
    tab.onKeyVolumeChanged = [&](float v) { volumes.push_back(v); };
    tab.configure(SoundProfile::iphone, SoundProfile::iphone, 0.8F, 0.35F, *store.stats);
    VolumeBar* bar = tab.keyVolumeBar();
    const int trackWidth = bar->width() - 2 * VolumeBar::kKnobOverhang - 50;
    QTest::mousePress(bar, Qt::LeftButton, {},
                      QPoint(VolumeBar::kKnobOverhang + trackWidth / 2, bar->height() / 2));
    click(tab.keyExpandButton());
    click(tab.mouseMuteButton());
    EXPECT_FLOAT_EQ(tab.keyVolumeBar()->value(), 0.5F) << "as dragged";
    EXPECT_FLOAT_EQ(tab.mouseVolumeBar()->value(), 0.35F) << "as configured";
    EXPECT_EQ(volumes, std::vector<float>{0.5F});
}

TEST_F(SoundsTabTest, TapsKeepExpansionAndScrollAlsoWhenTheOwnerAnswersAtOnce) {
    for (SoundProfile profile : allSoundProfiles()) {
        store.stats->unlockProfile(profile, GameStats::UnlockType::keyboard);
    }
    // As the controller does: every selection is pushed straight back.
    tab.onKeyProfileSelected = [this](Profile p) { configure(p); };
    configure(SoundProfile::iphone);
    tab.show();
    click(tab.keyExpandButton());
    tab.scrollView()->setOffset(300);
    const struct {
        const char* what;
        std::function<FlatButton*()> button;
    } taps[] = {{"select", [this] { return tab.keyProfileButtons()[12]; }},
                {"mute", [this] { return tab.keyMuteButton(); }},
                {"unmute", [this] { return tab.keyMuteButton(); }},
                {"expand the mouse list", [this] { return tab.mouseExpandButton(); }}};
    for (const auto& tap : taps) {
        click(tap.button());
        EXPECT_EQ(tab.keyProfileButtons().size(), 20U) << tap.what;
        EXPECT_EQ(tab.scrollView()->offset(), 300) << tap.what;
    }
    EXPECT_EQ(tab.keyProfileButtons()[12]->fill(), style::brutalAccent()) << "MX Blue is current";

    configure(SoundProfile::iphone);  // from outside, not during a tap
    EXPECT_EQ(tab.scrollView()->offset(), 0);
}

}  // namespace
}  // namespace quib
