#include "platform/desktop/StatusItem.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QPalette>
#include <QPixmap>

#include "platform/XWayland.h"
#include "platform/desktop/StatusIcon.h"

namespace quib {

namespace {

// Visibly off without vanishing against the panel.
constexpr double kDimmedOpacity = 0.4;

const QString kToolTip = QStringLiteral("QUIB");
const QString kPausedToolTip = QStringLiteral("QUIB: paused while the screen is locked");

}  // namespace

StatusItem::StatusItem(QObject* parent) : QObject(parent), m_template(statusTemplateImage()) {
    m_tray.setToolTip(kToolTip);
    buildMenu();
    refreshIcon();
    QObject::connect(
        &m_tray, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) { handleActivation(reason); });
    // Where the bar follows the palette, so does the icon's colour.
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    m_tray.show();
    m_trayAvailable = isTrayAvailable();
}

StatusItem::~StatusItem() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
    // The menu member goes before the tray member; the tray must not keep
    // pointing at it.
    m_tray.setContextMenu(nullptr);
    m_tray.hide();
}

bool StatusItem::isTrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void StatusItem::setDimmed(bool dimmed) {
    if (dimmed == m_dimmed) {
        return;
    }
    m_dimmed = dimmed;
    refreshIcon();
}

void StatusItem::setPaused(bool paused) {
    if (paused == m_paused) {
        return;
    }
    m_paused = paused;
    refreshToolTip();
    refreshIcon();
}

void StatusItem::setMutedToolTip(const QString& toolTip) {
    m_mutedToolTip = toolTip;
    refreshToolTip();
}

void StatusItem::setInputDescription(const QString& description) {
    m_inputDescription = description;
    refreshToolTip();
}

void StatusItem::refreshToolTip() {
    QString toolTip = m_paused                    ? kPausedToolTip
                      : !m_mutedToolTip.isEmpty() ? m_mutedToolTip
                                                  : kToolTip;
    if (!m_inputDescription.isEmpty()) {
        toolTip += QLatin1Char('\n') + m_inputDescription;
    }
    if (toolTip != m_tray.toolTip()) {
        m_tray.setToolTip(toolTip);
    }
}

QRect StatusItem::geometry() const {
    const std::optional<QPoint> pointer =
        throughXWayland() ? std::nullopt : std::optional<QPoint>(QCursor::pos());
    return anchorRect(m_tray.geometry(), m_lastClick, pointer);
}

QRect StatusItem::anchorRect(const QRect& trayGeometry, const std::optional<QPoint>& lastClick,
                             const std::optional<QPoint>& pointer) {
    if (trayGeometry.isValid() && !trayGeometry.isEmpty()) {
        return trayGeometry;
    }
    const std::optional<QPoint> point = lastClick ? lastClick : pointer;
    return point ? QRect(*point, QSize(1, 1)) : QRect();
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() &&
        event->type() == QEvent::ApplicationPaletteChange) {
        refreshIcon();
    }
    return QObject::eventFilter(watched, event);
}

void StatusItem::buildMenu() {
    m_menu = std::make_unique<QMenu>();
    QObject::connect(m_menu->addAction(QStringLiteral("Open QUIB")), &QAction::triggered, this,
                     [this] {
                         if (onClicked) {
                             onClicked();
                         }
                     });
    m_menu->addSeparator();
    QObject::connect(m_menu->addAction(QStringLiteral("Quit QUIB")), &QAction::triggered, this,
                     [this] { requestQuit(); });
    m_tray.setContextMenu(m_menu.get());
}

void StatusItem::refreshIcon() {
    QColor bar = desktopBarColour(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    if (!bar.isValid()) {
        bar = QGuiApplication::palette().color(QPalette::Window);
    }
    QImage image = statusIconImage(m_template, bar);
    if (m_dimmed || m_paused) {
        image = fadedImage(image, kDimmedOpacity);
    }
    m_tray.setIcon(QIcon(QPixmap::fromImage(image)));
}

void StatusItem::handleActivation(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::Trigger) {
        return;
    }
    // A click seen through XWayland on a Wayland bar left the X pointer
    // where it was: no anchor rather than a wrong one.
    if (!throughXWayland()) {
        m_lastClick = QCursor::pos();
    }
    if (onClicked) {
        onClicked();
    }
}

void StatusItem::checkTrayAvailability() {
    const bool available = isTrayAvailable();
    if (available == m_trayAvailable) {
        return;
    }
    m_trayAvailable = available;
    if (onTrayAvailabilityChanged) {
        onTrayAvailabilityChanged(available);
    }
}

void StatusItem::requestQuit() {
    if (onQuitRequested) {
        onQuitRequested();
    } else {
        QCoreApplication::quit();
    }
}

}  // namespace quib
