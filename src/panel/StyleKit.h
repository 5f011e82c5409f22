#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <functional>
#include <optional>

#include "progression/AppTheme.h"

class QLabel;
class QWidget;

// The one flat look of every QUIB window: the active theme's colours, the
// derived locked colours, monospaced text attributes and the section header.
// Nothing else in the windows names a colour.
//
// The kit holds no state but the theme source: every colour function asks the
// source anew, so whatever is built after a theme change is built in the new
// theme, while widgets that already exist keep the colours they were given
// until their owner rebuilds them. Main thread only.
namespace quib::style {

// Where the active theme comes from: the application hands in the store's
// active theme; without a source every colour is Classic's.
void setThemeSource(std::function<AppTheme()> source);
AppTheme activeTheme();

QColor color(const Rgb& rgb);
QColor brutalBlack();  // the theme's text colour
QColor brutalWhite();  // the theme's background colour
QColor brutalGrayMid();
QColor brutalGrayLight();
QColor brutalAccent();
QColor brutalAccentContrast();  // black on a light accent (luma > 0.5), else white
QColor brutalLockedBg();        // the background moved 20 % towards the text colour
QColor brutalLockedBorder();    // 30 %
QColor brutalLockedText();      // 45 %

// The colour at an opacity (0 to 1), for text that recedes into its strip.
QColor faded(const QColor& color, qreal opacity);

// The colour, unless it can hardly be told from the ground it is drawn on
// (Terminal's accent is its text colour, on which the header's ON would
// vanish); then the fallback.
QColor legibleOn(const QColor& color, const QColor& ground, const QColor& fallback);

// The accent-contrast rule for any accent: BT.601 luma on the sRGB values as
// they are; strictly above 0.5 gives black.
QColor accentContrast(const Rgb& accent);

// Font, kern and foreground colour of a text: the system's monospaced font at
// a pixel size (one point is one pixel at scale 1) and weight, with absolute
// letter spacing.
struct TextAttrs {
    QFont font;
    qreal kern = 0;
    QColor color;
};

enum class Weight { medium, bold, heavy };

// color: the foreground; brutalBlack() when absent.
TextAttrs monoAttrs(qreal size, Weight weight, std::optional<QColor> color = std::nullopt,
                    qreal kern = 0);

// A label reading "// " + title, 10 px bold, mid grey, kern 3, clear background.
// The caller places it.
QLabel* makeSectionHeader(const QString& title, QWidget* parent);

// Sets a label's text with the given attributes.
void setText(QLabel* label, const QString& text, const TextAttrs& attrs);

// Frames are given in points with the origin at the parent's bottom left and y
// growing upwards; Qt's origin is the top left. The one conversion:
// y_qt = parentHeight - y - h, each edge rounded to whole pixels.
QRect flipped(const QRectF& frame, qreal parentHeight);
// Places a child widget at a bottom-left frame inside its parent.
void place(QWidget* child, const QRectF& frame);

}  // namespace quib::style
