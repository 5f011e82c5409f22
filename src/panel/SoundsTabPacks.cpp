// The imported sound packs at the end of the SOUNDS tab's keyboard list.
#include <QLabel>
#include <QPointer>

#include "panel/FlatViews.h"
#include "panel/SoundsTab.h"
#include "panel/StyleKit.h"

namespace quib {

namespace {

constexpr int kTagWidth = 44;

QString text(const std::string& value) {
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

// The small tag at the right end of a pack's row, in the row's own colours.
void addTag(FlatButton* row, const QString& tag, const QColor& color) {
    auto* label = new QLabel(row);
    label->setForegroundRole(QPalette::WindowText);  // not the button's ButtonText
    style::setText(label, tag, style::monoAttrs(8, style::Weight::bold, color, 2));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setGeometry(row->width() - kTagWidth - 4, 0, kTagWidth, row->height());
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

void SoundsTabView::setPacks(const std::vector<PackInfo>& packs, const std::string& selected) {
    m_packs = packs;
    m_selectedPack = selected;
    if (!selected.empty()) {
        m_lastPack = selected;
    }
}

int SoundsTabView::layoutPacks(QWidget* document, int y, int width) {
    for (std::size_t i = 0; i < m_packs.size(); ++i) {
        FlatButton* row = packButton(document, m_packs[i], y - kProfileButtonHeight, width);
        row->setTag(static_cast<int>(i));
        QObject::connect(row, &FlatButton::clicked, this, [this, row] { packTapped(row->tag()); });
        m_packButtons.push_back(row);
        y -= kRowPitch;
    }
    return y;
}

FlatButton* SoundsTabView::packButton(QWidget* document, const PackInfo& pack, int y, int width) {
    auto* button = new FlatButton(document);
    style::place(button, QRectF(kMargin, y, width - 2 * kMargin, kProfileButtonHeight));
    const bool selected = pack.id == m_selectedPack;
    const RowLook look = selected     ? RowLook::chosen
                         : pack.valid ? RowLook::available
                                      : RowLook::locked;
    // A broken pack reads as a locked row does, with its name: it cannot be
    // chosen, and its problem is the tooltip.
    styleRow(*button, look, text(pack.name),
             text(pack.name).toUpper() + QStringLiteral(" \u2014 BROKEN"));
    if (pack.valid) {
        addTag(button, QStringLiteral("PACK"),
               selected ? style::brutalAccentContrast() : style::brutalBlack());
    } else {
        button->setToolTip(text(pack.problem));
    }
    return button;
}

void SoundsTabView::packTapped(int index) {
    const std::string id = m_packs.at(static_cast<std::size_t>(index)).id;
    m_key.profile.reset();
    reportPack(id);
}

// As report(), for a pack: the owner usually answers at once with setPacks()
// and configure().
void SoundsTabView::reportPack(const std::string& id) {
    m_selectedPack = id;
    m_lastPack = id;
    const QPointer<SoundsTabView> alive(this);
    m_preserveScroll = true;
    if (onKeyPackSelected) {
        onKeyPackSelected(id);
    }
    if (!alive) {
        return;
    }
    m_preserveScroll = true;
    rebuild();
}

// The keyboard's mute while a pack plays, or while muted after one played:
// true when it was handled here.
bool SoundsTabView::toggleKeyPackMute() {
    if (!m_selectedPack.empty()) {
        m_lastPack = m_selectedPack;
        m_selectedPack.clear();
        report(true);  // no profile: the keyboard is off
        return true;
    }
    if (m_key.profile || m_lastPack.empty()) {
        return false;
    }
    reportPack(std::string(m_lastPack));
    return true;
}

}  // namespace quib
