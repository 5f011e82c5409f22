#include "panel/StatsTab.h"

namespace quib {

// FIXME: the labels are not built yet.
StatsTabView::StatsTabView(QWidget* parent) : QWidget(parent) {}

void StatsTabView::configure(const GameStats& gameStats) {
    m_gameStats = &gameStats;
    refresh();
}

void StatsTabView::refresh() {}

}  // namespace quib
