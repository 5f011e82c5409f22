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
// first configure; later calls and taps only restyle the rows. A tap updates
// the tab's own copy at once and asks the controller, which pushes the real
// state back through configure.
class FocusTabView final : public QWidget {
  public:
    static constexpr int kTrackTagBase = 100;

    explicit FocusTabView(QWidget* parent);

    void configure(const std::set<AmbientSound>& activeSounds,
                   std::optional<MusicTrack> currentTrack, bool isPlaying, float volume,
                   const GameStats& gameStats);
    void scrollToTop();

    std::function<void(std::optional<AmbientSound>)> onSoundSelected;
    std::function<void(float)> onVolumeChanged;
    std::function<void(std::optional<MusicTrack>)> onTrackSelected;
    std::function<void(MusicTrack)> onTrackPurchaseRequested;

    bool isPlaying() const { return m_isPlaying; }
    const std::vector<FlatButton*>& soundButtons() const { return m_soundButtons; }
    const std::vector<FlatButton*>& trackButtons() const { return m_trackButtons; }
    ScrollPage* scrollView() const { return m_scrollView; }
    VolumeBar* volumeBar() const { return m_volumeBar; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void build();
    void addRule(qreal y);
    void addHeader(qreal y, const QString& title);
    FlatButton* addRow(qreal y, int tag);
    void updateAllButtonStates();
    void soundTapped(int tag);
    void trackTapped(int tag);

    std::set<AmbientSound> m_activeSounds;
    std::optional<MusicTrack> m_currentTrack;
    bool m_isPlaying = false;
    const GameStats* m_gameStats = nullptr;
    QColor m_background;
    std::vector<FlatButton*> m_soundButtons;
    std::vector<FlatButton*> m_trackButtons;
    VolumeBar* m_volumeBar = nullptr;
    ScrollPage* m_scrollView = nullptr;
};

}  // namespace quib
