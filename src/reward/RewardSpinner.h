#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

#include "app/PanelInterfaces.h"

class QLabel;
class QPushButton;

namespace quib {

// Reveals a won reward: the names spin past, slowing down, and stop on the
// winner; then TEST SOUND, APPLY and SKIP.
// FIXME: a plain first version of the reel; the styled slot machine follows.
class RewardSpinner final : public RewardSpinnerView {
  public:
    RewardSpinner();
    ~RewardSpinner() override;

    void show(const std::vector<std::string>& candidates, const std::string& winner,
              RewardType type) override;
    QWidget* window() const { return m_window.get(); }

  private:
    void step();
    void land();
    void close();

    std::unique_ptr<QWidget> m_window;
    QLabel* m_reel = nullptr;
    QLabel* m_caption = nullptr;
    QPushButton* m_test = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_skip = nullptr;
    QTimer m_timer;
    std::vector<std::string> m_candidates;
    std::string m_winner;
    RewardType m_type = RewardType::keyboard;
    int m_step = 0;
    int m_interval = 50;
    bool m_dismissed = false;
};

}  // namespace quib
