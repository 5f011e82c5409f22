#include "panel/FocusTab.h"

#include <QLabel>
#include <QPainter>

#include "panel/FlatViews.h"
#include "panel/ScrollPage.h"
#include "panel/StyleKit.h"
#include "panel/VolumeBar.h"

namespace quib {

namespace {

constexpr qreal kRowHeight = 36;
constexpr qreal kRowSpacing = 4;

QString displayName(std::string_view raw) {
    return QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
}

}  // namespace

FocusTabView::FocusTabView(QWidget* parent) : QWidget(parent), m_background(style::brutalWhite()) {
    resize(parent ? parent->size() : QSize(340, 398));
}

void FocusTabView::configure(const std::set<AmbientSound>& activeSounds,
                             std::optional<MusicTrack> currentTrack, bool isPlaying, float volume,
                             const GameStats& gameStats) {
    m_activeSounds = activeSounds;
    m_currentTrack = currentTrack;
    m_isPlaying = isPlaying;
    m_gameStats = &gameStats;
    if (!m_scrollView) {
        build();
    } else {
        updateAllButtonStates();
    }
    m_volumeBar->setValue(volume);
}

void FocusTabView::scrollToTop() {
    if (m_scrollView) {
        m_scrollView->scrollToTop();
    }
}

void FocusTabView::build() {
    m_background = style::brutalWhite();
    const qreal contentHeight =
        static_cast<qreal>(kMusicTrackCount) * (kRowHeight + kRowSpacing) + 22 + 568 + 16;
    m_scrollView = new ScrollPage(this, static_cast<int>(contentHeight));
    const qreal w = width();
    qreal y = m_scrollView->documentHeight() - kMargin - 14;
    addHeader(y, QStringLiteral("VOLUME"));
    y -= 8 + 24;
    m_volumeBar = new VolumeBar(m_scrollView->document());
    m_volumeBar->setFrame({kMargin, y, w - 2 * kMargin, 24});
    m_volumeBar->onChanged = [this](float volume) {
        if (onVolumeChanged) {
            onVolumeChanged(volume);
        }
    };
    addRule(y -= 8);
    addHeader(y -= 16 + 14, QStringLiteral("NOISE"));
    m_soundButtons.push_back(addRow(y -= 8 + kRowHeight, 0));
    m_soundButtons.push_back(addRow(y -= kRowSpacing + kRowHeight, 1));
    addRule(y -= kRowSpacing + 8);
    addHeader(y -= 16 + 14, QStringLiteral("AMBIENT"));
    y -= 8;
    for (int index = 2; index < static_cast<int>(kAmbientSoundCount); ++index) {
        m_soundButtons.push_back(addRow(y - kRowHeight, index));
        y -= kRowHeight + kRowSpacing;
    }
    addRule(y - 8);
    addHeader(y -= 8 + 16 + 14, QStringLiteral("TRACKS"));
    y -= 8;
    for (int index = 0; index < static_cast<int>(kMusicTrackCount); ++index) {
        m_trackButtons.push_back(addRow(y - kRowHeight, kTrackTagBase + index));
        y -= kRowHeight + kRowSpacing;
    }
    updateAllButtonStates();
    m_scrollView->show();
    m_scrollView->scrollToTop();
}

void FocusTabView::addRule(qreal y) {
    style::place(new Box(m_scrollView->document(), style::brutalBlack()),
                 {kMargin, y, width() - 2 * kMargin, 2});
}

void FocusTabView::addHeader(qreal y, const QString& title) {
    style::place(style::makeSectionHeader(title, m_scrollView->document()), {kMargin, y, 200, 14});
}

FlatButton* FocusTabView::addRow(qreal y, int tag) {
    auto* row = new FlatButton(m_scrollView->document());
    row->setTag(tag);
    style::place(row, {kMargin, y, width() - 2 * kMargin, kRowHeight});
    connect(row, &FlatButton::clicked, this,
            [this, tag] { tag >= kTrackTagBase ? trackTapped(tag) : soundTapped(tag); });
    return row;
}

void FocusTabView::updateAllButtonStates() {
    m_background = style::brutalWhite();
    static_cast<Box*>(m_scrollView->document())->setFill(m_background);
    update();
    for (FlatButton* row : m_soundButtons) {
        const AmbientSound sound = allAmbientSounds().at(static_cast<std::size_t>(row->tag()));
        styleRow(*row, m_activeSounds.contains(sound) ? RowLook::chosen : RowLook::available,
                 displayName(rawValue(sound)));
    }
    for (FlatButton* row : m_trackButtons) {
        const MusicTrack track =
            allMusicTracks().at(static_cast<std::size_t>(row->tag() - kTrackTagBase));
        const bool owned = m_gameStats && m_gameStats->isTrackUnlocked(track);
        const RowLook look = m_isPlaying && m_currentTrack == track ? RowLook::chosen
                             : owned                                ? RowLook::available
                                                                    : RowLook::locked;
        styleRow(*row, look, displayName(rawValue(track)), QStringLiteral("COMING SOON"));
    }
}

void FocusTabView::soundTapped(int tag) {
    const AmbientSound sound = allAmbientSounds().at(static_cast<std::size_t>(tag));
    if (!m_activeSounds.erase(sound)) {
        m_activeSounds.insert(sound);
    }
    m_isPlaying = !m_activeSounds.empty() || m_currentTrack.has_value();
    if (onSoundSelected) {
        onSoundSelected(sound);
    }
    updateAllButtonStates();
}

void FocusTabView::trackTapped(int tag) {
    const MusicTrack track = allMusicTracks().at(static_cast<std::size_t>(tag - kTrackTagBase));
    if (!m_gameStats || !m_gameStats->isTrackUnlocked(track)) {
        if (onTrackPurchaseRequested) {
            onTrackPurchaseRequested(track);
        }
        return;
    }
    if (m_currentTrack == track) {
        m_currentTrack.reset();
        m_isPlaying = !m_activeSounds.empty();
    } else {
        m_currentTrack = track;
        m_isPlaying = true;
    }
    if (onTrackSelected) {
        onTrackSelected(m_currentTrack);
    }
    updateAllButtonStates();
}

void FocusTabView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), m_background);
}

}  // namespace quib
