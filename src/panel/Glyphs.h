#pragma once

#include <QColor>
#include <QIcon>
#include <QSize>

// The panel's few pictures: one-colour SVG glyphs of our own, compiled into
// the program as Qt resources and drawn in whatever colour the caller takes
// from the style kit.
namespace quib::style {

enum class Glyph { speakerOn, speakerMuted, support };

// The glyph filled with `tint` at a logical size, rendered at the screen's
// pixel ratio so it stays sharp on HiDPI screens. Null when the resource
// cannot be read (the caller's button then stays blank but clickable).
QIcon glyph(Glyph glyph, const QColor& tint, QSize size);

}  // namespace quib::style
