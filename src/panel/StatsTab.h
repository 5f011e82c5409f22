#pragma once

#include <QWidget>

#include "panel/StyleKit.h"
#include "progression/GameStats.h"

class QLabel;

namespace quib {

class DailyChart;

// The STATS tab: level, title, XP in the level, a text progress bar, the
// activity lines and a chart of the last 30 days' keys. The labels are made
// once with placeholders; refresh() rewrites their texts and hands the chart
// the store's days, which the store keeps in memory (the panel calls it every
// second while it is open).
class StatsTabView final : public QWidget {
  public:
    explicit StatsTabView(QWidget* parent);

    void configure(const GameStats& gameStats);
    void refresh();

    // The page's texts, in order: level, title, XP, progress, session, today,
    // all time, speed, streak.
    QStringList texts() const;
    DailyChart* chart() const { return m_chart; }
    // What the chart's header says of the hovered day (empty without one).
    QString chartCaption() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void addChart(qreal top);
    QLabel* addLabel(qreal y, qreal height, const QString& placeholder,
                     const style::TextAttrs& attrs);
    // Keeps the label's size; weight and kern follow from it.
    static void updateLabel(QLabel* label, const QString& text,
                            std::optional<QColor> color = std::nullopt);

    const GameStats* m_gameStats = nullptr;
    QColor m_background;
    QLabel* m_levelLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_xpLabel = nullptr;
    QLabel* m_progressLabel = nullptr;
    QLabel* m_sessionLabel = nullptr;
    QLabel* m_todayLabel = nullptr;
    QLabel* m_allTimeLabel = nullptr;
    QLabel* m_wpmLabel = nullptr;
    QLabel* m_streakLabel = nullptr;
    DailyChart* m_chart = nullptr;
    QLabel* m_chartCaption = nullptr;
};

// The texts of the page for a store, shared by refresh() and its tests.
QString progressBarText(double progress);
QString streakText(std::int64_t streak);
QString speedText(int wordsPerMinute);

}  // namespace quib
