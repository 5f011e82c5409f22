#include "reward/RewardSpinner.h"

#include <QLabel>

#include "panel/FlatViews.h"
#include "panel/StyleKit.h"

namespace quib {

namespace {

using style::Weight;

QString upper(const std::string& name) {
    return QString::fromStdString(name).toUpper();
}

}  // namespace

std::string_view label(RewardType type) {
    switch (type) {
        case RewardType::keyboard:
            return "KEYBOARD";
        case RewardType::mouse:
            return "MOUSE";
        case RewardType::theme:
            return "THEME";
    }
    return "";
}

RewardSpinner::RewardSpinner(RandomSource& random, std::unique_ptr<StepTimer> timer)
    : m_random(random), m_spinTimer(std::move(timer)) {}

RewardSpinner::~RewardSpinner() {
    const QPointer<FloatingWindow> window = m_window;
    closeWindow();
    delete window;  // not left to an event loop that may no longer run
}

void RewardSpinner::show(const std::vector<std::string>& candidates, const std::string& winner,
                         RewardType type) {
    if (m_reel) {
        return;  // one reveal per spinner
    }
    m_rewardType = type;
    m_reel.emplace(candidates, winner, m_random);
    buildWindow();
    m_window->showCentred();
    scheduleNextSpin();
}

void RewardSpinner::scheduleNextSpin() {
    m_spinTimer->start(m_reel->delay(), [this] { spinStep(); });
}

void RewardSpinner::spinStep() {
    if (window() == nullptr) {
        return;  // closed while the step was due
    }
    const Reel::Step step = m_reel->advance();
    style::setText(m_profileLabel, upper(step.name),
                   style::monoAttrs(28, Weight::bold, style::brutalWhite(), 4));
    if (onTick) {
        onTick();
    }
    if (step.landed) {
        onLanded();
        return;
    }
    scheduleNextSpin();
}

void RewardSpinner::onLanded() {
    m_landed = true;
    style::setText(m_titleLabel, QStringLiteral("[ UNLOCKED ]"),
                   style::monoAttrs(10, Weight::bold, cardAccent(), 4));
    style::setText(m_profileLabel, upper(m_reel->winner()),
                   style::monoAttrs(28, Weight::bold, cardAccent(), 4));
    m_buttonContainer->show();
    m_testButton->setVisible(m_rewardType != RewardType::theme);
    fadeIn();
}

void RewardSpinner::testTapped() {
    if (onTestSound) {
        onTestSound(m_reel->winner(), m_rewardType);
    }
}

void RewardSpinner::applyTapped() {
    if (onApplyName) {
        onApplyName(m_reel->winner(), m_rewardType);
    }
    closeWindow();
}

void RewardSpinner::closeTapped() {
    closeWindow();
}

void RewardSpinner::closeWindow() {
    m_spinTimer->stop();
    if (!m_window || m_dismissed) {
        return;
    }
    m_dismissed = true;
    m_window->onCloseRequested = nullptr;
    m_window->hide();
    // Possibly inside one of its buttons' handlers: deleted once that returns.
    m_window->deleteLater();
    if (onDismiss) {
        onDismiss();
    }
}

}  // namespace quib
