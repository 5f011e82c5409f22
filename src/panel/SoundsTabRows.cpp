// The SOUNDS tab's layout: a cursor moves down from the top of the document
// in bottom-left coordinates, as the frames of the design are given.
#include <QLabel>

#include "panel/FlatViews.h"
#include "panel/Glyphs.h"
#include "panel/ScrollPage.h"
#include "panel/SoundsTab.h"
#include "panel/StyleKit.h"
#include "panel/VolumeBar.h"

namespace quib {

namespace {

constexpr int kHeaderWidth = 200;
constexpr int kHeaderHeight = 14;
constexpr QSize kSpeakerGlyphSize(15, 11);
constexpr qreal kMutedBarOpacity = 0.25;

void addHeader(QWidget* document, const QString& title, int y) {
    style::place(style::makeSectionHeader(title, document),
                 QRectF(SoundsTabView::kMargin, y, kHeaderWidth, kHeaderHeight));
}

QString profileName(SoundProfile profile) {
    const std::string_view name = rawValue(profile);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

int SoundsTabView::layoutLevels(QWidget* document, int top) {
    int y = top - kMargin - kHeaderHeight;
    addHeader(document, QStringLiteral("KEYBOARD"), y);
    y -= 6;
    addChannelControls(document, y - 20, true);
    y -= 46;
    addHeader(document, QStringLiteral("MOUSE"), y);
    y -= 26;
    addChannelControls(document, y, false);
    addRule(document, y);  // along the bottom edge of the mouse row
    return y;
}

void SoundsTabView::addChannelControls(QWidget* document, int y, bool keyboard) {
    const bool muted = keyboard ? keyboardMuted() : !m_mouse.profile;
    FlatButton* speaker = makeSpeakerButton(document, muted);
    style::place(speaker, QRectF(kMargin, y, 22, 20));
    QObject::connect(speaker, &FlatButton::clicked, this,
                     [this, keyboard] { toggleMute(keyboard); });

    auto* bar = new VolumeBar(document);
    bar->setFrame(QRectF(40, y, document->width() - 52, 20));
    bar->setValue(channel(keyboard).volume);
    // Muted, the bar is faded but still works.
    bar->setOpacity(muted ? kMutedBarOpacity : 1.0);
    bar->onChanged = [this, keyboard](float volume) {
        channel(keyboard).volume = volume;
        const auto& callback = keyboard ? onKeyVolumeChanged : onMouseVolumeChanged;
        if (callback) {
            callback(volume);
        }
    };
    (keyboard ? m_keyMuteBtn : m_mouseMuteBtn) = speaker;
    (keyboard ? m_keyVolumeBar : m_mouseVolumeBar) = bar;
}

int SoundsTabView::layoutProfiles(QWidget* document, int top, bool keyboard) {
    const Channel& ch = channel(keyboard);
    const int width = document->width();
    int y = top - 26;
    addHeader(document,
              keyboard ? QStringLiteral("KEYBOARD PROFILES") : QStringLiteral("MOUSE PROFILES"), y);
    y -= 6;
    auto& buttons = keyboard ? m_keyProfileButtons : m_mouseProfileButtons;
    const auto& profiles = allSoundProfiles();
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        if (i >= kVisibleCount && !ch.expanded) {
            break;
        }
        const bool unlocked = keyboard ? m_gameStats->isKeyProfileUnlocked(profiles[i])
                                       : m_gameStats->isMouseProfileUnlocked(profiles[i]);
        FlatButton* row = profileButton(document, profiles[i], unlocked, ch.profile == profiles[i],
                                        y - kProfileButtonHeight, width);
        row->setTag(static_cast<int>(i));
        QObject::connect(row, &FlatButton::clicked, this,
                         [this, keyboard, row] { profileTapped(keyboard, row->tag()); });
        buttons.push_back(row);
        y -= kRowPitch;
    }
    if (keyboard && ch.expanded) {
        y = layoutPacks(document, y, width);
    }
    FlatButton* expand = makeExpandButton(document, ch.expanded, y - kProfileButtonHeight, width);
    QObject::connect(expand, &FlatButton::clicked, this,
                     [this, keyboard] { toggleExpand(keyboard); });
    (keyboard ? m_keyExpandBtn : m_mouseExpandBtn) = expand;
    return y - kRowPitch;
}

void SoundsTabView::addRule(QWidget* document, int y) {
    auto* rule = new Box(document, style::brutalBlack());
    style::place(rule, QRectF(kMargin, y, document->width() - 2 * kMargin, 2));
}

FlatButton* SoundsTabView::profileButton(QWidget* document, SoundProfile profile, bool unlocked,
                                         bool selected, int y, int width) {
    auto* button = new FlatButton(document);
    style::place(button, QRectF(kMargin, y, width - 2 * kMargin, kProfileButtonHeight));
    // The selected row shows as chosen even when locked: it is what plays.
    const RowLook look = selected   ? RowLook::chosen
                         : unlocked ? RowLook::available
                                    : RowLook::locked;
    styleRow(*button, look, profileName(profile));
    return button;
}

FlatButton* SoundsTabView::makeExpandButton(QWidget* document, bool expanded, int y, int width) {
    auto* button = new FlatButton(document);
    style::place(button, QRectF(kMargin, y, width - 2 * kMargin, kProfileButtonHeight));
    button->setBorder(style::brutalGrayMid(), 1);
    const QString title =
        expanded ? QStringLiteral("  SHOW LESS \u25B2") : QStringLiteral("  SHOW MORE \u25BC");
    button->setTitle(title, style::monoAttrs(9, style::Weight::medium, style::brutalGrayMid(), 2));
    return button;
}

FlatButton* SoundsTabView::makeSpeakerButton(QWidget* document, bool muted) {
    auto* button = new FlatButton(document);
    const QColor tint = muted ? style::brutalGrayLight() : style::brutalBlack();
    button->setImage(style::glyph(muted ? style::Glyph::speakerMuted : style::Glyph::speakerOn,
                                  tint, kSpeakerGlyphSize),
                     kSpeakerGlyphSize);
    button->setAccessibleName(muted ? QStringLiteral("Muted") : QStringLiteral("Sound on"));
    return button;
}

}  // namespace quib
