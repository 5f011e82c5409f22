#include "panel/StyleKit.h"

#include <QFontDatabase>
#include <QLabel>
#include <QWidget>
#include <cmath>

namespace quib::style {

namespace {

std::function<AppTheme()>& themeSource() {
    static std::function<AppTheme()> source;
    return source;
}

const ThemePalette& activePalette() {
    return palette(activeTheme());
}

// Each channel of the background moved `towardsText` of the way to the text colour.
QColor lockedMix(double towardsText) {
    const ThemePalette& p = activePalette();
    const auto mix = [towardsText](double bg, double text) {
        return (1.0 - towardsText) * bg + towardsText * text;
    };
    return color({mix(p.bg.r, p.text.r), mix(p.bg.g, p.text.g), mix(p.bg.b, p.text.b)});
}

QFont::Weight qtWeight(Weight weight) {
    switch (weight) {
        case Weight::medium:
            return QFont::Medium;
        case Weight::bold:
            return QFont::Bold;
        case Weight::heavy:
            return QFont::Black;
    }
    return QFont::Normal;
}

}  // namespace

void setThemeSource(std::function<AppTheme()> source) {
    themeSource() = std::move(source);
}

AppTheme activeTheme() {
    const auto& source = themeSource();
    return source ? source() : AppTheme::classic;
}

QColor color(const Rgb& rgb) {
    return QColor::fromRgbF(static_cast<float>(rgb.r), static_cast<float>(rgb.g),
                            static_cast<float>(rgb.b));
}

QColor brutalBlack() {
    return color(activePalette().text);
}

QColor brutalWhite() {
    return color(activePalette().bg);
}

QColor brutalGrayMid() {
    return color(activePalette().grayMid);
}

QColor brutalGrayLight() {
    return color(activePalette().grayLight);
}

QColor brutalAccent() {
    return color(activePalette().accent);
}

QColor faded(const QColor& color, qreal opacity) {
    QColor result = color;
    result.setAlphaF(static_cast<float>(opacity));
    return result;
}

QColor legibleOn(const QColor& color, const QColor& ground, const QColor& fallback) {
    // Below a fifth of the range on every channel the two read as one colour.
    constexpr float kLeastDifference = 0.2F;
    const bool distinct = std::abs(color.redF() - ground.redF()) >= kLeastDifference ||
                          std::abs(color.greenF() - ground.greenF()) >= kLeastDifference ||
                          std::abs(color.blueF() - ground.blueF()) >= kLeastDifference;
    return distinct ? color : fallback;
}

QColor accentContrast(const Rgb& accent) {
    const double luma = 0.299 * accent.r + 0.587 * accent.g + 0.114 * accent.b;
    return luma > 0.5 ? QColor(Qt::black) : QColor(Qt::white);
}

QColor brutalAccentContrast() {
    return accentContrast(activePalette().accent);
}

QColor brutalLockedBg() {
    return lockedMix(0.2);
}

QColor brutalLockedBorder() {
    return lockedMix(0.3);
}

QColor brutalLockedText() {
    return lockedMix(0.45);
}

TextAttrs monoAttrs(qreal size, Weight weight, std::optional<QColor> color, qreal kern) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setWeight(qtWeight(weight));
    font.setLetterSpacing(QFont::AbsoluteSpacing, kern);
    font.setKerning(false);
    return {font, kern, color ? *color : brutalBlack()};
}

void setText(QLabel* label, const QString& text, const TextAttrs& attrs) {
    label->setFont(attrs.font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, attrs.color);
    palette.setColor(QPalette::Text, attrs.color);
    label->setPalette(palette);
    label->setText(text);
}

QLabel* makeSectionHeader(const QString& title, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setText(label, QStringLiteral("// ") + title, monoAttrs(10, Weight::bold, brutalGrayMid(), 3));
    return label;
}

QRect flipped(const QRectF& frame, qreal parentHeight) {
    const auto left = static_cast<int>(std::lround(frame.x()));
    const auto right = static_cast<int>(std::lround(frame.x() + frame.width()));
    const auto top = static_cast<int>(std::lround(parentHeight - frame.y() - frame.height()));
    const auto bottom = static_cast<int>(std::lround(parentHeight - frame.y()));
    return {left, top, right - left, bottom - top};
}

void place(QWidget* child, const QRectF& frame) {
    const QWidget* parent = child->parentWidget();
    child->setGeometry(flipped(frame, parent ? parent->height() : 0));
}

}  // namespace quib::style
