#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "progression/GameStats.h"
#include "sound/SoundProfile.h"
#include "sound/packs/SoundPack.h"

namespace quib {

class FlatButton;
class ScrollPage;
class VolumeBar;

// The SOUNDS tab: mute and volume for the keyboard and the mouse, then the
// keyboard and mouse profile lists (three rows each until expanded; locked
// profiles read "  LOCKED" and cannot be clicked). The expanded keyboard list
// ends with the imported sound packs, tagged PACK (never locked; a broken one
// reads BROKEN and cannot be clicked). The tab owns no settings:
// every choice goes out through the callbacks and the real state comes back
// through configure(). The whole content is thrown away and rebuilt on every
// change; a tap keeps the scroll position, a configure from outside shows the
// top unless a tap is in progress.
class SoundsTabView final : public QWidget {
  public:
    static constexpr int kVisibleCount = 3;
    static constexpr int kMargin = 12;
    static constexpr int kProfileButtonHeight = 24;
    static constexpr int kProfileButtonSpacing = 2;
    static constexpr int kRowPitch = kProfileButtonHeight + kProfileButtonSpacing;

    explicit SoundsTabView(QWidget* parent);

    void configure(std::optional<SoundProfile> keyProfile, std::optional<SoundProfile> mouseProfile,
                   float keyVolume, float mouseVolume, const GameStats& gameStats);
    void refresh() { rebuild(); }
    // The packs to list and the one that plays; shown at the next configure.
    void setPacks(const std::vector<PackInfo>& packs, const std::string& selected);
    void scrollToTop();

    // Absent profile: that channel is muted.
    std::function<void(std::optional<SoundProfile>)> onKeyProfileSelected;
    std::function<void(std::optional<SoundProfile>)> onMouseProfileSelected;
    std::function<void(const std::string&)> onKeyPackSelected;
    std::function<void(float)> onKeyVolumeChanged;
    std::function<void(float)> onMouseVolumeChanged;
    // Forwarded by the panel; no control of this tab fires it.
    std::function<void()> onTestSound;

    // The height the content asks for with the current expansion.
    int contentHeight() const;
    ScrollPage* scrollView() const { return m_scrollView; }
    const std::vector<FlatButton*>& keyProfileButtons() const { return m_keyProfileButtons; }
    const std::vector<FlatButton*>& mouseProfileButtons() const { return m_mouseProfileButtons; }
    const std::vector<FlatButton*>& packButtons() const { return m_packButtons; }
    FlatButton* keyMuteButton() const { return m_keyMuteBtn; }
    FlatButton* mouseMuteButton() const { return m_mouseMuteBtn; }
    FlatButton* keyExpandButton() const { return m_keyExpandBtn; }
    FlatButton* mouseExpandButton() const { return m_mouseExpandBtn; }
    VolumeBar* keyVolumeBar() const { return m_keyVolumeBar; }
    VolumeBar* mouseVolumeBar() const { return m_mouseVolumeBar; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // One channel's share of the state and of the rows built for it.
    struct Channel {
        std::optional<SoundProfile> profile;
        std::optional<SoundProfile> lastProfile = SoundProfile::iphone;
        bool expanded = false;
        // The last volume configured or dragged: every rebuild makes new
        // bars, and they must not fall back to 100 % after a tap.
        float volume = 1.0F;
    };

    void rebuild();
    int layoutLevels(QWidget* document, int top);
    int layoutProfiles(QWidget* document, int top, bool keyboard);
    FlatButton* profileButton(QWidget* document, SoundProfile profile, bool unlocked, bool selected,
                              int y, int width);
    FlatButton* makeExpandButton(QWidget* document, bool expanded, int y, int width);
    FlatButton* makeSpeakerButton(QWidget* document, bool muted);
    void addChannelControls(QWidget* document, int y, bool keyboard);
    // SoundsTabPacks.cpp
    int layoutPacks(QWidget* document, int y, int width);
    FlatButton* packButton(QWidget* document, const PackInfo& pack, int y, int width);
    void packTapped(int index);
    void reportPack(const std::string& id);
    bool keyboardMuted() const { return !m_key.profile && m_selectedPack.empty(); }
    bool toggleKeyPackMute();
    void addRule(QWidget* document, int y);

    void profileTapped(bool keyboard, int tag);
    void toggleMute(bool keyboard);
    void toggleExpand(bool keyboard);
    void report(bool keyboard);
    Channel& channel(bool keyboard) { return keyboard ? m_key : m_mouse; }

    Channel m_key;
    Channel m_mouse;
    const GameStats* m_gameStats = nullptr;
    QColor m_background;
    VolumeBar* m_keyVolumeBar = nullptr;
    VolumeBar* m_mouseVolumeBar = nullptr;
    ScrollPage* m_scrollView = nullptr;
    std::vector<FlatButton*> m_keyProfileButtons;
    std::vector<FlatButton*> m_mouseProfileButtons;
    std::vector<FlatButton*> m_packButtons;
    std::vector<PackInfo> m_packs;
    std::string m_selectedPack;  // the pack that plays; empty when none
    std::string m_lastPack;      // the pack a muted keyboard comes back to
    FlatButton* m_keyMuteBtn = nullptr;
    FlatButton* m_mouseMuteBtn = nullptr;
    FlatButton* m_keyExpandBtn = nullptr;
    FlatButton* m_mouseExpandBtn = nullptr;
    bool m_preserveScroll = false;
};

}  // namespace quib
