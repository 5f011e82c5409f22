#pragma once

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "progression/DailySeries.h"

namespace quib {

// The STATS tab's chart of keys per day: a bar for each day of the series,
// oldest on the left, scaled to the busiest day, in the theme's text colour
// with the last day (today) in the accent. A day with nothing typed keeps a
// one-pixel stub, so that gaps read as days. Hovering a bar names its day
// and count through onHover (nothing when the pointer leaves).
class DailyChart final : public QWidget {
  public:
    explicit DailyChart(QWidget* parent);

    // Repaints only when the series changed.
    void setSeries(std::vector<DayCount> series);
    const std::vector<DayCount>& series() const { return m_series; }

    // The bar under a point of the widget, if any.
    std::optional<std::size_t> barAt(QPoint point) const;
    // The frame of a bar, in widget coordinates.
    QRect barRect(std::size_t index) const;

    std::function<void(std::optional<DayCount>)> onHover;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void hover(std::optional<std::size_t> index);

    std::vector<DayCount> m_series;
    std::optional<std::size_t> m_hovered;
};

// "MAR 5 -- 1,840 KEYS": the hover caption of a day.
QString dayCaption(const DayCount& count);

}  // namespace quib
