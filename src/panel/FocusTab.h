#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "ambient/AmbientCatalog.h"
#include "progression/GameStats.h"

namespace quib {

class FlatButton;
class ScrollPage;
class VolumeBar;

// The FOCUS tab: one volume for all focus audio, the noises and ambiences
// (any number at once) and the music tracks (at most one). Built once, on the
// first configure; later calls only restyle the rows.
class FocusTabView final : public QWidget {
  public:
    explicit FocusTabView(QWidget* parent);

    void configure(const std::set<AmbientSound>& activeSounds,
                   std::optional<MusicTrack> currentTrack, bool isPlaying, float volume,
                   const GameStats& gameStats);
    void scrollToTop();

    std::function<void(std::optional<AmbientSound>)> onSoundSelected;
    std::function<void(float)> onVolumeChanged;
    std::function<void(std::optional<MusicTrack>)> onTrackSelected;
    std::function<void(MusicTrack)> onTrackPurchaseRequested;

  private:
    std::set<AmbientSound> m_activeSounds;
    std::optional<MusicTrack> m_currentTrack;
    bool m_isPlaying = false;
    const GameStats* m_gameStats = nullptr;
    std::vector<FlatButton*> m_soundButtons;
    std::vector<FlatButton*> m_trackButtons;
    VolumeBar* m_volumeBar = nullptr;
    ScrollPage* m_scrollView = nullptr;
};

}  // namespace quib
