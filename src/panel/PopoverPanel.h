#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/PanelInterfaces.h"
#include "platform/Clock.h"

namespace quib {

class FocusTabView;
class PanelWindow;
class ShopTabView;
class SoundsTabView;
class StatsTabView;

// The drop-down panel under the tray icon: the window with its four tabs,
// the latest data the controller pushed (so that freshly built tabs can be
// filled), and every user action reported to the delegate.
//
// It closes on a left or right press anywhere outside it without swallowing
// the press: the input feed reports every press on the desktop (globalPress),
// and the window's own enter and leave events tell whether the pointer was
// over it; presses in the application's other windows are seen directly.
// Without an input feed the window takes the focus instead and closes when it
// loses it. While open it refreshes the STATS tab once a second.
class PopoverPanel final : public PanelView, private QObject {
  public:
    static constexpr double kToggleDebounceSeconds = 0.3;
    // The feed may report a press before the window has seen the pointer come
    // in, or its own press: a reported press is judged this much later.
    static constexpr int kPressJudgementDelayMs = 50;

    // anchor: where the tray icon is, in global coordinates (empty: no tray).
    // clock: for the debounce; the system's monotonic clock when absent.
    explicit PopoverPanel(std::function<QRect()> anchor, const Clock* clock = nullptr);
    ~PopoverPanel() override;

    // PanelView
    void setDelegate(PopoverPanelDelegate* delegate) override { m_delegate = delegate; }
    void toggle() override;
    void show() override;
    void dismiss() override;
    void forceRebuild() override;
    bool isVisible() const override;
    void updateEnabledState(bool enabled) override;
    void setPacks(const std::vector<PackInfo>& packs, const std::string& selected) override;
    void setSoundsData(std::optional<SoundProfile> keyProfile,
                       std::optional<SoundProfile> mouseProfile, float keyVolume, float mouseVolume,
                       const GameStats& stats) override;
    void setStatsData(const GameStats& stats) override;
    void setShopData(const GameStats& stats) override;
    void setFocusData(const std::set<AmbientSound>& activeSounds,
                      std::optional<MusicTrack> currentTrack, bool isPlaying, float volume,
                      const GameStats& stats) override;
    void setClaimSuspended(bool suspended) override;
    void globalPress() override;
    void setPressFeedProbe(std::function<bool()> isRunning) override;

    // What a click on a tab button does; also for tests and screenshots.
    void selectTab(int index);
    int currentTab() const { return m_currentTab; }
    bool isRefreshing() const { return m_refreshTimer.isActive(); }
    bool isJudgingPress() const { return m_pressJudgement.isActive(); }
    PanelWindow* window() const { return m_panel.get(); }
    SoundsTabView* soundsTab() const { return m_soundsTab; }
    FocusTabView* focusTab() const { return m_focusTab; }
    StatsTabView* statsTab() const { return m_statsTab; }
    ShopTabView* shopTab() const { return m_shopTab; }

  private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // PanelWiring.cpp
    void buildPanel();
    void buildContentArea();
    void wireSoundsTab();
    void wireFocusTab();
    void wireShopTab();
    void wireChrome();
    void highlightRewardsTab();
    void styleTabButtons();
    void configureTabs();
    void place();
    void toggleEnabled();
    void quitTapped();
    void checkForUpdatesTapped();
    void supportTapped();

    // A closure that passes its arguments to the delegate operation, if there
    // is a delegate at the time of the call.
    // (GCC 12 under AddressSanitizer warns that the member pointer's call
    // "may be used uninitialized" where it is inlined into std::function; it
    // is initialised, as every caller passes a member of the delegate.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
    template <typename... Args>
    std::function<void(Args...)> forward(void (PopoverPanelDelegate::*operation)(Args...)) {
        return [this, operation](Args... args) {
            if (m_delegate) {
                (m_delegate->*operation)(args...);
            }
        };
    }
#pragma GCC diagnostic pop

    void judgePress();
    double now() const;
    bool pressFeedRunning() const {
        return m_pressFeedProbe && m_pressFeedProbe();
    }

    std::function<QRect()> m_anchor;
    const Clock* m_clock;
    std::unique_ptr<Clock> m_ownClock;
    PopoverPanelDelegate* m_delegate = nullptr;
    std::function<bool()> m_pressFeedProbe;
    std::unique_ptr<PanelWindow> m_panel;
    SoundsTabView* m_soundsTab = nullptr;
    FocusTabView* m_focusTab = nullptr;
    StatsTabView* m_statsTab = nullptr;
    ShopTabView* m_shopTab = nullptr;
    QTimer m_refreshTimer;
    QTimer m_pressJudgement;
    bool m_watchingPresses = false;
    double m_lastInsidePress = -1e9;
    bool m_judging = false;
    int m_currentTab = 0;

    std::vector<PackInfo> m_cachedPacks;
    std::string m_cachedPack;
    std::optional<SoundProfile> m_cachedKeyProfile;
    std::optional<SoundProfile> m_cachedMouseProfile;
    float m_cachedKeyVolume = 0.5F;
    float m_cachedMouseVolume = 0.5F;
    const GameStats* m_cachedGameStats = nullptr;
    bool m_cachedEnabled = true;
    std::set<AmbientSound> m_cachedActiveSounds;
    std::optional<MusicTrack> m_cachedCurrentTrack;
    bool m_cachedAmbientPlaying = false;
    float m_cachedAmbientVolume = 0.5F;
    bool m_claimSuspended = false;
    double m_lastDismissTime = -1e9;
    double m_lastShowTime = -1e9;
};

}  // namespace quib
