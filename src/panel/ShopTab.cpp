#include "panel/ShopTab.h"

namespace quib {

// FIXME: the content is not built yet.
ShopTabView::ShopTabView(QWidget* parent) : QWidget(parent) {}

void ShopTabView::configure(const GameStats& gameStats) {
    m_gameStats = &gameStats;
    refresh();
}

void ShopTabView::refresh() {}

void ShopTabView::setClaimSuspended(bool suspended) {
    m_claimSuspended = suspended;
    refresh();
}

}  // namespace quib
