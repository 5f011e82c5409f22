#pragma once

#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "app/PanelInterfaces.h"
#include "panel/FloatingWindow.h"
#include "panel/StyleKit.h"

namespace quib {

class FlatButton;
class PermissionService;
class TextBlock;

// The first-run window: a 445 x 425 floating card in three steps. Step 0
// welcomes the user, step 1 leads to the input access ("OPEN SETTINGS" opens
// the access guide) and waits for it, polling once a second for as long as it
// takes, step 2 finishes. "START CLICKING" (or Return) on step 2 hides the
// window and reports onComplete once; so does closing it through the window
// manager, since a window closed that way must not leave QUIB deaf.
// Main thread only. (The steps' views are built in OnboardingSteps.cpp.)
class OnboardingWindow final : public OnboardingView {
  public:
    struct Intervals {
        std::chrono::milliseconds poll{1000};
        std::chrono::milliseconds afterGrant{1000};  // "// permission granted" stays this long
    };

    // settingsUrl: what "OPEN SETTINGS" opens. logo: the header logo; without a
    // readable image step 0 is laid out without it.
    OnboardingWindow(PermissionService& permission, std::string settingsUrl,
                     std::filesystem::path logo);
    OnboardingWindow(PermissionService& permission, std::string settingsUrl,
                     std::filesystem::path logo, Intervals intervals);
    ~OnboardingWindow() override;
    OnboardingWindow(const OnboardingWindow&) = delete;
    OnboardingWindow& operator=(const OnboardingWindow&) = delete;

    void show() override;

    // The window while shown, for the screenshots and tests.
    FloatingWindow* window() const { return m_completed ? nullptr : m_window.data(); }
    int currentStep() const { return m_currentStep; }
    bool isPolling() const { return m_permissionTimer.isActive(); }

    // Opens a URL on the desktop; a test may replace it.
    std::function<bool(const QUrl&)> openUrl;

  private:
    static constexpr qreal kLineSpacing = 4;  // between the lines of every text

    void buildStep(int step);
    void clearStep();
    void buildWelcome();
    void buildPermission();
    void buildFinish();
    TextBlock* addText(const QRectF& frame, const QString& text, const style::TextAttrs& attrs,
                       int maximumLines = 1);
    FlatButton* accentButton(const QString& title, qreal y, std::function<void()> action);
    void pollTick();
    void onPermissionGranted();
    void openSettings();
    void completeTapped();

    PermissionService& m_permission;
    std::string m_settingsUrl;
    std::filesystem::path m_logo;
    QPointer<FloatingWindow> m_window;
    QTimer m_permissionTimer;
    QTimer m_advanceTimer;
    int m_currentStep = 0;
    QPointer<FlatButton> m_settingsButton;
    QPointer<TextBlock> m_statusText;
    bool m_completed = false;
};

}  // namespace quib
