#include "panel/PopoverPanel.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include "panel/FocusTab.h"
#include "panel/PanelWindow.h"
#include "panel/ShopTab.h"
#include "panel/SoundsTab.h"
#include "panel/StatsTab.h"

namespace quib {

namespace {

constexpr int kRefreshIntervalMs = 1000;
// The window's own press and the feed's report of it come within this time.
constexpr double kPressPairingSeconds = 0.25;

}  // namespace

PopoverPanel::PopoverPanel(std::function<QRect()> anchor, const Clock* clock)
    : m_anchor(std::move(anchor)), m_clock(clock) {
    if (!m_clock) {
        m_ownClock = std::make_unique<SystemClock>();
        m_clock = m_ownClock.get();
    }
    m_refreshTimer.setInterval(kRefreshIntervalMs);
    QObject::connect(&m_refreshTimer, &QTimer::timeout, this, [this] {
        if (m_statsTab) {
            m_statsTab->refresh();
        }
    });
    m_pressJudgement.setSingleShot(true);
    m_pressJudgement.setInterval(kPressJudgementDelayMs);
    QObject::connect(&m_pressJudgement, &QTimer::timeout, this, [this] { judgePress(); });
}

PopoverPanel::~PopoverPanel() {
    if (m_watchingPresses) {
        qApp->removeEventFilter(this);
    }
}

double PopoverPanel::now() const {
    return m_clock->monotonicSeconds();
}

void PopoverPanel::toggle() {
    // A press that closed the panel a moment ago was most likely the press on
    // the tray icon whose activation this is: it must not reopen the panel.
    if (now() - m_lastDismissTime < kToggleDebounceSeconds) {
        return;
    }
    isVisible() ? dismiss() : show();
}

void PopoverPanel::show() {
    if (!m_panel) {
        buildPanel();
    }
    configureTabs();
    updateEnabledState(m_cachedEnabled);
    // Without the input feed, presses in other applications go unseen: the
    // window then takes the focus and closes when it loses it.
    m_panel->setTakesFocus(!pressFeedRunning());
    place();
    m_panel->show();
    m_panel->raise();
    if (m_panel->takesFocus()) {
        m_panel->activateWindow();
    }
    if (!m_watchingPresses) {
        qApp->installEventFilter(this);
        m_watchingPresses = true;
    }
    m_lastShowTime = now();
    m_refreshTimer.start();
}

void PopoverPanel::dismiss() {
    if (m_watchingPresses) {
        qApp->removeEventFilter(this);
        m_watchingPresses = false;
    }
    m_refreshTimer.stop();
    m_pressJudgement.stop();
    if (m_panel) {
        m_panel->hide();
    }
    m_lastDismissTime = now();
}

void PopoverPanel::forceRebuild() {
    dismiss();
    // A theme row of the panel may be the sender that got us here: the old
    // window goes once the event loop is back.
    if (m_panel) {
        m_panel.release()->deleteLater();
    }
    m_soundsTab = nullptr;
    m_focusTab = nullptr;
    m_statsTab = nullptr;
    m_shopTab = nullptr;
}

bool PopoverPanel::isVisible() const {
    return m_panel && m_panel->isVisible();
}

void PopoverPanel::globalPress() {
    // The feed may report the press that opened the panel after the panel
    // has opened; that one is not a press outside.
    if (!isVisible() || now() - m_lastShowTime < kToggleDebounceSeconds) {
        return;
    }
    m_pressJudgement.start();
}

// A press was inside when the pointer is over the window or the window got a
// press of its own just now; anything else was a press elsewhere. A round trip
// to the window system first brings in whatever it sent before the press (the
// pointer leaving, the window's own press), however busy the machine is.
void PopoverPanel::judgePress() {
    if (m_judging) {
        return;
    }
    m_judging = true;
    QGuiApplication::sync();
    m_judging = false;
    const bool pressedHere = now() - m_lastInsidePress < kPressPairingSeconds;
    const bool inside = pressedHere || (m_panel && m_panel->isPointerInside());
    if (isVisible() && !inside) {
        dismiss();
    }
}

void PopoverPanel::setPressFeedProbe(std::function<bool()> isRunning) {
    m_pressFeedProbe = std::move(isRunning);
}

// A press in another window of this application (the tray icon included)
// closes the panel; the press goes on to its target.
bool PopoverPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() && m_panel) {
        const QWidget* target = static_cast<QWidget*>(watched)->window();
        if (target == m_panel.get()) {
            m_lastInsidePress = now();
        } else if (isVisible()) {
            dismiss();
        }
    }
    return false;
}

void PopoverPanel::updateEnabledState(bool enabled) {
    m_cachedEnabled = enabled;
    if (m_panel) {
        m_panel->showEnabledState(enabled);
    }
}

void PopoverPanel::setPacks(const std::vector<PackInfo>& packs, const std::string& selected) {
    m_cachedPacks = packs;
    m_cachedPack = selected;
    if (m_soundsTab) {
        m_soundsTab->setPacks(packs, selected);  // shown by the configure that follows
    }
}

void PopoverPanel::setSoundsData(std::optional<SoundProfile> keyProfile,
                                 std::optional<SoundProfile> mouseProfile, float keyVolume,
                                 float mouseVolume, const GameStats& stats) {
    m_cachedKeyProfile = keyProfile;
    m_cachedMouseProfile = mouseProfile;
    m_cachedKeyVolume = keyVolume;
    m_cachedMouseVolume = mouseVolume;
    m_cachedGameStats = &stats;
    if (m_soundsTab) {
        m_soundsTab->configure(keyProfile, mouseProfile, keyVolume, mouseVolume, stats);
    }
    highlightRewardsTab();
}

void PopoverPanel::setStatsData(const GameStats& stats) {
    m_cachedGameStats = &stats;
    if (m_statsTab) {
        m_statsTab->configure(stats);
    }
    highlightRewardsTab();
}

void PopoverPanel::setShopData(const GameStats& stats) {
    m_cachedGameStats = &stats;
    if (m_shopTab) {
        m_shopTab->configure(stats);
    }
    highlightRewardsTab();
}

void PopoverPanel::setFocusData(const std::set<AmbientSound>& activeSounds,
                                std::optional<MusicTrack> currentTrack, bool isPlaying,
                                float volume, const GameStats& stats) {
    m_cachedActiveSounds = activeSounds;
    m_cachedCurrentTrack = currentTrack;
    m_cachedAmbientPlaying = isPlaying;
    m_cachedAmbientVolume = volume;
    m_cachedGameStats = &stats;
    if (m_focusTab) {
        m_focusTab->configure(activeSounds, currentTrack, isPlaying, volume, stats);
    }
    highlightRewardsTab();
}

void PopoverPanel::setClaimSuspended(bool suspended) {
    m_claimSuspended = suspended;
    if (m_shopTab) {
        m_shopTab->setClaimSuspended(suspended);
    }
}

}  // namespace quib
