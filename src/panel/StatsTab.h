#pragma once

#include <QWidget>

#include "progression/GameStats.h"

namespace quib {

// The STATS tab: level, title, XP in the level, a text progress bar and the
// activity lines. The labels are made once; refresh() rewrites their texts
// (the panel calls it every second while it is open).
class StatsTabView final : public QWidget {
  public:
    explicit StatsTabView(QWidget* parent);

    void configure(const GameStats& gameStats);
    void refresh();

  private:
    const GameStats* m_gameStats = nullptr;
};

}  // namespace quib
