#pragma once

#include <QWidget>
#include <functional>

#include "progression/AppTheme.h"
#include "progression/GameStats.h"

namespace quib {

class FlatButton;
class ScrollPage;

// The REWARDS tab: the wallet, the reward claim, the themes and the
// achievements by category. Rebuilt on every refresh().
class ShopTabView final : public QWidget {
  public:
    explicit ShopTabView(QWidget* parent);

    void configure(const GameStats& gameStats);
    void refresh();
    // While a reward window is shown the claim button is disabled.
    void setClaimSuspended(bool suspended);

    std::function<void()> onClaimReward;
    std::function<void(AppTheme)> onThemeSelected;

  private:
    const GameStats* m_gameStats = nullptr;
    bool m_claimSuspended = false;
    FlatButton* m_claimButton = nullptr;
    ScrollPage* m_scrollView = nullptr;
};

}  // namespace quib
