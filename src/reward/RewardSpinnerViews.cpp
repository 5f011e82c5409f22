// The reward window's views: the card's labels and buttons and the fade that
// reveals the winner.
#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

#include "panel/FlatViews.h"
#include "panel/StyleKit.h"
#include "reward/RewardSpinner.h"

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

void RewardSpinner::buildWindow() {
    m_window = new FloatingWindow(kCard);
    m_window->setObjectName(QStringLiteral("rewardSpinner"));
    m_window->setWindowTitle(QStringLiteral("QUIB Reward"));
    m_window->onCloseRequested = [this] { closeWindow(); };
    m_window->onReturn = [this] {
        if (m_landed) {
            applyTapped();
        }
    };
    QWidget* card = m_window->card();
    m_typeLabel = makeLabel(card, "typeLabel", {0, 260, 420, 18});
    style::setText(m_typeLabel, QString::fromLatin1(label(m_rewardType).data()),
                   style::monoAttrs(11, Weight::bold, cardCaption(), 6));
    m_profileLabel = makeLabel(card, "profileLabel", {0, 170, 420, 40});
    style::setText(m_profileLabel, QString(), style::monoAttrs(28, Weight::bold, cardAccent(), 4));
    m_titleLabel = makeLabel(card, "titleLabel", {0, 142, 420, 16});
    style::setText(m_titleLabel, QStringLiteral("[ OPENING ]"),
                   style::monoAttrs(10, Weight::medium, cardCaption(), 4));
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

}  // namespace quib
