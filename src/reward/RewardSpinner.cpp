#include "reward/RewardSpinner.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace quib {

namespace {

constexpr int kSteps = 18;  // about five seconds of reel
constexpr int kLongestInterval = 500;

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

}  // namespace

RewardSpinner::RewardSpinner() {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { step(); });
}

RewardSpinner::~RewardSpinner() = default;

void RewardSpinner::show(const std::vector<std::string>& candidates, const std::string& winner,
                         RewardType type) {
    m_candidates = candidates.empty() ? std::vector<std::string>{winner} : candidates;
    m_winner = winner;
    m_type = type;
    m_window = std::make_unique<QWidget>(
        nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_window->setWindowTitle(QStringLiteral("QUIB REWARD"));
    m_window->setFixedSize(360, 180);
    auto* layout = new QVBoxLayout(m_window.get());
    m_caption = new QLabel(QStringLiteral("SPINNING..."));
    m_reel = new QLabel;
    m_reel->setAlignment(Qt::AlignCenter);
    m_reel->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 16, QFont::Black));
    layout->addWidget(m_caption);
    layout->addWidget(m_reel);
    auto* buttons = new QHBoxLayout;
    m_test = new QPushButton(QStringLiteral("TEST SOUND"));
    m_apply = new QPushButton(QStringLiteral("APPLY"));
    m_skip = new QPushButton(QStringLiteral("SKIP"));
    for (QPushButton* button : {m_test, m_apply, m_skip}) {
        button->setVisible(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    QObject::connect(m_test, &QPushButton::clicked, [this] {
        if (onTestSound) {
            onTestSound(m_winner, m_type);
        }
    });
    QObject::connect(m_apply, &QPushButton::clicked, [this] {
        if (onApplyName) {
            onApplyName(m_winner, m_type);
        }
        close();
    });
    QObject::connect(m_skip, &QPushButton::clicked, [this] { close(); });
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        m_window->move(screen->availableGeometry().center() - m_window->rect().center());
    }
    m_window->show();
    m_step = 0;
    m_interval = 50;
    step();
}

void RewardSpinner::step() {
    if (m_step >= kSteps) {
        land();
        return;
    }
    m_reel->setText(text(m_candidates[static_cast<std::size_t>(m_step) % m_candidates.size()]));
    if (onTick) {
        onTick();
    }
    ++m_step;
    m_interval = std::min(kLongestInterval, m_interval * 115 / 100 + 5);
    m_timer.start(m_interval);
}

void RewardSpinner::land() {
    m_reel->setText(text(m_winner));
    m_caption->setText(QStringLiteral("UNLOCKED!"));
    m_test->setVisible(m_type != RewardType::theme);
    m_apply->setVisible(true);
    m_skip->setVisible(true);
}

void RewardSpinner::close() {
    m_timer.stop();
    if (m_window) {
        m_window->hide();
    }
    if (!m_dismissed) {
        m_dismissed = true;
        if (onDismiss) {
            onDismiss();
        }
    }
}

}  // namespace quib
