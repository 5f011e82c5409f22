#include "panel/PanelWindow.h"

#include <QEvent>
#include <QRegion>

#include "panel/FlatViews.h"
#include "panel/StyleKit.h"
#include "platform/XWayland.h"

namespace quib {

namespace {

const QRectF kBodyFrame(0, PanelWindow::kShadowOff, PanelWindow::kPanelWidth,
                        PanelWindow::kPanelHeight);
const QRectF kShadowFrame(PanelWindow::kShadowOff, 0, PanelWindow::kPanelWidth,
                          PanelWindow::kPanelHeight);

}  // namespace

PanelWindow::PanelWindow(int currentTab)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus) {
    setWindowTitle(QStringLiteral("QUIB"));
    bypassWindowManager(true);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kPanelWidth + kShadowOff, kPanelHeight + kShadowOff);
    // The body sits 5 up and its shadow 5 right: the two corners this leaves
    // free are cut out of the window, so it needs no transparency.
    const qreal height = kPanelHeight + kShadowOff;
    setMask(QRegion(style::flipped(kBodyFrame, height)) +
            QRegion(style::flipped(kShadowFrame, height)));

    auto* shadow = new Box(this, style::brutalBlack());
    style::place(shadow, kShadowFrame);
    m_mainContainer = new Box(this, style::brutalWhite());
    style::place(m_mainContainer, kBodyFrame);
    buildHeader();
    buildTabBar(currentTab);
    buildFooter();
    m_contentArea = new Box(m_mainContainer, style::brutalWhite());
    style::place(m_contentArea, QRectF(0, kFooterHeight, kPanelWidth, kContentHeight));
    // The body's border lies over everything in it, as a layer's border does.
    auto* border = new Box(m_mainContainer, QColor(), style::brutalBlack(), 2);
    border->setAttribute(Qt::WA_TransparentForMouseEvents);
    border->setGeometry(m_mainContainer->rect());
}

void PanelWindow::setTakesFocus(bool takesFocus) {
    if (takesFocus == m_takesFocus) {
        return;
    }
    m_takesFocus = takesFocus;
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, !takesFocus);
    setAttribute(Qt::WA_ShowWithoutActivating, !takesFocus);
    bypassWindowManager(!takesFocus);
}

// Through XWayland the compositor's window manager would centre or cascade
// the panel; as an override-redirect window it lands where it is put. A
// panel that must take the focus stays managed, so that it can have it.
void PanelWindow::bypassWindowManager(bool bypass) {
    setWindowFlag(Qt::X11BypassWindowManagerHint, bypass && throughXWayland());
}

void PanelWindow::enterEvent(QEnterEvent* event) {
    m_pointerInside = true;
    QWidget::enterEvent(event);
}

void PanelWindow::leaveEvent(QEvent* event) {
    m_pointerInside = false;
    QWidget::leaveEvent(event);
}

bool PanelWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && m_takesFocus && onDeactivated) {
        onDeactivated();
    }
    if (event->type() == QEvent::Hide) {
        m_pointerInside = false;  // no leave event comes for a window that goes away
    }
    return QWidget::event(event);
}

}  // namespace quib
