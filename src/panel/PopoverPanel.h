#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/PanelInterfaces.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace quib {

// The drop-down panel under the tray icon.
// FIXME: a plain first version (status, profiles, reward claim, switch, quit);
// the styled four-tab panel replaces its insides behind the same interface.
class PopoverPanel final : public PanelView {
  public:
    // anchor: where the tray icon is, in screen coordinates (may be empty).
    explicit PopoverPanel(std::function<QRect()> anchor);
    ~PopoverPanel() override;

    void setDelegate(PopoverPanelDelegate* delegate) override { m_delegate = delegate; }
    void toggle() override;
    void show() override;
    void dismiss() override;
    void forceRebuild() override;
    bool isVisible() const override;
    void updateEnabledState(bool enabled) override;
    void setSoundsData(std::optional<SoundProfile> keyProfile,
                       std::optional<SoundProfile> mouseProfile, float keyVolume, float mouseVolume,
                       const GameStats& stats) override;
    void setStatsData(const GameStats& stats) override;
    void setShopData(const GameStats& stats) override;
    void setFocusData(const std::set<AmbientSound>& activeSounds,
                      std::optional<MusicTrack> currentTrack, bool isPlaying, float volume,
                      const GameStats& stats) override;

    QWidget* window() const { return m_window.get(); }

  private:
    void build();
    void place();
    void refreshStats();
    void fillProfiles(QComboBox* box, std::optional<SoundProfile> current, bool keyboard);

    std::function<QRect()> m_anchor;
    PopoverPanelDelegate* m_delegate = nullptr;
    std::unique_ptr<QWidget> m_window;
    QLabel* m_stats = nullptr;
    QPushButton* m_enabledToggle = nullptr;
    QPushButton* m_claim = nullptr;
    QComboBox* m_keyProfiles = nullptr;
    QComboBox* m_mouseProfiles = nullptr;
    QTimer m_refreshTimer;
    const GameStats* m_cachedGameStats = nullptr;
    bool m_enabled = true;
    bool m_filling = false;
};

}  // namespace quib
