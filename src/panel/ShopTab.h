#pragma once

#include <QWidget>
#include <functional>

#include "progression/AppTheme.h"
#include "progression/GameStats.h"

class QLabel;

namespace quib {

class FlatButton;
class ScrollPage;

// The REWARDS tab: the wallet, the reward claim, the themes and the
// achievements by category. Rebuilt on every refresh(); it changes nothing
// itself: the controller acts on the two callbacks and pushes new data.
class ShopTabView final : public QWidget {
  public:
    explicit ShopTabView(QWidget* parent);

    void configure(const GameStats& gameStats);
    void refresh();
    // While a reward window is shown the claim button is disabled.
    void setClaimSuspended(bool suspended);

    std::function<void()> onClaimReward;
    std::function<void(AppTheme)> onThemeSelected;

    QLabel* coinsLabel() const { return m_coinsLabel; }
    FlatButton* claimButton() const { return m_claimButton; }
    ScrollPage* scrollView() const { return m_scrollView; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    qreal addWallet(qreal y);
    qreal addThemes(qreal y);
    qreal addAchievements(qreal y);
    QLabel* addLabel(const QRectF& frame, const QString& text, qreal size, bool bold,
                     const QColor& color, qreal kern);
    void addRule(qreal y);

    const GameStats* m_gameStats = nullptr;
    bool m_claimSuspended = false;
    QColor m_background;
    QLabel* m_coinsLabel = nullptr;
    FlatButton* m_claimButton = nullptr;
    ScrollPage* m_scrollView = nullptr;
};

}  // namespace quib
