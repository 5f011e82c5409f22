#include "panel/OnboardingWindow.h"

#include <QDesktopServices>

#include "panel/FlatViews.h"
#include "panel/FloatingWindow.h"
#include "panel/TextBlock.h"
#include "platform/Log.h"
#include "platform/input/PermissionService.h"

namespace quib {

namespace {

constexpr QSize kCard{440, 420};

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
