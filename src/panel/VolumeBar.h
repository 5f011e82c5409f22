#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>

#include "panel/StyleKit.h"

class QPainter;

namespace quib {

// The flat horizontal slider of the click and focus volumes: a thin track, an
// accent fill up to the value, a square knob on the end of the fill and a
// truncated percentage to the right. Every press and every drag event sets the
// value from the pointer and reports it; there is no keyboard or wheel input.
//
// Geometry is that of the logical frame given to setFrame() (bottom-left
// points in the parent): the track is the frame's width less 50, the label
// sits in those 50. The knob overhangs the track's ends by 7, so the widget
// itself is 7 wider on each side than its logical frame.
class VolumeBar final : public QWidget {
  public:
    static constexpr int kKnobOverhang = 7;

    explicit VolumeBar(QWidget* parent);

    void setFrame(const QRectF& frame);

    // Set by the owner (0...1, not clamped); redraws without reporting.
    float value() const { return m_value; }
    void setValue(float value);
    std::function<void(float)> onChanged;

    // The whole control is drawn at this opacity (a faded bar still works).
    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);

    // In logical coordinates: origin at the frame's top left, y down.
    QRectF trackRect() const;
    QRectF fillRect() const;
    QRectF knobRect() const;
    QRectF labelRect() const;
    QString percentText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    qreal trackWidth() const;
    qreal midY() const;
    void updateFromMouse(QMouseEvent* event);
    void paintContent(QPainter& painter) const;

    float m_value = 1.0F;
    qreal m_opacity = 1.0;
    QColor m_track;
    QColor m_fill;
    QColor m_knob;
    QColor m_knobBorder;
    style::TextAttrs m_labelAttrs;
};

}  // namespace quib
