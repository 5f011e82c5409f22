#include "reward/RewardSpinner.h"

#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

#include "panel/FlatViews.h"
#include "panel/FloatingWindow.h"
#include "panel/StyleKit.h"

namespace quib {

namespace {

constexpr QSize kCard{420, 320};
constexpr int kRevealMs = 400;

using style::Weight;

QLabel* makeLabel(QWidget* parent, const char* name, const QRectF& frame) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setTextFormat(Qt::PlainText);
    // The platform's labels draw their text from the top of their frame.
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    style::place(label, frame);
    return label;
}

FlatButton* makeButton(QWidget* parent, const char* name, const QRectF& frame) {
    auto* button = new FlatButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    style::place(button, frame);
    return button;
}

QString upper(const std::string& name) {
    return QString::fromStdString(name).toUpper();
}

// The platform's ease-out timing: a cubic Bezier through (0.58, 1).
QEasingCurve easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.0, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

QPropertyAnimation* fadeFromZero(QWidget* view, QObject* group) {
    auto* effect = new QGraphicsOpacityEffect(view);
    effect->setOpacity(0.0);
    view->setGraphicsEffect(effect);
    auto* animation = new QPropertyAnimation(effect, "opacity", group);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setDuration(kRevealMs);
    animation->setEasingCurve(easeOut());
    return animation;
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

void RewardSpinner::buildWindow() {
    m_window = new FloatingWindow(kCard);
    m_window->setObjectName(QStringLiteral("rewardSpinner"));
    m_window->setWindowTitle(QStringLiteral("QUIB"));
    m_window->onCloseRequested = [this] { closeWindow(); };
    m_window->onReturn = [this] {
        if (m_landed) {
            applyTapped();
        }
    };
    QWidget* card = m_window->card();
    m_typeLabel = makeLabel(card, "typeLabel", {0, 260, 420, 18});
    style::setText(m_typeLabel, QString::fromLatin1(label(m_rewardType).data()),
                   style::monoAttrs(11, Weight::bold, style::brutalGrayMid(), 6));
    m_profileLabel = makeLabel(card, "profileLabel", {0, 170, 420, 40});
    style::setText(m_profileLabel, QString(), style::monoAttrs(28, Weight::bold, cardAccent(), 4));
    m_titleLabel = makeLabel(card, "titleLabel", {0, 142, 420, 16});
    style::setText(m_titleLabel, QStringLiteral("[ OPENING ]"),
                   style::monoAttrs(10, Weight::medium, style::brutalGrayMid(), 4));
    m_buttonContainer = new QWidget(card);
    m_buttonContainer->setObjectName(QStringLiteral("buttonContainer"));
    style::place(m_buttonContainer, {0, 0, 420, 130});
    m_buttonContainer->hide();
    buildButtons(m_buttonContainer);
}

void RewardSpinner::buildButtons(QWidget* container) {
    auto* apply = makeButton(container, "applyButton", {100, 78, 220, 32});
    apply->setFill(cardAccent());
    apply->setTitle(
        QStringLiteral("> APPLY"),
        style::monoAttrs(
            11, Weight::bold,
            legibleOn(cardAccent(), style::brutalAccentContrast(), style::brutalBlack()), 3));
    QObject::connect(apply, &FlatButton::clicked, [this] { applyTapped(); });

    m_testButton = makeButton(container, "testButton", {100, 42, 220, 30});
    m_testButton->setBorder(style::brutalGrayMid(), 2);
    m_testButton->setTitle(QStringLiteral("> TEST SOUND"),
                           style::monoAttrs(11, Weight::bold, style::brutalWhite(), 3));
    QObject::connect(m_testButton, &FlatButton::clicked, [this] { testTapped(); });

    auto* skip = makeButton(container, "closeButton", {100, 10, 220, 26});
    skip->setTitle(QStringLiteral("SKIP"),
                   style::monoAttrs(10, Weight::medium, style::brutalGrayLight(), 3));
    QObject::connect(skip, &FlatButton::clicked, [this] { closeTapped(); });
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

void RewardSpinner::fadeIn() {
    auto* group = new QParallelAnimationGroup(m_window);
    group->setObjectName(QStringLiteral("reveal"));
    group->addAnimation(fadeFromZero(m_profileLabel, group));
    group->addAnimation(fadeFromZero(m_buttonContainer, group));
    // Drawn directly again once opaque.
    QObject::connect(group, &QAbstractAnimation::finished, m_window, [this] {
        m_profileLabel->setGraphicsEffect(nullptr);
        m_buttonContainer->setGraphicsEffect(nullptr);
    });
    group->start(QAbstractAnimation::DeleteWhenStopped);
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
