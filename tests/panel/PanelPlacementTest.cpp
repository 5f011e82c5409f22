#include "panel/PanelPlacement.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

// A 1280 × 800 screen whose top 24 pixels belong to a panel with the tray.
const QRect kAvailable(0, 24, 1280, 776);

TEST(PanelPlacementTest, HangsUnderOrStandsOverTheIconAndStaysInsideTheScreen) {
    const struct {
        const char* what;
        QRect anchor;
        QRect available;
        QPoint origin;
    } cases[] = {
        {"top tray, centred", QRect(600, 0, 24, 24), kAvailable, QPoint(612 - 170, 28)},
        {"top tray at the right edge", QRect(1250, 0, 24, 24), kAvailable,
         QPoint(1280 - 345 - 8, 28)},
        {"top tray at the left edge", QRect(2, 0, 24, 24), kAvailable, QPoint(8, 28)},
        {"bottom tray", QRect(600, 776, 24, 24), QRect(0, 0, 1280, 776),
         QPoint(442, 776 - 525 - 4)},
        {"bottom tray at the right edge", QRect(1270, 776, 10, 24), QRect(0, 0, 1280, 776),
         QPoint(927, 247)},
        {"no tray", QRect(), kAvailable, QPoint(1280 - 345 - 8, 24 + 8)},
        {"a pointer position for an icon", QRect(700, 5, 1, 1), kAvailable, QPoint(530, 24)},
        {"second screen to the right", QRect(2000, 0, 24, 24), QRect(1280, 0, 1920, 1080),
         QPoint(1842, 28)},
        {"screen narrower than the panel", QRect(100, 0, 24, 24), QRect(0, 0, 300, 600),
         QPoint(8, 28)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(panelOrigin(c.anchor, c.available), c.origin) << c.what;
    }
}

// No icon to hang from (a StatusNotifierItem seen through XWayland): the
// corner at the right on the side of the bar that holds the tray.
TEST(PanelPlacementTest, WithoutAnIconTakesTheRightCornerOnTheBarsSide) {
    const QRect screen(0, 0, 1280, 800);
    const struct {
        const char* what;
        QRect available;
        QRect screen;
        QPoint origin;
    } cases[] = {
        {"bar at the bottom (Plasma)", QRect(0, 0, 1280, 756), screen,
         QPoint(1280 - 345 - 8, 756 - 525 - 8)},
        {"bar at the top", kAvailable, screen, QPoint(927, 32)},
        {"bars at the top and a taller one at the bottom", QRect(0, 24, 1280, 732), screen,
         QPoint(927, 756 - 525 - 8)},
        {"no bar at all", screen, screen, QPoint(927, 8)},
        {"screen not known", QRect(0, 0, 1280, 756), QRect(), QPoint(927, 8)},
        {"bottom bar on a second screen", QRect(1280, 0, 1920, 1040), QRect(1280, 0, 1920, 1080),
         QPoint(1280 + 1920 - 345 - 8, 1040 - 525 - 8)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(panelOrigin(QRect(), c.available, c.screen), c.origin) << c.what;
    }
}

}  // namespace
}  // namespace quib
