#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ambient/AmbientCatalog.h"
#include "progression/AppTheme.h"
#include "progression/GameStats.h"
#include "sound/SoundProfile.h"
#include "sound/packs/SoundPack.h"

// The controller's view of its windows. The panel reports every user action
// through PopoverPanelDelegate; the controller pushes data into the panel and
// drives the reward window through these small interfaces, so its logic does
// not depend on how the windows are drawn (and tests use fakes).
namespace quib {

class PopoverPanelDelegate {
  public:
    virtual ~PopoverPanelDelegate() = default;
    virtual void panelDidToggleEnabled(bool enabled) = 0;
    virtual void panelDidSelectKeyProfile(std::optional<SoundProfile> profile) = 0;
    virtual void panelDidSelectMouseProfile(std::optional<SoundProfile> profile) = 0;
    // An imported sound pack (by id) for the keyboard, as `quib packs use`.
    virtual void panelDidSelectKeyPack(const std::string& id) = 0;
    virtual void panelDidChangeKeyVolume(float volume) = 0;
    virtual void panelDidChangeMouseVolume(float volume) = 0;
    virtual void panelDidRequestTestSound() = 0;
    virtual void panelDidRequestClaimReward() = 0;
    virtual void panelDidSelectTheme(AppTheme theme) = 0;
    virtual void panelDidSelectAmbientSound(std::optional<AmbientSound> sound) = 0;
    virtual void panelDidChangeAmbientVolume(float volume) = 0;
    virtual void panelDidSelectTrack(std::optional<MusicTrack> track) = 0;
    virtual void panelDidRequestPurchaseTrack(MusicTrack track) = 0;
    virtual void panelDidRequestQuit() = 0;
    virtual void panelDidRequestCheckForUpdates() = 0;
};

// What the controller asks of the drop-down panel.
class PanelView {
  public:
    virtual ~PanelView() = default;
    virtual void setDelegate(PopoverPanelDelegate* delegate) = 0;
    virtual void toggle() = 0;  // open under the status item, or close
    virtual void show() = 0;
    virtual void dismiss() = 0;
    virtual void forceRebuild() = 0;
    virtual bool isVisible() const = 0;
    virtual void updateEnabledState(bool enabled) = 0;
    virtual void setSoundsData(std::optional<SoundProfile> keyProfile,
                               std::optional<SoundProfile> mouseProfile, float keyVolume,
                               float mouseVolume, const GameStats& stats) = 0;
    virtual void setStatsData(const GameStats& stats) = 0;
    virtual void setShopData(const GameStats& stats) = 0;
    virtual void setFocusData(const std::set<AmbientSound>& activeSounds,
                              std::optional<MusicTrack> currentTrack, bool isPlaying, float volume,
                              const GameStats& stats) = 0;
    // The imported sound packs for the keyboard (valid or not), and the id of
    // the one that plays (empty when a built-in profile or nothing does).
    virtual void setPacks(const std::vector<PackInfo>& packs, const std::string& selected) {
        (void)packs;
        (void)selected;
    }
    // While a reward window is shown a second claim cannot start: the claim
    // button is drawn disabled.
    virtual void setClaimSuspended(bool suspended) { (void)suspended; }
    // A left or right press anywhere on the desktop, as the input feed saw it,
    // also while the master switch is off: the panel closes on one outside it.
    virtual void globalPress() {}
    // How the panel learns whether the input feed runs, that is whether
    // globalPress() will come at all; without it the panel needs another way
    // to close on a click elsewhere.
    virtual void setPressFeedProbe(std::function<bool()> isRunning) { (void)isRunning; }
};

// The reward kinds as the reward window names them: the same cases, in the
// same order, as GameStats::UnlockType.
using RewardType = GameStats::UnlockType;

// The window that reveals a won reward. It calls onTick as its reel moves,
// onTestSound and onApplyName with the winner, and onDismiss once when it goes.
class RewardSpinnerView {
  public:
    virtual ~RewardSpinnerView() = default;
    virtual void show(const std::vector<std::string>& candidates, const std::string& winner,
                      RewardType type) = 0;

    std::function<void()> onTick;
    std::function<void(const std::string& name, RewardType type)> onTestSound;
    std::function<void(const std::string& name, RewardType type)> onApplyName;
    std::function<void()> onDismiss;
};

// The first-run window; it calls onComplete once when the user finishes it.
class OnboardingView {
  public:
    virtual ~OnboardingView() = default;
    virtual void show() = 0;
    std::function<void()> onComplete;
};

// Why the clicks are silent, as the tray's tooltip tells it: the user muted
// both channels (the panel's speakers or the mute chord), or for now only.
enum class MuteNote { none, muted, call, fullScreen, application };

// The tray icon as the controller sees it: dimmed while capture is off or has
// no access, paused (dimmed, and saying why) while the screen is locked,
// saying why while the clicks are muted.
class StatusItemView {
  public:
    virtual ~StatusItemView() = default;
    virtual void setDimmed(bool dimmed) = 0;
    virtual void setPaused(bool paused) = 0;
    virtual void setMuteNote(MuteNote note) = 0;
};

}  // namespace quib
