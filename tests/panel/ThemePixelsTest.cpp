// Every window and page in the colours of every theme, told by fixed pixels:
// one table of surfaces, each with the points where a colour of the active
// theme must show.
#include <gtest/gtest.h>

#include <QImage>

#include "panel/FlatViews.h"
#include "panel/FocusTab.h"
#include "panel/OnboardingWindow.h"
#include "panel/PanelWindow.h"
#include "panel/PopoverPanel.h"
#include "panel/RecordingDelegate.h"
#include "panel/ScrollPage.h"
#include "panel/ShopTab.h"
#include "panel/SoundsTab.h"
#include "panel/StatsTab.h"
#include "panel/VolumeBar.h"
#include "reward/FakeStepTimer.h"
#include "reward/RewardSpinner.h"
#include "support/InputFakes.h"
#include "support/StoreFixture.h"
#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib::test {
namespace {

QColor clear() {
    return Qt::transparent;
}

class ThemePixelsTest : public ::testing::Test {
  public:
    ThemePixelsTest() {
        QImage logo(128, 96, QImage::Format_ARGB32);
        logo.fill(Qt::red);
        logo.save(QString::fromStdString((dir.path() / "header-logo.png").string()));
        store.seed([](Preferences& p) { p.setInteger(keys::coins, 1); });  // CLAIM is enabled
        panel.setDelegate(&delegate);
        panel.setSoundsData(SoundProfile::iphone, SoundProfile::iphone, 0.5F, 0.5F, *store.stats);
        panel.setStatsData(*store.stats);
        panel.setShopData(*store.stats);
        panel.setFocusData({}, std::nullopt, false, 0.5F, *store.stats);
        panel.show();
        panel.selectTab(2);
    }

    // The panel, built in Classic, rebuilt after the theme changed.
    QImage popover() {
        panel.forceRebuild();
        clock.advance(1);
        panel.show();
        return panel.window()->grab().toImage();
    }
    QImage statsTab() {
        QWidget host;
        host.resize(340, 398);
        StatsTabView page(&host);
        page.configure(*store.stats);
        return page.grab().toImage();
    }
    QImage shopTab() {
        QWidget host;
        host.resize(340, 398);
        ShopTabView page(&host);
        page.configure(*store.stats);
        host.show();
        return host.grab().toImage();
    }
    QImage focusTab() {
        QWidget host;
        host.resize(340, 398);
        FocusTabView page(&host);
        page.configure({AmbientSound::brownNoise}, std::nullopt, true, 0.5F, *store.stats);
        host.show();
        return host.grab().toImage();
    }
    QImage soundsTab() {
        SoundsTabView page(nullptr);
        page.resize(340, 398);
        page.configure(SoundProfile::iphone, std::nullopt, 1, 1, *store.stats);
        return page.grab().toImage();
    }
    QImage volumeBar() {
        QWidget host;
        host.resize(300, 100);
        VolumeBar bar(&host);
        bar.setFrame({40, 40, 200, 20});
        bar.setValue(0.5F);
        return bar.grab().toImage();
    }
    QImage onboarding() {
        OnboardingWindow window(permission, "file:///guide.html", dir.path() / "header-logo.png");
        window.show();
        return window.window()->grab().toImage();
    }
    // The reward window once landed, its buttons faded in.
    QImage reward() {
        auto timer = std::make_unique<FakeStepTimer>();
        FakeStepTimer* steps = timer.get();
        ScriptedRandom random({1, 3});
        RewardSpinner spinner(random, std::move(timer));
        spinner.show({"Soft Tock", "MX Blue", "Haptic", "Typewriter"}, "Haptic",
                     RewardType::keyboard);
        while (!spinner.isLanded() && steps->fire()) {
        }
        spinner.window()->findChild<QWidget*>("buttonContainer")->setGraphicsEffect(nullptr);
        return spinner.window()->grab().toImage();
    }

    QApplication& app = application();
    ThemeScope theme{AppTheme::classic};
    TempDir dir;
    TestStore store;
    FakeClock clock;
    FakePermission permission;
    RecordingDelegate delegate;
    PopoverPanel panel{[] { return QRect(); }, &clock};
};

struct Probe {
    int x;
    int y;
    QColor (*colour)();  // asked in the active theme
    const char* what;
};

struct Surface {
    const char* name;
    QImage (ThemePixelsTest::*render)();
    std::vector<Probe> probes;
};

using namespace style;
constexpr int kKnob = VolumeBar::kKnobOverhang;

// The card windows: the accent bar, the border, the card, the hard shadow.
const std::vector<Surface>& surfaces() {
    static const std::vector<Surface> all = {
        {"panel, STATS selected",
         &ThemePixelsTest::popover,
         {{200, 6, brutalBlack, "header"},
          {200, 51, brutalAccent, "header rule"},
          {180, 62, brutalAccent, "selected tab"},
          {89, 70, brutalBlack, "unselected tab outline"},
          {85, 70, brutalWhite, "tab bar"},
          {170, 93, brutalBlack, "tab bar rule"},
          {0, 300, brutalBlack, "body border"},
          {342, 300, brutalBlack, "shadow, right"},
          {200, 522, brutalBlack, "shadow, bottom"},
          {120, 492, brutalAccent, "footer rule"},
          {120, 510, brutalBlack, "footer"}}},
        {"STATS",
         &ThemePixelsTest::statsTab,
         {{200, 135, brutalBlack, "rule"}, {330, 5, brutalWhite, "background"}}},
        {"REWARDS",
         &ThemePixelsTest::shopTab,
         {{19, 81, brutalAccent, "CLAIM"}, {17, 202, brutalLockedBorder, "locked theme row"}}},
        {"FOCUS",
         &ThemePixelsTest::focusTab,
         {{30, 112, brutalAccent, "brown noise, playing"},
          {16, 160, brutalBlack, "pink noise's outline"},
          {30, 160, brutalWhite, "pink noise"}}},
        {"SOUNDS",
         &ThemePixelsTest::soundsTab,
         {{30, 140, brutalAccent, "first keyboard row, selected"},
          {30, 172, brutalLockedBg, "second row, locked"},
          {12, 172, brutalLockedBorder, "its border"},
          {19, 42, brutalBlack, "keyboard speaker glyph"},
          {19, 93, brutalGrayLight, "muted mouse speaker glyph"},
          {100, 102, brutalBlack, "rule under the mouse row"},
          {200, 5, brutalWhite, "background"}}},
        {"volume bar at 50 %",
         &ThemePixelsTest::volumeBar,
         {{kKnob + 30, 10, brutalAccent, "fill"},
          {kKnob + 120, 10, brutalBlack, "track"},
          {kKnob + 75, 10, brutalWhite, "knob"},
          {kKnob + 69, 10, brutalBlack, "knob outline"}}},
        {"onboarding, step 0",
         &ThemePixelsTest::onboarding,
         {{220, 0, cardAccent, "accent bar"},
          {0, 200, brutalGrayMid, "card border"},
          {20, 200, brutalBlack, "card"},
          {442, 422, brutalBlack, "hard shadow"},
          {102, 296, cardAccent, "GET STARTED"}}},
        {"reward, landed",
         &ThemePixelsTest::reward,
         {{210, 0, cardAccent, "accent bar"},
          {0, 100, brutalGrayMid, "card border"},
          {30, 100, brutalBlack, "card"},
          {422, 322, brutalBlack, "hard shadow"},
          {423, 1, clear, "clear beside the shadow"},
          {103, 213, cardAccent, "APPLY"},
          {100, 250, brutalGrayMid, "TEST SOUND's border"},
          {103, 253, brutalBlack, "TEST SOUND is clear"}}},
    };
    return all;
}

TEST_F(ThemePixelsTest, EverySurfaceShowsTheColoursOfEveryTheme) {
    for (AppTheme each : allAppThemes()) {
        theme.set(each);
        for (const Surface& surface : surfaces()) {
            SCOPED_TRACE(std::string(rawValue(each)) + ", " + surface.name);
            const QImage image = (this->*surface.render)();
            for (const Probe& probe : surface.probes) {
                const QRgb shown = image.pixel(probe.x, probe.y);
                const QColor expected = probe.colour();
                if (expected.alpha() == 0) {
                    EXPECT_EQ(qAlpha(shown), 0) << probe.what;
                } else {
                    EXPECT_EQ(shown, expected.rgb()) << probe.what;
                }
            }
        }
    }
}

}  // namespace
}  // namespace quib::test
