#pragma once

#include <QPointer>
#include <memory>
#include <optional>
#include <string_view>

#include "app/PanelInterfaces.h"
#include "panel/FloatingWindow.h"
#include "platform/RandomSource.h"
#include "reward/Reel.h"
#include "reward/StepTimer.h"

class QLabel;
class QParallelAnimationGroup;
class QWidget;

namespace quib {

class FlatButton;

// The kind of a reward as the window's header names it.
std::string_view label(RewardType type);

// Reveals a won reward like a slot machine: a floating 425 x 325 card cycles
// through the still-locked names of the won kind, fast at first and slowing
// down (Reel), stops on the winner and fades in its name and the buttons
// "> APPLY" (also Return), "> TEST SOUND" (not for themes) and "SKIP".
//
// It decides nothing about the reward: it reports onTick on every reel step,
// onTestSound and onApplyName with the winner's name as given, and onDismiss
// exactly once, whichever way the window goes: a button, the window manager's
// close, or the spinner being destroyed while still shown (the program
// quitting). Main thread only. (The views are built in RewardSpinnerViews.cpp.)
class RewardSpinner final : public RewardSpinnerView {
  public:
    explicit RewardSpinner(RandomSource& random,
                           std::unique_ptr<StepTimer> timer = std::make_unique<QtStepTimer>());
    ~RewardSpinner() override;
    RewardSpinner(const RewardSpinner&) = delete;
    RewardSpinner& operator=(const RewardSpinner&) = delete;

    void show(const std::vector<std::string>& candidates, const std::string& winner,
              RewardType type) override;

    // The window while shown (for the screenshots and tests); the views in it
    // carry object names: typeLabel, profileLabel, titleLabel, buttonContainer,
    // applyButton, testButton, closeButton, and the fade "reveal".
    FloatingWindow* window() const { return m_dismissed ? nullptr : m_window.data(); }
    const Reel* reel() const { return m_reel ? &*m_reel : nullptr; }
    bool isLanded() const { return m_landed; }

  private:
    void buildWindow();
    void buildButtons(QWidget* card);
    void scheduleNextSpin();
    void spinStep();
    void onLanded();
    void fadeIn();
    void testTapped();
    void applyTapped();
    void closeTapped();
    void closeWindow();

    RandomSource& m_random;
    std::unique_ptr<StepTimer> m_spinTimer;
    std::optional<Reel> m_reel;
    RewardType m_rewardType = RewardType::keyboard;
    QPointer<FloatingWindow> m_window;
    QLabel* m_typeLabel = nullptr;
    QLabel* m_profileLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QWidget* m_buttonContainer = nullptr;
    FlatButton* m_testButton = nullptr;
    bool m_landed = false;
    bool m_dismissed = false;
};

}  // namespace quib
