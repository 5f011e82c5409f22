#include "panel/FocusTab.h"

namespace quib {

// FIXME: the rows are not built yet.
FocusTabView::FocusTabView(QWidget* parent) : QWidget(parent) {}

void FocusTabView::configure(const std::set<AmbientSound>& activeSounds,
                             std::optional<MusicTrack> currentTrack, bool isPlaying, float,
                             const GameStats& gameStats) {
    m_activeSounds = activeSounds;
    m_currentTrack = currentTrack;
    m_isPlaying = isPlaying;
    m_gameStats = &gameStats;
}

void FocusTabView::scrollToTop() {}

}  // namespace quib
