#include "panel/PanelPlacement.h"

#include <algorithm>

#include "panel/PanelWindow.h"

namespace quib {

namespace {

constexpr int kGap = 4;
constexpr int kInset = 8;

}  // namespace

QPoint panelOrigin(const QRect& anchor, const QRect& available, const QRect& screen) {
    const QSize window(PanelWindow::kPanelWidth + PanelWindow::kShadowOff,
                       PanelWindow::kPanelHeight + PanelWindow::kShadowOff);
    const int availableRight = available.x() + available.width();
    const int availableBottom = available.y() + available.height();
    int x = availableRight - window.width() - kInset;
    int y = available.y() + kInset;
    if (!screen.isEmpty()) {
        const int barAbove = available.y() - screen.y();
        const int barBelow = screen.y() + screen.height() - availableBottom;
        if (barBelow > barAbove) {
            y = availableBottom - window.height() - kInset;
        }
    }
    if (!anchor.isEmpty()) {
        x = anchor.x() + anchor.width() / 2 - PanelWindow::kPanelWidth / 2;
        const bool trayAtTop = anchor.center().y() < available.center().y();
        y = trayAtTop ? anchor.y() + anchor.height() + kGap : anchor.y() - window.height() - kGap;
    }
    x = std::max(available.x() + kInset, std::min(availableRight - window.width() - kInset, x));
    y = std::max(available.y(), std::min(availableBottom - window.height(), y));
    return {x, y};
}

}  // namespace quib
