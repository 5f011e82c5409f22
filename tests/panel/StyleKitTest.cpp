#include "panel/StyleKit.h"

#include "panel/FlatViews.h"
#include "panel/FloatingWindow.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <set>

#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib {
namespace {

using test::ThemeScope;

void expectColor(const QColor& actual, const Rgb& expected) {
    EXPECT_NEAR(actual.redF(), expected.r, 1e-4);
    EXPECT_NEAR(actual.greenF(), expected.g, 1e-4);
    EXPECT_NEAR(actual.blueF(), expected.b, 1e-4);
    EXPECT_EQ(actual.alphaF(), 1.0F);
}

// How much a line of capitals darkens a white strip: a heavier face more.
int inkOf(const QFont& font) {
    QImage image(240, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(4, 28), QStringLiteral("MWQ#@"));
    painter.end();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ink += 255 - qGray(image.pixel(x, y));
        }
    }
    return ink;
}

class StyleKitTest : public ::testing::Test {
  protected:
    void SetUp() override { test::application(); }
};

TEST_F(StyleKitTest, TextReadsInEveryThemeAndLockedColoursFadeBetweenGroundAndText) {
    std::set<QRgb> texts;
    for (AppTheme theme : allAppThemes()) {
        SCOPED_TRACE(std::string(rawValue(theme)));
        ThemeScope scope(theme);
        const QColor ground = style::brutalWhite();
        const auto against = [&ground](const QColor& c) { return contrastRatio(c, ground); };
        EXPECT_GE(against(style::brutalBlack()), 7.0) << "text";
        EXPECT_LT(against(style::brutalLockedBg()), against(style::brutalLockedBorder()));
        EXPECT_LT(against(style::brutalLockedBorder()), against(style::brutalLockedText()));
        EXPECT_LT(against(style::brutalLockedText()), against(style::brutalBlack()))
            << "locked text is fainter than text";
        EXPECT_GE(contrastRatio(style::brutalLockedText(), style::brutalLockedBg()), 1.5)
            << "yet it reads on a locked row";
        texts.insert(style::brutalBlack().rgb());
    }
    EXPECT_EQ(texts.size(), kAppThemeCount) << "each theme its own colours";
}

TEST_F(StyleKitTest, WithoutASourceEveryColourIsClassic) {
    style::setThemeSource(nullptr);
    EXPECT_EQ(style::activeTheme(), AppTheme::classic);
    expectColor(style::brutalAccent(), palette(AppTheme::classic).accent);
}

TEST_F(StyleKitTest, AccentContrastIsBlackOnlyAboveHalfLuma) {
    const struct {
        Rgb accent;
        QColor expected;
    } cases[] = {
        {{0.5, 0.5, 0.5}, Qt::white},  // luma 0.5 exactly: not above
        {{0.51, 0.51, 0.51}, Qt::black}, {{0.0, 0.85, 0.0}, Qt::white},  // Terminal: 0.499
        {{0.0, 0.75, 1.0}, Qt::black},                                   // Ice: 0.554
        {{1.0, 0.0, 0.0}, Qt::white},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(style::accentContrast(c.accent), c.expected) << c.accent.r << "," << c.accent.g;
    }
    ThemeScope scope(AppTheme::solar);
    EXPECT_EQ(style::brutalAccentContrast(), QColor(Qt::black));
    scope.set(AppTheme::classic);
    EXPECT_EQ(style::brutalAccentContrast(), QColor(Qt::white));
}

TEST_F(StyleKitTest, MonoTextIsMonospacedSpacedSizedAndWeightedAsAsked) {
    using style::Weight;
    const auto metrics = [](qreal size, Weight weight, qreal kern = 0) {
        return QFontMetricsF(style::monoAttrs(size, weight, std::nullopt, kern).font);
    };
    const QFontMetricsF plain = metrics(10, Weight::medium);
    EXPECT_DOUBLE_EQ(plain.horizontalAdvance(QStringLiteral("iiii")),
                     plain.horizontalAdvance(QStringLiteral("WWWW")))
        << "monospaced";
    EXPECT_NEAR(metrics(10, Weight::medium, 2).horizontalAdvance(QStringLiteral("WWWW")) -
                    plain.horizontalAdvance(QStringLiteral("WWWW")),
                4 * 2, 0.5)
        << "two pixels between letters";
    EXPECT_GT(metrics(18, Weight::medium).height(), plain.height());
    const auto ink = [](Weight weight) { return inkOf(style::monoAttrs(14, weight).font); };
    EXPECT_GT(ink(Weight::bold), ink(Weight::medium));
    EXPECT_GE(ink(Weight::heavy), ink(Weight::bold));
}

TEST_F(StyleKitTest, MonoTextTakesTheTextColourOfTheMomentUnlessGivenOne) {
    ThemeScope scope(AppTheme::classic);
    const style::TextAttrs classic = style::monoAttrs(10, style::Weight::bold);
    const QColor classicText = style::brutalBlack();
    scope.set(AppTheme::midnight);
    const style::TextAttrs midnight = style::monoAttrs(10, style::Weight::bold);
    EXPECT_EQ(classic.color, classicText) << "made in Classic, it keeps Classic's";
    EXPECT_EQ(midnight.color, style::brutalBlack());
    EXPECT_NE(classic.color, midnight.color);
    EXPECT_EQ(style::monoAttrs(9, style::Weight::medium, QColor(Qt::red)).color, QColor(Qt::red));
}

TEST_F(StyleKitTest, SectionHeadersRecedeFromTheTextYetReadInEveryTheme) {
    for (AppTheme theme : allAppThemes()) {
        SCOPED_TRACE(std::string(rawValue(theme)));
        ThemeScope scope(theme);
        QWidget parent;
        QLabel* header = style::makeSectionHeader(QStringLiteral("SOUNDS"), &parent);
        EXPECT_EQ(header->text(), QStringLiteral("// SOUNDS"));
        EXPECT_EQ(header->parentWidget(), &parent);
        const QColor colour = header->palette().color(QPalette::WindowText);
        const double contrast = contrastRatio(colour, style::brutalWhite());
        EXPECT_GE(contrast, 1.5);
        EXPECT_LT(contrast, contrastRatio(style::brutalBlack(), style::brutalWhite()));
    }
}

TEST_F(StyleKitTest, BottomLeftFramesBecomeTopLeftGeometry) {
    EXPECT_EQ(style::flipped({12, 9, 36, 36}, 52), QRect(12, 7, 36, 36));
    EXPECT_EQ(style::flipped({0, 468, 340, 52}, 520), QRect(0, 0, 340, 52));
    EXPECT_EQ(style::flipped({312, 4.5, 18, 18}, 28), QRect(312, 6, 18, 18));
    QWidget parent;
    parent.resize(340, 398);
    QWidget child(&parent);
    style::place(&child, {0, 0, 340, 28});
    EXPECT_EQ(child.geometry(), QRect(0, 370, 340, 28));
}

TEST_F(StyleKitTest, RowLooksFillOutlineOrFadeAndLockedRowsStayDisabled) {
    ThemeScope scope(AppTheme::midnight);
    const ThemePalette& p = palette(AppTheme::midnight);
    QWidget parent;
    FlatButton row(&parent);
    styleRow(row, RowLook::chosen, QStringLiteral("MX Blue"));
    EXPECT_EQ(row.title(), QStringLiteral("  MX BLUE"));
    EXPECT_EQ(row.fill().rgb(), style::color(p.accent).rgb());
    EXPECT_EQ(row.borderWidth(), 0);
    EXPECT_EQ(row.titleColor(), style::brutalAccentContrast());
    styleRow(row, RowLook::available, QStringLiteral("Rain"));
    EXPECT_FALSE(row.fill().isValid());
    EXPECT_EQ(row.borderColor().rgb(), style::color(p.text).rgb());
    EXPECT_EQ(row.borderWidth(), 2);
    EXPECT_TRUE(row.isEnabled());
    styleRow(row, RowLook::locked, QStringLiteral("Deep Focus"), QStringLiteral("COMING SOON"));
    EXPECT_EQ(row.title(), QStringLiteral("  COMING SOON"));
    EXPECT_EQ(row.fill(), style::brutalLockedBg());
    EXPECT_EQ(row.titleColor(), style::brutalLockedText());
    EXPECT_FALSE(row.isEnabled());
    styleRow(row, RowLook::available, QStringLiteral("Deep Focus"));
    EXPECT_FALSE(row.isEnabled());
}

}  // namespace
}  // namespace quib
