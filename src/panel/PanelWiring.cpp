// Building the panel's window and connecting its controls and tabs to the
// delegate. Every forwarding closure checks for the delegate at call time,
// so an action after the controller has gone does nothing.
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>

#include "panel/FlatViews.h"
#include "panel/FocusTab.h"
#include "panel/PanelPlacement.h"
#include "panel/PanelWindow.h"
#include "panel/PopoverPanel.h"
#include "panel/ShopTab.h"
#include "panel/SoundsTab.h"
#include "panel/StatsTab.h"

namespace quib {

namespace {

// REWARDS stands out while coins wait to be spent and it is not the tab shown.
bool rewardsHighlighted(const GameStats* stats) {
    return stats && stats->coins() > 0;
}

}  // namespace

void PopoverPanel::buildPanel() {
    m_panel = std::make_unique<PanelWindow>(m_currentTab);
    m_panel->onDeactivated = [this] { dismiss(); };
    wireChrome();
    buildContentArea();
}

void PopoverPanel::wireChrome() {
    const auto on = [this](FlatButton* button, void (PopoverPanel::*action)()) {
        QObject::connect(button, &FlatButton::clicked, this, [this, action] { (this->*action)(); });
    };
    on(m_panel->enabledToggle(), &PopoverPanel::toggleEnabled);
    on(m_panel->quitButton(), &PopoverPanel::quitTapped);
    on(m_panel->versionButton(), &PopoverPanel::checkForUpdatesTapped);
    on(m_panel->supportIcon(), &PopoverPanel::supportTapped);
    on(m_panel->supportLabel(), &PopoverPanel::supportTapped);
    for (FlatButton* button : m_panel->tabButtons()) {
        QObject::connect(button, &FlatButton::clicked, this,
                         [this, button] { selectTab(button->tag()); });
    }
}

void PopoverPanel::buildContentArea() {
    QWidget* area = m_panel->contentArea();
    m_soundsTab = new SoundsTabView(area);
    m_focusTab = new FocusTabView(area);
    m_statsTab = new StatsTabView(area);
    m_shopTab = new ShopTabView(area);
    const std::array<QWidget*, PanelWindow::kTabCount> tabs{m_soundsTab, m_focusTab, m_statsTab,
                                                            m_shopTab};
    for (int i = 0; i < PanelWindow::kTabCount; ++i) {
        tabs[i]->setGeometry(area->rect());
        tabs[i]->setVisible(i == m_currentTab);
    }
    m_shopTab->setClaimSuspended(m_claimSuspended);
    wireSoundsTab();
    wireFocusTab();
    wireShopTab();
}

void PopoverPanel::wireSoundsTab() {
    using D = PopoverPanelDelegate;
    m_soundsTab->onKeyProfileSelected = forward(&D::panelDidSelectKeyProfile);
    m_soundsTab->onMouseProfileSelected = forward(&D::panelDidSelectMouseProfile);
    m_soundsTab->onKeyPackSelected = forward(&D::panelDidSelectKeyPack);
    m_soundsTab->onKeyVolumeChanged = forward(&D::panelDidChangeKeyVolume);
    m_soundsTab->onMouseVolumeChanged = forward(&D::panelDidChangeMouseVolume);
    m_soundsTab->onTestSound = forward(&D::panelDidRequestTestSound);
}

void PopoverPanel::wireFocusTab() {
    using D = PopoverPanelDelegate;
    m_focusTab->onSoundSelected = forward(&D::panelDidSelectAmbientSound);
    m_focusTab->onVolumeChanged = forward(&D::panelDidChangeAmbientVolume);
    m_focusTab->onTrackSelected = forward(&D::panelDidSelectTrack);
    m_focusTab->onTrackPurchaseRequested = forward(&D::panelDidRequestPurchaseTrack);
}

void PopoverPanel::wireShopTab() {
    m_shopTab->onClaimReward = forward(&PopoverPanelDelegate::panelDidRequestClaimReward);
    m_shopTab->onThemeSelected = forward(&PopoverPanelDelegate::panelDidSelectTheme);
}

// Hands the cached data to the tabs; without a store they keep what they show.
void PopoverPanel::configureTabs() {
    if (!m_cachedGameStats) {
        return;
    }
    const GameStats& stats = *m_cachedGameStats;
    m_soundsTab->setPacks(m_cachedPacks, m_cachedPack);
    m_soundsTab->configure(m_cachedKeyProfile, m_cachedMouseProfile, m_cachedKeyVolume,
                           m_cachedMouseVolume, stats);
    m_statsTab->configure(stats);
    m_shopTab->configure(stats);
    m_focusTab->configure(m_cachedActiveSounds, m_cachedCurrentTrack, m_cachedAmbientPlaying,
                          m_cachedAmbientVolume, stats);
}

void PopoverPanel::selectTab(int index) {
    if (index == m_currentTab || index < 0 || index >= PanelWindow::kTabCount) {
        return;
    }
    m_currentTab = index;
    if (!m_panel) {
        return;
    }
    styleTabButtons();
    const std::array<QWidget*, PanelWindow::kTabCount> tabs{m_soundsTab, m_focusTab, m_statsTab,
                                                            m_shopTab};
    for (int i = 0; i < PanelWindow::kTabCount; ++i) {
        tabs[i]->setVisible(i == index);
    }
    if (index == 0) {
        m_soundsTab->scrollToTop();
    } else if (index == 1) {
        m_focusTab->scrollToTop();
    }
}

void PopoverPanel::styleTabButtons() {
    const auto& buttons = m_panel->tabButtons();
    for (int i = 0; i < PanelWindow::kTabCount; ++i) {
        PanelWindow::styleTabButton(buttons[i], PanelWindow::tabTitle(i), i == m_currentTab,
                                    i == 3 && rewardsHighlighted(m_cachedGameStats));
    }
}

void PopoverPanel::highlightRewardsTab() {
    if (!m_panel) {
        return;
    }
    PanelWindow::styleTabButton(m_panel->tabButtons()[3], PanelWindow::tabTitle(3),
                                m_currentTab == 3, rewardsHighlighted(m_cachedGameStats));
}

void PopoverPanel::place() {
    const QRect anchor = m_anchor ? m_anchor() : QRect();
    QScreen* screen = anchor.isEmpty() ? nullptr : QGuiApplication::screenAt(anchor.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen) {
        m_panel->move(panelOrigin(anchor, screen->availableGeometry(), screen->geometry()));
    }
}

void PopoverPanel::toggleEnabled() {
    // The switch shows its new state at once, before the controller reacts.
    const bool enabled = !m_cachedEnabled;
    updateEnabledState(enabled);
    if (m_delegate) {
        m_delegate->panelDidToggleEnabled(enabled);
    }
}

void PopoverPanel::quitTapped() {
    dismiss();
    if (m_delegate) {
        m_delegate->panelDidRequestQuit();
    }
}

void PopoverPanel::checkForUpdatesTapped() {
    if (m_delegate) {
        m_delegate->panelDidRequestCheckForUpdates();
    }
}

void PopoverPanel::supportTapped() {
    if (const QUrl url = supportPageUrl(); !url.isEmpty()) {
        QDesktopServices::openUrl(url);
    }
}

}  // namespace quib
