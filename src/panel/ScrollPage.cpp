#include "panel/ScrollPage.h"

#include <QScrollBar>

#include "panel/FlatViews.h"
#include "panel/StyleKit.h"

namespace quib {

namespace {

constexpr int kOverlayWidth = 6;

QString overlayStyle() {
    return QStringLiteral(
               "QScrollBar { background: transparent; width: %1px; border: 0; margin: 0; }"
               "QScrollBar::handle:vertical { background: %2; min-height: 24px; }"
               "QScrollBar::add-line, QScrollBar::sub-line { height: 0; border: 0; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }")
        .arg(kOverlayWidth)
        .arg(style::brutalGrayLight().name());
}

}  // namespace

ScrollPage::ScrollPage(QWidget* tab, int contentHeight)
    : QScrollArea(tab), m_overlay(new QScrollBar(Qt::Vertical, this)) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    viewport()->setAutoFillBackground(false);
    setGeometry(tab->rect());
    auto* document = new quib::Box(nullptr, style::brutalWhite());
    document->resize(tab->width(), std::max(contentHeight, tab->height()));
    setWidget(document);

    m_overlay->setStyleSheet(overlayStyle());
    m_overlay->setFocusPolicy(Qt::NoFocus);
    QScrollBar* real = verticalScrollBar();
    connect(real, &QScrollBar::rangeChanged, m_overlay, &QScrollBar::setRange);
    connect(real, &QScrollBar::valueChanged, m_overlay, &QScrollBar::setValue);
    connect(m_overlay, &QScrollBar::valueChanged, real, &QScrollBar::setValue);
    m_overlay->setRange(real->minimum(), real->maximum());
    m_overlay->setPageStep(real->pageStep());
    updateOverlay();
}

int ScrollPage::documentHeight() const {
    return widget()->height();
}

int ScrollPage::offset() const {
    return verticalScrollBar()->value();
}

void ScrollPage::setOffset(int offset) {
    verticalScrollBar()->setValue(offset);
}

void ScrollPage::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    updateOverlay();
}

void ScrollPage::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    updateOverlay();
    QScrollArea::enterEvent(event);
}

void ScrollPage::leaveEvent(QEvent* event) {
    m_hovered = false;
    updateOverlay();
    QScrollArea::leaveEvent(event);
}

void ScrollPage::updateOverlay() {
    m_overlay->setGeometry(width() - kOverlayWidth, 0, kOverlayWidth, height());
    m_overlay->setPageStep(viewport()->height());
    m_overlay->setVisible(m_hovered && verticalScrollBar()->maximum() > 0);
    m_overlay->raise();
}

}  // namespace quib
