#include "panel/VolumeBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "panel/FlatViews.h"

namespace quib {

VolumeBar::VolumeBar(QWidget* parent)
    : QWidget(parent),
      m_track(style::brutalBlack()),
      m_fill(style::brutalAccent()),
      m_knob(style::brutalWhite()),
      m_knobBorder(style::brutalBlack()),
      m_labelAttrs(style::monoAttrs(9, style::Weight::bold, std::nullopt, 1.5)) {
    setFocusPolicy(Qt::NoFocus);
}

void VolumeBar::setFrame(const QRectF& frame) {
    style::place(this, frame.adjusted(-kKnobOverhang, 0, kKnobOverhang, 0));
}

void VolumeBar::setValue(float value) {
    m_value = value;
    // The label's colour is read anew from the active theme at every update.
    m_labelAttrs = style::monoAttrs(9, style::Weight::bold, std::nullopt, 1.5);
    update();
}

void VolumeBar::setOpacity(qreal opacity) {
    m_opacity = opacity;
    update();
}

qreal VolumeBar::trackWidth() const {
    return width() - 2 * kKnobOverhang - 50;
}

qreal VolumeBar::midY() const {
    return height() / 2.0;
}

QRectF VolumeBar::trackRect() const {
    return {0, midY() - 3, trackWidth(), 6};
}

QRectF VolumeBar::fillRect() const {
    return {0, midY() - 3, trackWidth() * static_cast<qreal>(m_value), 6};
}

QRectF VolumeBar::knobRect() const {
    return {fillRect().width() - 7, midY() - 7, 14, 14};
}

QRectF VolumeBar::labelRect() const {
    return {trackWidth() + 8, midY() - 8, 42, 16};
}

QString VolumeBar::percentText() const {
    // Truncated toward zero in single precision: 0.999 shows 99 %.
    return QString::number(static_cast<int>(m_value * 100.0F)) + QLatin1Char('%');
}

void VolumeBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_opacity >= 1.0) {
        paintContent(painter);
        return;
    }
    // Faded as one picture, so that the fill does not show the track through it.
    const qreal ratio = devicePixelRatioF();
    QPixmap layer(size() * ratio);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    QPainter layerPainter(&layer);
    paintContent(layerPainter);
    layerPainter.end();
    painter.setOpacity(m_opacity);
    painter.drawPixmap(0, 0, layer);
}

void VolumeBar::paintContent(QPainter& painter) const {
    painter.translate(kKnobOverhang, 0);
    painter.fillRect(trackRect(), m_track);
    if (m_value > 0) {
        painter.fillRect(fillRect(), m_fill);
    }
    const QRectF knob = knobRect();
    painter.fillRect(knob, m_knob);
    paintBorder(painter, knob.toRect(), m_knobBorder, 2);
    painter.setFont(m_labelAttrs.font);
    painter.setPen(m_labelAttrs.color);
    painter.drawText(labelRect(), Qt::AlignLeft | Qt::AlignVCenter, percentText());
}

void VolumeBar::mousePressEvent(QMouseEvent* event) {
    updateFromMouse(event);
}

void VolumeBar::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() != Qt::NoButton) {
        updateFromMouse(event);
    }
}

void VolumeBar::updateFromMouse(QMouseEvent* event) {
    const qreal x = event->position().x() - kKnobOverhang;
    const qreal width = trackWidth();
    const double v = width > 0 ? std::clamp(x / width, 0.0, 1.0) : 0.0;
    setValue(static_cast<float>(v));
    if (onChanged) {
        onChanged(m_value);
    }
}

}  // namespace quib
