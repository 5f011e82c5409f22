#include "panel/PopoverPanel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace quib {

namespace {

constexpr int kWidth = 340;
constexpr int kHeight = 330;

QString statsText(const GameStats& stats) {
    return QString::fromStdString(
        "LVL " + std::to_string(stats.currentLevel()) + " -- " + stats.levelTitle() + "\n" + "XP " +
        GameStats::formatNumber(stats.totalXP()) + "   COINS " + std::to_string(stats.coins()) +
        "\n" + "TODAY " + GameStats::formatNumber(stats.todayKeystrokes()) + " KEYS / " +
        GameStats::formatNumber(stats.todayClicks()) + " CLICKS\n" + "STREAK " +
        std::to_string(stats.currentStreak()) + "   WPM " + std::to_string(stats.approximateWPM()) +
        "\n" + "ACHIEVEMENTS " + std::to_string(stats.unlockedCount()) + " / " +
        std::to_string(GameStats::totalAchievementCount));
}

}  // namespace

PopoverPanel::PopoverPanel(std::function<QRect()> anchor) : m_anchor(std::move(anchor)) {
    m_refreshTimer.setInterval(1000);
    QObject::connect(&m_refreshTimer, &QTimer::timeout, [this] { refreshStats(); });
}

PopoverPanel::~PopoverPanel() = default;

void PopoverPanel::build() {
    m_window = std::make_unique<QWidget>(
        nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_window->setWindowTitle(QStringLiteral("QUIB"));
    m_window->setFixedSize(kWidth, kHeight);
    auto* layout = new QVBoxLayout(m_window.get());
    auto* header = new QHBoxLayout;
    header->addWidget(new QLabel(QStringLiteral("<b>QUIB</b>")));
    m_enabledToggle = new QPushButton;
    QObject::connect(m_enabledToggle, &QPushButton::clicked, [this] {
        if (m_delegate) {
            m_delegate->panelDidToggleEnabled(!m_enabled);
        }
        updateEnabledState(!m_enabled);
    });
    header->addWidget(m_enabledToggle);
    auto* quit = new QPushButton(QStringLiteral("QUIT"));
    QObject::connect(quit, &QPushButton::clicked, [this] {
        if (m_delegate) {
            m_delegate->panelDidRequestQuit();
        }
    });
    header->addWidget(quit);
    layout->addLayout(header);
    m_stats = new QLabel;
    m_stats->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
    layout->addWidget(m_stats);
    m_keyProfiles = new QComboBox;
    m_mouseProfiles = new QComboBox;
    for (auto [box, keyboard] :
         {std::pair{m_keyProfiles, true}, std::pair{m_mouseProfiles, false}}) {
        layout->addWidget(new QLabel(keyboard ? QStringLiteral("KEYBOARD SOUND")
                                              : QStringLiteral("MOUSE SOUND")));
        layout->addWidget(box);
        QObject::connect(box, &QComboBox::activated, [this, box, keyboard](int) {
            if (m_filling || !m_delegate) {
                return;
            }
            const auto profile =
                soundProfileFromRawValue(box->currentData().toString().toStdString());
            keyboard ? m_delegate->panelDidSelectKeyProfile(profile)
                     : m_delegate->panelDidSelectMouseProfile(profile);
        });
    }
    m_claim = new QPushButton(QStringLiteral("CLAIM REWARD (1 COIN)"));
    QObject::connect(m_claim, &QPushButton::clicked, [this] {
        if (m_delegate) {
            m_delegate->panelDidRequestClaimReward();
        }
    });
    layout->addWidget(m_claim);
    auto* version = new QPushButton(
        QStringLiteral("v%1 // CHECK FOR UPDATES").arg(QCoreApplication::applicationVersion()));
    version->setFlat(true);
    QObject::connect(version, &QPushButton::clicked, [this] {
        if (m_delegate) {
            m_delegate->panelDidRequestCheckForUpdates();
        }
    });
    layout->addWidget(version);
    updateEnabledState(m_enabled);
}

void PopoverPanel::fillProfiles(QComboBox* box, std::optional<SoundProfile> current,
                                bool keyboard) {
    if (!box || !m_cachedGameStats) {
        return;
    }
    m_filling = true;
    box->clear();
    box->addItem(QStringLiteral("Off"), QStringLiteral("off"));
    for (SoundProfile profile : allSoundProfiles()) {
        const bool unlocked = keyboard ? m_cachedGameStats->isKeyProfileUnlocked(profile)
                                       : m_cachedGameStats->isMouseProfileUnlocked(profile);
        if (unlocked) {
            const auto name = QString::fromUtf8(rawValue(profile).data(),
                                                static_cast<int>(rawValue(profile).size()));
            box->addItem(name, name);
            if (current == profile) {
                box->setCurrentIndex(box->count() - 1);
            }
        }
    }
    m_filling = false;
}

void PopoverPanel::toggle() {
    isVisible() ? dismiss() : show();
}

void PopoverPanel::show() {
    if (!m_window) {
        build();
    }
    refreshStats();
    place();
    m_window->show();
    m_window->raise();
    m_refreshTimer.start();
}

void PopoverPanel::place() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QRect anchor = m_anchor ? m_anchor() : QRect();
    QPoint topLeft = anchor.isEmpty()
                         ? QPoint(available.right() - kWidth, available.top())
                         : QPoint(anchor.center().x() - kWidth / 2, anchor.bottom() + 4);
    topLeft.setX(std::clamp(topLeft.x(), available.left(), available.right() - kWidth));
    topLeft.setY(std::clamp(topLeft.y(), available.top(), available.bottom() - kHeight));
    m_window->move(topLeft);
}

void PopoverPanel::dismiss() {
    m_refreshTimer.stop();
    if (m_window) {
        m_window->hide();
    }
}

void PopoverPanel::forceRebuild() {
    dismiss();
    m_window.reset();
    m_stats = nullptr;
    m_enabledToggle = nullptr;
    m_claim = nullptr;
    m_keyProfiles = m_mouseProfiles = nullptr;
}

bool PopoverPanel::isVisible() const {
    return m_window && m_window->isVisible();
}

void PopoverPanel::updateEnabledState(bool enabled) {
    m_enabled = enabled;
    if (m_enabledToggle) {
        m_enabledToggle->setText(enabled ? QStringLiteral("ON") : QStringLiteral("OFF"));
    }
}

void PopoverPanel::setSoundsData(std::optional<SoundProfile> keyProfile,
                                 std::optional<SoundProfile> mouseProfile, float, float,
                                 const GameStats& stats) {
    m_cachedGameStats = &stats;
    if (!m_window) {
        build();
    }
    fillProfiles(m_keyProfiles, keyProfile, true);
    fillProfiles(m_mouseProfiles, mouseProfile, false);
}

void PopoverPanel::setStatsData(const GameStats& stats) {
    m_cachedGameStats = &stats;
    refreshStats();
}

void PopoverPanel::setShopData(const GameStats& stats) {
    m_cachedGameStats = &stats;
    if (m_claim) {
        m_claim->setEnabled(stats.canClaimReward());
    }
}

void PopoverPanel::setFocusData(const std::set<AmbientSound>&, std::optional<MusicTrack>, bool,
                                float, const GameStats& stats) {
    m_cachedGameStats = &stats;
}

void PopoverPanel::refreshStats() {
    if (m_stats && m_cachedGameStats) {
        m_stats->setText(statsText(*m_cachedGameStats));
        m_claim->setEnabled(m_cachedGameStats->canClaimReward());
    }
}

}  // namespace quib
