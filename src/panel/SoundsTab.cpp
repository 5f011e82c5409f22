#include "panel/SoundsTab.h"

#include <QPainter>
#include <QPointer>

#include "panel/FlatViews.h"
#include "panel/ScrollPage.h"
#include "panel/StyleKit.h"
#include "panel/VolumeBar.h"

namespace quib {

SoundsTabView::SoundsTabView(QWidget* parent)
    : QWidget(parent), m_background(style::brutalWhite()) {}

void SoundsTabView::configure(std::optional<SoundProfile> keyProfile,
                              std::optional<SoundProfile> mouseProfile, float keyVolume,
                              float mouseVolume, const GameStats& gameStats) {
    m_key.profile = keyProfile;
    m_mouse.profile = mouseProfile;
    // A speaker turned on again brings back the profile last heard, also
    // after a mute that did not come from this tab (the mute chord).
    m_key.lastProfile = keyProfile ? keyProfile : m_key.lastProfile;
    m_mouse.lastProfile = mouseProfile ? mouseProfile : m_mouse.lastProfile;
    m_key.volume = keyVolume;
    m_mouse.volume = mouseVolume;
    m_gameStats = &gameStats;
    rebuild();
}

void SoundsTabView::scrollToTop() {
    if (m_scrollView) {
        m_scrollView->scrollToTop();
    }
}

int SoundsTabView::contentHeight() const {
    const int all = static_cast<int>(allSoundProfiles().size());
    const int packs = static_cast<int>(m_packs.size());
    const int collapsed = (kVisibleCount + 1) * kRowPitch + 20;
    const int expanded = (all + 1) * kRowPitch + 20;
    const int mousePart = m_mouse.expanded ? expanded : collapsed;
    // The keyboard part also holds the two volume rows above the lists.
    const int keyboardPart = (m_key.expanded ? expanded + packs * kRowPitch : collapsed) + 144;
    return mousePart + keyboardPart + kMargin;
}

void SoundsTabView::profileTapped(bool keyboard, int tag) {
    // Rows are tagged with their catalog index, so the tag is always valid.
    const SoundProfile profile = allSoundProfiles().at(static_cast<std::size_t>(tag));
    channel(keyboard).profile = profile;
    channel(keyboard).lastProfile = profile;
    if (keyboard) {
        m_selectedPack.clear();
        m_lastPack.clear();
    }
    report(keyboard);
}

void SoundsTabView::toggleMute(bool keyboard) {
    if (keyboard && toggleKeyPackMute()) {
        return;
    }
    Channel& ch = channel(keyboard);
    if (ch.profile) {
        ch.lastProfile = ch.profile;
        ch.profile.reset();
        if (keyboard) {
            m_lastPack.clear();  // unmuting brings back this profile
        }
    } else {
        ch.profile = ch.lastProfile.value_or(allSoundProfiles().front());
    }
    report(keyboard);
}

void SoundsTabView::toggleExpand(bool keyboard) {
    channel(keyboard).expanded = !channel(keyboard).expanded;
    m_preserveScroll = true;
    rebuild();
}

// Tells the owner and redraws where the user is. The owner usually answers at
// once with configure(), whose rebuild must keep the scroll position as well.
void SoundsTabView::report(bool keyboard) {
    const QPointer<SoundsTabView> alive(this);
    m_preserveScroll = true;
    const auto& callback = keyboard ? onKeyProfileSelected : onMouseProfileSelected;
    if (callback) {
        callback(channel(keyboard).profile);
    }
    if (!alive) {
        return;
    }
    m_preserveScroll = true;
    rebuild();
}

void SoundsTabView::rebuild() {
    const std::optional<int> offset =
        m_scrollView ? std::optional<int>(m_scrollView->offset()) : std::nullopt;
    m_background = style::brutalWhite();  // a theme change shows at the next rebuild
    update();
    // The old content may hold the button whose click got us here: it goes
    // once that click is over.
    if (m_scrollView) {
        m_scrollView->hide();
        m_scrollView->deleteLater();
        m_scrollView = nullptr;
    }
    m_keyProfileButtons.clear();
    m_mouseProfileButtons.clear();
    m_packButtons.clear();
    m_keyMuteBtn = m_mouseMuteBtn = m_keyExpandBtn = m_mouseExpandBtn = nullptr;
    m_keyVolumeBar = m_mouseVolumeBar = nullptr;
    if (!m_gameStats) {
        m_preserveScroll = false;
        return;
    }
    m_scrollView = new ScrollPage(this, contentHeight());
    QWidget* document = m_scrollView->document();
    const int levelsEnd = layoutLevels(document, m_scrollView->documentHeight());
    const int keyboardEnd = layoutProfiles(document, levelsEnd, true);
    addRule(document, keyboardEnd);
    layoutProfiles(document, keyboardEnd, false);
    m_scrollView->show();
    if (offset && m_preserveScroll) {
        m_scrollView->setOffset(*offset);
    } else {
        m_scrollView->scrollToTop();
    }
    m_preserveScroll = false;
}

void SoundsTabView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), m_background);
}

}  // namespace quib
