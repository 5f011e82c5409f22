#include "panel/OnboardingWindow.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPixmap>

#include "panel/FlatViews.h"
#include "panel/FloatingWindow.h"
#include "panel/TextBlock.h"
#include "platform/Log.h"
#include "platform/input/PermissionService.h"

namespace quib {

namespace {

constexpr QSize kCard{440, 420};
constexpr qreal kLineSpacing = 4;

using style::monoAttrs;
using style::Weight;

}  // namespace

OnboardingWindow::OnboardingWindow(PermissionService& permission, std::string settingsUrl,
                                   std::filesystem::path logo)
    : OnboardingWindow(permission, std::move(settingsUrl), std::move(logo), Intervals{}) {}

OnboardingWindow::OnboardingWindow(PermissionService& permission, std::string settingsUrl,
                                   std::filesystem::path logo, Intervals intervals)
    : openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      m_permission(permission),
      m_settingsUrl(std::move(settingsUrl)),
      m_logo(std::move(logo)) {
    // Both timers are members: nothing pending outlives the window object.
    m_permissionTimer.setInterval(intervals.poll);
    QObject::connect(&m_permissionTimer, &QTimer::timeout, [this] { pollTick(); });
    m_advanceTimer.setSingleShot(true);
    m_advanceTimer.setInterval(intervals.afterGrant);
    QObject::connect(&m_advanceTimer, &QTimer::timeout, [this] { buildStep(2); });
}

OnboardingWindow::~OnboardingWindow() {
    delete m_window.data();
}

void OnboardingWindow::show() {
    if (m_window || m_completed) {
        return;
    }
    m_window = new FloatingWindow(kCard);
    m_window->setObjectName(QStringLiteral("onboarding"));
    m_window->setWindowTitle(QStringLiteral("Welcome to QUIB"));
    m_window->onCloseRequested = [this] { completeTapped(); };
    m_window->onReturn = [this] {
        if (m_currentStep == 2) {
            completeTapped();
        }
    };
    buildStep(0);
    m_window->showCentred();
}

void OnboardingWindow::buildStep(int step) {
    m_currentStep = step;
    m_permissionTimer.stop();
    m_advanceTimer.stop();
    m_settingsButton = nullptr;
    m_statusText = nullptr;
    clearStep();
    switch (step) {
        case 0:
            buildWelcome();
            break;
        case 1:
            buildPermission();
            break;
        case 2:
            buildFinish();
            break;
        default:
            break;
    }
}

// Everything on the card but the accent bar goes. The button that asked for
// the change may still be in its click handler, so the views are detached now
// and deleted once that handler has returned.
void OnboardingWindow::clearStep() {
    Box* card = m_window->card();
    for (QWidget* view : card->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (view != m_window->accentBar()) {
            view->hide();
            view->setParent(nullptr);
            view->deleteLater();
        }
    }
}

TextBlock* OnboardingWindow::addText(const QRectF& frame, const QString& text,
                                     const style::TextAttrs& attrs, int maximumLines) {
    auto* block = new TextBlock(m_window->card());
    block->setText(text, attrs, kLineSpacing, maximumLines);
    style::place(block, frame);
    block->show();
    return block;
}

FlatButton* OnboardingWindow::accentButton(const QString& title, qreal y,
                                           std::function<void()> action) {
    auto* button = new FlatButton(m_window->card());
    button->setFill(cardAccent());
    button->setTitle(
        title,
        monoAttrs(12, Weight::bold,
                  legibleOn(cardAccent(), style::brutalAccentContrast(), style::brutalBlack()), 3));
    style::place(button, {100, y, 240, 36});
    QObject::connect(button, &FlatButton::clicked, std::move(action));
    button->show();
    return button;
}

void OnboardingWindow::buildWelcome() {
    qreal top = 370;
    QPixmap logo;
    if (logo.load(QString::fromStdString(m_logo.string()))) {
        auto* view = new QLabel(m_window->card());
        view->setObjectName(QStringLiteral("logo"));
        view->setAlignment(Qt::AlignCenter);
        const qreal ratio = m_window->devicePixelRatioF();
        QPixmap scaled =
            logo.scaled(QSize(64, 64) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        view->setPixmap(scaled);
        style::place(view, {188, 306, 64, 64});
        view->show();
        top = 294;
    }
    addText({0, top - 40, 440, 40}, QStringLiteral("QUIB."),
            monoAttrs(32, Weight::heavy, style::brutalWhite(), 8));
    const qreal y = top - 64;
    addText({0, y - 20, 440, 20}, QStringLiteral("MAKE TYPING FUN."),
            monoAttrs(13, Weight::bold, cardAccent(), 3));
    addText({40, y - 104, 360, 60},
            QStringLiteral("Satisfying click sounds for your\nkeyboard and mouse. Level up as you "
                           "type.\nUnlock new sounds, themes, and more."),
            monoAttrs(11, Weight::medium, style::brutalGrayLight(), 1), 5);
    accentButton(QStringLiteral("GET STARTED"), y - 140, [this] { buildStep(m_currentStep + 1); });
}

void OnboardingWindow::buildPermission() {
    addText({0, 354, 440, 16}, QStringLiteral("// SETUP"),
            monoAttrs(10, Weight::bold, style::brutalGrayMid(), 4));
    addText({0, 240, 440, 80}, QStringLiteral("ALLOW\nACCESS"),
            monoAttrs(36, Weight::heavy, style::brutalWhite(), 4), 2);
    addText(
        {40, 170, 360, 40},
        QStringLiteral("QUIB needs Accessibility permission\nto hear your keystrokes and clicks."),
        monoAttrs(11, Weight::medium, style::brutalGrayLight(), 1), 3);
    if (m_permission.isTrusted()) {
        addText({0, 110, 440, 16}, QStringLiteral("// permission granted"),
                monoAttrs(10, Weight::bold, cardAccent(), 2));
        accentButton(QStringLiteral("CONTINUE"), 74, [this] { buildStep(2); });
        return;
    }
    m_settingsButton =
        accentButton(QStringLiteral("OPEN SETTINGS"), 110, [this] { openSettings(); });
    m_settingsButton->setTag(100);
    m_statusText = addText({0, 76, 440, 16}, QStringLiteral("// waiting for permission..."),
                           monoAttrs(10, Weight::medium, style::brutalGrayMid(), 2));
    m_statusText->setObjectName(QStringLiteral("status"));
    m_permissionTimer.start();
}

void OnboardingWindow::buildFinish() {
    addText({0, 354, 440, 16}, QStringLiteral("// ALMOST DONE"),
            monoAttrs(10, Weight::bold, style::brutalGrayMid(), 4));
    addText({0, 248, 440, 72}, QStringLiteral("BUILT WITH\nOBSESSION."),
            monoAttrs(32, Weight::heavy, style::brutalWhite(), 4), 2);
    addText({40, 140, 360, 80},
            QStringLiteral("No subscription. No cloud. No account.\nNo telemetry. Just clicks.\n\n"
                           "QUIB is free forever.\nWe built it because we wanted it."),
            monoAttrs(11, Weight::medium, style::brutalGrayLight(), 1), 6);
    accentButton(QStringLiteral("START CLICKING"), 80, [this] { completeTapped(); });
}

// The poll never gives up: it ends with the grant or when the step changes.
void OnboardingWindow::pollTick() {
    if (!m_permission.isTrusted()) {
        return;
    }
    m_permissionTimer.stop();
    onPermissionGranted();
}

void OnboardingWindow::onPermissionGranted() {
    if (m_statusText) {
        m_statusText->setText(QStringLiteral("// permission granted"),
                              monoAttrs(10, Weight::bold, cardAccent(), 2), kLineSpacing, 1);
    }
    if (m_settingsButton) {
        const QColor title =
            legibleOn(cardAccent(), style::brutalWhite(), style::brutalAccentContrast());
        m_settingsButton->setTitle(QStringLiteral("GRANTED"),
                                   monoAttrs(12, Weight::bold, title, 3));
        m_settingsButton->setEnabled(false);
        m_settingsButton->setCursor(Qt::ArrowCursor);
    }
    m_advanceTimer.start();
}

void OnboardingWindow::openSettings() {
    const QUrl url(QString::fromStdString(m_settingsUrl), QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty() || !openUrl) {
        return;
    }
    if (!openUrl(url)) {
        logLine("Could not open the access guide: ", m_settingsUrl);
    }
}

void OnboardingWindow::completeTapped() {
    if (m_completed) {
        return;
    }
    m_completed = true;
    m_permissionTimer.stop();
    m_advanceTimer.stop();
    if (m_window) {
        m_window->onCloseRequested = nullptr;
        m_window->hide();
        // Possibly inside the button's click handler: deleted once it returns.
        m_window->deleteLater();
    }
    if (onComplete) {
        onComplete();
    }
}

}  // namespace quib
