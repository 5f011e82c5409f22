#include "panel/FloatingWindow.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "panel/FlatViews.h"

namespace quib {

FloatingWindow::FloatingWindow(QSize cardSize)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(cardSize + QSize(kShadowOffset, kShadowOffset));
    const qreal w = cardSize.width();
    const qreal h = cardSize.height();
    auto* shadow = new Box(this, style::brutalBlack());
    style::place(shadow, {kShadowOffset, 0, w, h});
    m_card = new Box(this, style::brutalBlack(), style::brutalGrayMid(), 2);
    style::place(m_card, {0, kShadowOffset, w, h});
    m_accentBar = new Box(m_card, cardAccent());
    style::place(m_accentBar, {0, h - 2, w, 2});
}

void FloatingWindow::showCentred() {
    move(centredOnPointerScreen(size()));
    create();
    // Every press anywhere in the window passes the window handle first.
    windowHandle()->removeEventFilter(this);
    windowHandle()->installEventFilter(this);
    show();
}

bool FloatingWindow::acceptsFocus() const {
    const QWindow* handle = windowHandle();
    return handle != nullptr && !handle->flags().testFlag(Qt::WindowDoesNotAcceptFocus);
}

void FloatingWindow::takeFocusOnClick() {
    QWindow* handle = windowHandle();
    if (handle == nullptr || acceptsFocus()) {
        return;
    }
    // Changed on the native window, not the widget: a widget's new flags would
    // recreate (and so hide) the window.
    handle->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    handle->requestActivate();
}

bool FloatingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::MouseButtonPress) {
        takeFocusOnClick();
    }
    return QWidget::eventFilter(watched, event);
}

void FloatingWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (onCloseRequested) {
        onCloseRequested();
    }
}

void FloatingWindow::keyPressEvent(QKeyEvent* event) {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && event->modifiers() == Qt::NoModifier && onReturn) {
        onReturn();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Presses that no button takes end up here: the background moves the window,
// through the window manager where it can, else by following the pointer.
void FloatingWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const bool systemMove = windowHandle() != nullptr && windowHandle()->startSystemMove();
    m_dragging = !systemMove;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void FloatingWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && event->buttons().testFlag(Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
    }
}

void FloatingWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
    }
}

namespace {

double relativeLuminance(const QColor& color) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor legibleOn(const QColor& surface, const QColor& preferred, const QColor& fallback) {
    return contrastRatio(surface, preferred) >= 1.5 ? preferred : fallback;
}

QColor cardAccent() {
    return legibleOn(style::brutalBlack(), style::brutalAccent(), style::brutalWhite());
}

QColor cardCaption() {
    const QColor mid = style::brutalGrayMid();
    return contrastRatio(style::brutalBlack(), mid) >= 3.0 ? mid : style::brutalGrayLight();
}

QPoint centredOnPointerScreen(QSize size) {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1440, 900);
    return {area.x() + (area.width() - size.width()) / 2,
            area.y() + (area.height() - size.height()) / 2};
}

}  // namespace quib
