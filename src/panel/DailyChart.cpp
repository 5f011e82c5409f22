#include "panel/DailyChart.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "panel/StyleKit.h"
#include "progression/CalendarDays.h"

namespace quib {

namespace {

constexpr int kGap = 3;
constexpr int kStub = 1;
constexpr qreal kEarlierOpacity = 0.45;

QString grouped(std::int64_t n) {
    QString digits = QString::number(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > (n < 0 ? 1 : 0); at -= 3) {
        digits.insert(at, QLatin1Char(','));
    }
    return digits;
}

}  // namespace

QString dayCaption(const DayCount& count) {
    static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const calendar::Date date = calendar::civilFromDays(count.day);
    return QLatin1String(kMonths[date.month - 1]) + QLatin1Char(' ') + QString::number(date.day) +
           QStringLiteral(" -- ") + grouped(count.keys) +
           (count.keys == 1 ? QStringLiteral(" KEY") : QStringLiteral(" KEYS"));
}

DailyChart::DailyChart(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("Keys per day"));
}

void DailyChart::setSeries(std::vector<DayCount> series) {
    if (series == m_series) {
        return;
    }
    m_series = std::move(series);
    if (m_hovered && *m_hovered >= m_series.size()) {
        hover(std::nullopt);
    }
    update();
}

QRect DailyChart::barRect(std::size_t index) const {
    const int count = static_cast<int>(m_series.size());
    if (count == 0 || index >= m_series.size()) {
        return {};
    }
    // Bars of one width in whole pixels from edge to edge; the gaps take up
    // the odd pixels.
    const int barWidth = std::max(1, (width() + kGap) / count - kGap);
    const double step =
        count > 1 ? static_cast<double>(width() - barWidth) / static_cast<double>(count - 1) : 0.0;
    const int left = static_cast<int>(std::lround(static_cast<double>(index) * step));
    std::int64_t busiest = 1;
    for (const DayCount& day : m_series) {
        busiest = std::max(busiest, day.keys);
    }
    const double share = static_cast<double>(m_series[index].keys) / static_cast<double>(busiest);
    const int barHeight = std::max(kStub, static_cast<int>(share * height() + 0.5));
    return {left, height() - barHeight, barWidth, barHeight};
}

std::optional<std::size_t> DailyChart::barAt(QPoint point) const {
    // A bar's whole column and the gap after it count, so that short bars
    // are easy to hover.
    for (std::size_t i = 0; i < m_series.size(); ++i) {
        const int end = i + 1 < m_series.size() ? barRect(i + 1).left() : width();
        if (point.x() >= barRect(i).left() && point.x() < end) {
            return i;
        }
    }
    return std::nullopt;
}

void DailyChart::paintEvent(QPaintEvent*) {
    // Earlier days recede, so that today stands out even where the accent is
    // the text colour; the hovered day comes forward.
    QPainter painter(this);
    const QColor ink = style::brutalBlack();
    const QColor earlier = style::faded(ink, kEarlierOpacity);
    for (std::size_t i = 0; i < m_series.size(); ++i) {
        const bool today = i + 1 == m_series.size();
        const QColor fill = today ? style::brutalAccent() : m_hovered == i ? ink : earlier;
        painter.fillRect(barRect(i), fill);
    }
}

void DailyChart::mouseMoveEvent(QMouseEvent* event) {
    hover(barAt(event->position().toPoint()));
}

void DailyChart::leaveEvent(QEvent*) {
    hover(std::nullopt);
}

void DailyChart::hover(std::optional<std::size_t> index) {
    if (index == m_hovered) {
        return;
    }
    m_hovered = index;
    update();
    if (onHover) {
        onHover(index ? std::optional(m_series[*index]) : std::nullopt);
    }
}

}  // namespace quib
