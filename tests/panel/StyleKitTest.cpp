#include "panel/StyleKit.h"

#include "panel/FlatViews.h"

#include <gtest/gtest.h>

#include <QLabel>

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

Rgb mix(const Rgb& bg, const Rgb& text, double towardsText) {
    const auto m = [towardsText](double b, double t) {
        return (1 - towardsText) * b + towardsText * t;
    };
    return {m(bg.r, text.r), m(bg.g, text.g), m(bg.b, text.b)};
}

class StyleKitTest : public ::testing::Test {
  protected:
    void SetUp() override { test::application(); }
};

TEST_F(StyleKitTest, ColoursFollowTheActiveThemeAndItsLockedMixes) {
    for (AppTheme theme : allAppThemes()) {
        SCOPED_TRACE(std::string(rawValue(theme)));
        ThemeScope scope(theme);
        const ThemePalette& p = palette(theme);
        expectColor(style::brutalBlack(), p.text);
        expectColor(style::brutalWhite(), p.bg);
        expectColor(style::brutalGrayMid(), p.grayMid);
        expectColor(style::brutalGrayLight(), p.grayLight);
        expectColor(style::brutalAccent(), p.accent);
        expectColor(style::brutalLockedBg(), mix(p.bg, p.text, 0.2));
        expectColor(style::brutalLockedBorder(), mix(p.bg, p.text, 0.3));
        expectColor(style::brutalLockedText(), mix(p.bg, p.text, 0.45));
    }
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

TEST_F(StyleKitTest, MonoAttrsTakeTheTextColourOfTheMomentAndTheGivenMetrics) {
    ThemeScope scope(AppTheme::classic);
    const style::TextAttrs classic = style::monoAttrs(10, style::Weight::bold, std::nullopt, 2);
    scope.set(AppTheme::midnight);
    const style::TextAttrs midnight = style::monoAttrs(18, style::Weight::heavy);
    expectColor(classic.color, palette(AppTheme::classic).text);
    expectColor(midnight.color, palette(AppTheme::midnight).text);
    EXPECT_EQ(classic.font.pixelSize(), 10);
    EXPECT_EQ(classic.font.weight(), QFont::Bold);
    EXPECT_EQ(classic.font.letterSpacing(), 2);
    EXPECT_EQ(classic.font.letterSpacingType(), QFont::AbsoluteSpacing);
    EXPECT_TRUE(QFontInfo(classic.font).fixedPitch());
    EXPECT_EQ(midnight.font.weight(), QFont::Black);
    EXPECT_EQ(style::monoAttrs(9, style::Weight::medium, QColor(Qt::red)).color, QColor(Qt::red));
}

TEST_F(StyleKitTest, SectionHeaderReadsSlashesAndTitleInMidGrey) {
    ThemeScope scope(AppTheme::blood);
    QWidget parent;
    QLabel* header = style::makeSectionHeader(QStringLiteral("SOUNDS"), &parent);
    EXPECT_EQ(header->text(), QStringLiteral("// SOUNDS"));
    EXPECT_EQ(header->parentWidget(), &parent);
    EXPECT_EQ(header->font().pixelSize(), 10);
    EXPECT_EQ(header->font().letterSpacing(), 3);
    expectColor(header->palette().color(QPalette::WindowText), palette(AppTheme::blood).grayMid);
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
