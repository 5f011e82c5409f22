#pragma once

#include <QPoint>
#include <QRect>

namespace quib {

// Where the panel's window (345 × 525 with its shadow) goes: its top-left
// corner in global coordinates.
//
// anchor is the tray icon's rectangle, empty when there is no tray or it
// cannot tell where its icon is; available is the available geometry of the
// screen the icon is on, and screen that screen's whole geometry. Under an icon
// in the upper half of the screen the panel hangs 4 pixels below it, over one
// in the lower half it stands 4 above it, its body (without the shadow)
// centred on the icon either way. Without an icon it takes the right corner
// on the side where a bar takes more of the screen (the tray is most likely
// there): the bottom right when the bar is at the bottom, the top right
// otherwise (also when screen is not given). It is then kept 8 pixels inside
// the available area sideways (the left edge wins on a screen too narrow for
// both) and inside it vertically.
QPoint panelOrigin(const QRect& anchor, const QRect& available, const QRect& screen = QRect());

}  // namespace quib
