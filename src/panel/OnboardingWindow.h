#pragma once

#include <QWidget>
#include <memory>

#include "app/PanelInterfaces.h"

namespace quib {

// The first-run window: what QUIB does and how to let it hear the keyboard.
// FIXME: a plain first version; the three-step styled card follows.
class OnboardingWindow final : public OnboardingView {
  public:
    explicit OnboardingWindow(std::string accessGuideUrl);
    ~OnboardingWindow() override;
    void show() override;
    QWidget* window() const { return m_window.get(); }

  private:
    std::string m_accessGuideUrl;
    std::unique_ptr<QWidget> m_window;
    bool m_completed = false;
};

}  // namespace quib
