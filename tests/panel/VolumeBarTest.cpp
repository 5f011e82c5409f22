#include "panel/VolumeBar.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QtTest/QTest>

#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib {
namespace {

class VolumeBarTest : public ::testing::Test {
  protected:
    void SetUp() override {
        parent.resize(300, 100);
        bar = new VolumeBar(&parent);
        bar->setFrame({40, 40, 200, 20});
        bar->onChanged = [this](float v) { reports.push_back(v); };
    }

    // x in the bar's logical coordinates (0 = the track's left end).
    void press(qreal x) {
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(int(x) + VolumeBar::kKnobOverhang, 10));
    }
    void dragTo(qreal x) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x + VolumeBar::kKnobOverhang, 10),
                         bar->mapToGlobal(QPointF(x, 10)), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(bar, &move);
    }

    QApplication& app = test::application();
    test::ThemeScope theme{AppTheme::classic};
    QWidget parent;
    VolumeBar* bar = nullptr;
    std::vector<float> reports;
};

TEST_F(VolumeBarTest, ANewBarIsFullAndItsTrackLeavesFiftyForTheLabel) {
    EXPECT_EQ(bar->value(), 1.0F);
    EXPECT_EQ(bar->percentText(), QStringLiteral("100%"));
    EXPECT_EQ(bar->trackRect(), QRectF(0, 7, 150, 6));
    EXPECT_EQ(bar->labelRect(), QRectF(158, 2, 42, 16));
    EXPECT_EQ(bar->geometry(), QRect(33, 40, 214, 20));
}

TEST_F(VolumeBarTest, PressesAndDragsSetClampedValuesAndReportEachEvent) {
    press(75);
    EXPECT_FLOAT_EQ(bar->value(), 0.5F);
    EXPECT_EQ(bar->percentText(), QStringLiteral("50%"));
    EXPECT_EQ(bar->fillRect(), QRectF(0, 7, 75, 6));
    EXPECT_EQ(bar->knobRect(), QRectF(68, 3, 14, 14));
    dragTo(-20);
    EXPECT_EQ(bar->value(), 0.0F);
    EXPECT_EQ(bar->percentText(), QStringLiteral("0%"));
    dragTo(400);
    EXPECT_EQ(bar->value(), 1.0F);
    EXPECT_EQ(reports, (std::vector<float>{0.5F, 0.0F, 1.0F}));
}

TEST_F(VolumeBarTest, ValuesFromCodeRedrawTruncatedWithoutReporting) {
    const struct {
        float value;
        const char* text;
    } cases[] = {{0.999F, "99%"}, {0.005F, "0%"}, {0.5F, "50%"}, {0.0F, "0%"}};
    for (const auto& c : cases) {
        bar->setValue(c.value);
        EXPECT_EQ(bar->percentText(), QString::fromLatin1(c.text)) << c.value;
    }
    EXPECT_TRUE(reports.empty());
}

}  // namespace
}  // namespace quib
