#include "platform/desktop/StatusItem.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>

#include "platform/desktop/StatusIcon.h"
#include "support/TestApplication.h"

namespace quib {
namespace {

int highestAlpha(const QImage& image) {
    int highest = 0;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            highest = std::max(highest, qAlpha(argb.pixel(x, y)));
        }
    }
    return highest;
}

QAction* menuAction(const StatusItem& item, const QString& text) {
    for (QAction* action : item.contextMenu()->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

// Points the resource directory at an empty folder, or at one holding an icon.
class StatusItemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::application();
        ASSERT_TRUE(resources.isValid());
        qputenv("QUIB_RESOURCE_DIR", resources.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("QUIB_RESOURCE_DIR"); }

    QTemporaryDir resources;
};

TEST_F(StatusItemTest, MissingIconResourceFallsBackToTheDrawnGlyph) {
    const QImage image = statusTemplateImage();
    ASSERT_EQ(image.size(), QSize(kStatusIconPixels, kStatusIconPixels));
    EXPECT_EQ(highestAlpha(image), 255) << "the glyph must be drawn, not empty";
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the corners stay transparent";
}

TEST_F(StatusItemTest, BundledIconIsUsedWhenPresent) {
    QImage bundled(kStatusIconPixels, kStatusIconPixels, QImage::Format_ARGB32);
    bundled.fill(Qt::transparent);
    bundled.setPixel(3, 4, qRgba(0, 0, 0, 200));
    ASSERT_TRUE(bundled.save(resources.filePath(QStringLiteral("menubar-icon@2x.png"))));
    const QImage image = statusTemplateImage();
    EXPECT_EQ(qAlpha(image.pixel(3, 4)), 200);
    EXPECT_EQ(highestAlpha(image), 200);
}

TEST_F(StatusItemTest, UnreadableIconResourceFallsBackToTheDrawnGlyph) {
    QFile broken(resources.filePath(QStringLiteral("menubar-icon@2x.png")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a png");
    broken.close();
    EXPECT_EQ(highestAlpha(statusTemplateImage()), 255);
}

TEST(StatusIconTest, RecolouringKeepsTheMaskAndTakesTheColour) {
    QImage mask(2, 1, QImage::Format_ARGB32);
    mask.setPixel(0, 0, qRgba(0, 0, 0, 255));
    mask.setPixel(1, 0, qRgba(0, 0, 0, 64));
    const QImage tinted = recolouredMask(mask, QColor(250, 10, 20));
    EXPECT_EQ(tinted.pixel(0, 0), qRgba(250, 10, 20, 255));
    EXPECT_EQ(qAlpha(tinted.pixel(1, 0)), 64);
    EXPECT_EQ(qRed(tinted.pixel(1, 0)), 250);
}

TEST(StatusIconTest, GlyphIsLightOnDarkPanelsAndDarkOnLightOnes) {
    EXPECT_GT(statusGlyphColour(QColor(30, 30, 30)).lightness(), 200);
    EXPECT_LT(statusGlyphColour(QColor(240, 240, 240)).lightness(), 60);
}

// The largest lightness difference between the bar and the icon drawn on it.
int contrastOver(const QImage& icon, const QColor& bar) {
    QImage onBar(icon.size(), QImage::Format_ARGB32);
    onBar.fill(bar);
    QPainter(&onBar).drawImage(0, 0, icon);
    int most = 0;
    for (int y = 0; y < onBar.height(); ++y) {
        for (int x = 0; x < onBar.width(); ++x) {
            most =
                std::max(most, std::abs(QColor(onBar.pixel(x, y)).lightness() - bar.lightness()));
        }
    }
    return most;
}

TEST(StatusIconTest, TheIconReadsOnDarkAndLightBarsWhicheverItWasDrawnFor) {
    const QImage glyph = drawStatusFallbackGlyph(kStatusIconPixels);
    const QColor bars[] = {Qt::black, QColor(0x1d, 0x1d, 0x1d), QColor(0xef, 0xf0, 0xf1),
                           Qt::white};
    for (const QColor& drawnFor : bars) {
        for (const QColor& bar : bars) {
            EXPECT_GT(contrastOver(statusIconImage(glyph, drawnFor), bar), 150)
                << "drawn for " << drawnFor.name().toStdString() << ", on "
                << bar.name().toStdString();
        }
    }
    EXPECT_GT(contrastOver(statusIconImage(glyph, Qt::black), Qt::black), 220)
        << "on the bar it was drawn for, the glyph itself stands out";
}

TEST(StatusIconTest, BarColourIsKnownWhereTheDesktopFixesIt) {
    EXPECT_LT(desktopBarColour(QStringLiteral("GNOME")).lightness(), 40);
    EXPECT_LT(desktopBarColour(QStringLiteral("ubuntu:GNOME")).lightness(), 40);
    EXPECT_LT(desktopBarColour(QStringLiteral("sway")).lightness(), 40);
    EXPECT_GT(desktopBarColour(QStringLiteral("GNOME-Classic:GNOME")).lightness(), 200);
    EXPECT_FALSE(desktopBarColour(QStringLiteral("KDE")).isValid())
        << "Plasma's follows the palette";
    EXPECT_FALSE(desktopBarColour(QString()).isValid());
}

TEST(StatusIconTest, AnchorIsTheTrayGeometryElseTheLastClickElseThePointer) {
    const QRect tray(1200, 0, 24, 24);
    EXPECT_EQ(StatusItem::anchorRect(tray, QPoint(5, 5), QPoint(9, 9)), tray);
    EXPECT_EQ(StatusItem::anchorRect(QRect(), QPoint(5, 5), QPoint(9, 9)).topLeft(), QPoint(5, 5));
    EXPECT_EQ(StatusItem::anchorRect(QRect(), std::nullopt, QPoint(9, 9)).topLeft(), QPoint(9, 9));
    EXPECT_TRUE(StatusItem::anchorRect(QRect(), std::nullopt, std::nullopt).isEmpty())
        << "a pointer that cannot be known (XWayland over a Wayland bar) anchors nothing";
}

TEST_F(StatusItemTest, DimmedItemShowsAFadedIconAndUndimmingRestoresIt) {
    StatusItem item;
    const int normal = highestAlpha(item.icon().pixmap(kStatusIconPixels).toImage());
    item.setDimmed(true);
    EXPECT_TRUE(item.isDimmed());
    const int dimmed = highestAlpha(item.icon().pixmap(kStatusIconPixels).toImage());
    EXPECT_EQ(normal, 255);
    EXPECT_NEAR(dimmed, 102, 3);
    item.setDimmed(false);
    EXPECT_EQ(highestAlpha(item.icon().pixmap(kStatusIconPixels).toImage()), 255);
}

TEST_F(StatusItemTest, PausedItemIsDimmedAndSaysWhyUntilResumed) {
    StatusItem item;
    const auto alpha = [&] {
        return highestAlpha(item.icon().pixmap(kStatusIconPixels).toImage());
    };
    item.setPaused(true);
    EXPECT_NEAR(alpha(), 102, 3);
    EXPECT_EQ(item.toolTip(), QStringLiteral("QUIB: paused while the screen is locked"));
    EXPECT_FALSE(item.isDimmed()) << "the pause is its own state";
    item.setDimmed(true);
    item.setPaused(false);
    EXPECT_NEAR(alpha(), 102, 3) << "still dimmed by the switch";
    EXPECT_EQ(item.toolTip(), QStringLiteral("QUIB"));
    item.setDimmed(false);
    EXPECT_EQ(alpha(), 255);
}

TEST_F(StatusItemTest, MutedToolTipShowsUnlessPausedSaysMore) {
    StatusItem item;
    item.setMutedToolTip(QStringLiteral("QUIB: muted during a call"));
    EXPECT_EQ(item.toolTip(), QStringLiteral("QUIB: muted during a call"));
    item.setPaused(true);
    EXPECT_EQ(item.toolTip(), QStringLiteral("QUIB: paused while the screen is locked"));
    item.setPaused(false);
    EXPECT_EQ(item.toolTip(), QStringLiteral("QUIB: muted during a call"));
    item.setMutedToolTip({});
    EXPECT_EQ(item.toolTip(), QStringLiteral("QUIB"));
}

TEST_F(StatusItemTest, ToolTipAndMenuOpenAndQuit) {
    StatusItem item;
    EXPECT_EQ(item.toolTip(), QStringLiteral("QUIB"));
    int opened = 0;
    int quits = 0;
    item.onClicked = [&] { ++opened; };
    item.onQuitRequested = [&] { ++quits; };
    QAction* open = menuAction(item, QStringLiteral("Open QUIB"));
    QAction* quit = menuAction(item, QStringLiteral("Quit QUIB"));
    ASSERT_NE(open, nullptr);
    ASSERT_NE(quit, nullptr);
    open->trigger();
    quit->trigger();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(quits, 1);
}

}  // namespace
}  // namespace quib
