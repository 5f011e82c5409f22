#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace quib {

// The status item's picture. The icon is a template: only its alpha channel
// counts. Linux trays do not tint icons as a menu bar does, so the program
// colours the mask itself, light on a dark bar and dark on a light one, inside
// a thin rim of the other colour so that it still reads on a bar whose colour
// was guessed wrong, and draws a dimmed variant for when input capture is
// switched off.

// The side of the icon in device pixels: 18 points at twice the density.
inline constexpr int kStatusIconPixels = 36;

// The bundled "menubar-icon@2x.png" from the resource directory, else the
// drawn fallback glyph. Never null.
QImage statusTemplateImage();

// A keyboard with an ellipsis badge, drawn in black on transparent.
QImage drawStatusFallbackGlyph(int pixels);

// Every pixel takes the colour; the template's alpha (times the colour's own
// alpha) is kept.
QImage recolouredMask(const QImage& templateImage, const QColor& colour);

// The template with its alpha scaled by opacity (0 to 1).
QImage fadedImage(const QImage& image, double opacity);

// The glyph colour that reads on a panel of the given window colour.
QColor statusGlyphColour(const QColor& windowColour);

// The colour of the bar the item sits in where the desktop fixes it whatever
// the applications' palette, from $XDG_CURRENT_DESKTOP (a colon-separated
// list): GNOME Shell's top bar is near black in every stock theme, as are
// Unity's, sway's and Hyprland's usual bars; GNOME Classic's is light. Invalid
// for every other desktop: its bar then follows the palette (Plasma's does).
QColor desktopBarColour(const QString& currentDesktops);

// The status icon for a bar of the given colour: the template in the glyph
// colour for that bar, over a rim (radius in pixels) of the opposite colour at
// rimOpacity.
QImage statusIconImage(const QImage& templateImage, const QColor& barColour, int rimRadius = 2,
                       double rimOpacity = 0.8);

}  // namespace quib
