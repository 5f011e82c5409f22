#pragma once

#include <QColor>
#include <QImage>

namespace quib {

// The status item's picture. The icon is a template: only its alpha channel
// counts. Linux trays do not tint icons as a menu bar does, so the program
// colours the mask itself, light on a dark panel and dark on a light one, and
// draws a dimmed variant for when input capture is switched off.

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

}  // namespace quib
