#include "panel/StatsTab.h"

#include <QLabel>
#include <QPainter>

#include "panel/DailyChart.h"
#include "panel/FlatViews.h"
#include "panel/ScrollPage.h"

namespace quib {

namespace {

QString number(std::int64_t n) {
    return QString::fromStdString(GameStats::formatNumber(n));
}

QString counts(const char* caption, std::int64_t keys, std::int64_t clicks) {
    return QLatin1String(caption) + number(keys) + QStringLiteral(" KEYS / ") + number(clicks) +
           QStringLiteral(" CLICKS");
}

}  // namespace

QString progressBarText(double progress) {
    const auto filled = std::clamp(static_cast<int>(progress * 20), 0, 20);
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
           QString(20 - filled, QLatin1Char('.')) + QStringLiteral("] ") +
           QString::number(static_cast<int>(progress * 100)) + QLatin1Char('%');
}

QString streakText(std::int64_t streak) {
    return QStringLiteral("STREAK    ") + QString::number(streak) +
           (streak == 1 ? QStringLiteral(" DAY") : QStringLiteral(" DAYS"));
}

QString speedText(int wordsPerMinute) {
    return wordsPerMinute < 1 ? QStringLiteral("SPEED     -- WPM")
                              : QStringLiteral("SPEED     ~") + QString::number(wordsPerMinute) +
                                    QStringLiteral(" WPM");
}

StatsTabView::StatsTabView(QWidget* parent) : QWidget(parent), m_background(style::brutalWhite()) {
    using style::monoAttrs;
    using style::Weight;
    resize(parent ? parent->size() : QSize(340, 398));
    const qreal h = height();
    qreal y = h - kMargin - 36;
    m_levelLabel = addLabel(y, 32, QStringLiteral("LVL 0"),
                            monoAttrs(24, Weight::heavy, style::brutalAccent(), 3));
    m_titleLabel =
        addLabel(y -= 20, 16, QStringLiteral("NOOB"), monoAttrs(12, Weight::bold, std::nullopt, 3));
    m_xpLabel = addLabel(y -= 22, 16, QStringLiteral("XP  0/100"),
                         monoAttrs(11, Weight::bold, std::nullopt, 2));
    m_progressLabel = addLabel(y -= 22, 16, QStringLiteral("[....................] 0%"),
                               monoAttrs(11, Weight::bold, std::nullopt, 1));
    const qreal ruleY = y - 20;
    style::place(new Box(this, style::brutalBlack()), {kMargin, ruleY, width() - 2 * kMargin, 2});
    const qreal headerY = ruleY - 34;
    style::place(style::makeSectionHeader(QStringLiteral("ACTIVITY"), this),
                 {kMargin, headerY, width() - 2 * kMargin, 14});
    const style::TextAttrs activity = monoAttrs(10, Weight::medium, std::nullopt, 1.5);
    y = headerY - 10 - 20;
    m_sessionLabel = addLabel(y, 16, QStringLiteral("SESSION   0 KEYS / 0 CLICKS"), activity);
    m_todayLabel = addLabel(y -= 24, 16, QStringLiteral("TODAY     0 KEYS / 0 CLICKS"), activity);
    m_allTimeLabel = addLabel(y -= 24, 16, QStringLiteral("ALL-TIME  0 KEYS / 0 CLICKS"), activity);
    m_wpmLabel = addLabel(y -= 24, 16, QStringLiteral("SPEED     -- WPM"), activity);
    m_streakLabel = addLabel(y -= 24, 16, QStringLiteral("STREAK    0 DAYS"), activity);
    addChart(y - 10);
}

// Under the activity lines, down to the bottom margin: a header that names
// the hovered day on its right, and the bars.
void StatsTabView::addChart(qreal top) {
    const qreal headerY = top - 14;
    const QRectF headerFrame{kMargin, headerY, width() - 2 * kMargin, 14};
    style::place(style::makeSectionHeader(QStringLiteral("LAST 30 DAYS"), this), headerFrame);
    m_chartCaption = new QLabel(this);
    m_chartCaption->setTextFormat(Qt::PlainText);
    m_chartCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    style::place(m_chartCaption, headerFrame);
    m_chart = new DailyChart(this);
    style::place(m_chart, {kMargin, kMargin, width() - 2 * kMargin, headerY - 8 - kMargin});
    m_chart->onHover = [this](std::optional<DayCount> day) {
        style::setText(m_chartCaption, day ? dayCaption(*day) : QString(),
                       style::monoAttrs(10, style::Weight::bold, std::nullopt, 1.5));
    };
}

QLabel* StatsTabView::addLabel(qreal y, qreal height, const QString& placeholder,
                               const style::TextAttrs& attrs) {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    style::setText(label, placeholder, attrs);
    style::place(label, {kMargin, y, width() - 2 * kMargin, height});
    return label;
}

void StatsTabView::updateLabel(QLabel* label, const QString& text, std::optional<QColor> color) {
    const int size = label->font().pixelSize() > 0 ? label->font().pixelSize() : 11;
    const style::Weight weight = size > 14   ? style::Weight::heavy
                                 : size > 10 ? style::Weight::bold
                                             : style::Weight::medium;
    const qreal kern = size > 14 ? 3 : size > 10 ? 2 : 1.5;
    style::setText(label, text, style::monoAttrs(size, weight, color, kern));
}

void StatsTabView::configure(const GameStats& gameStats) {
    m_gameStats = &gameStats;
    m_background = style::brutalWhite();
    update();
    refresh();
}

void StatsTabView::refresh() {
    if (!m_gameStats) {
        return;
    }
    const GameStats& s = *m_gameStats;
    const std::int64_t level = s.currentLevel();
    const std::int64_t base = level == 0 ? 0 : GameStats::cumulativeXPForLevel(level);
    updateLabel(m_levelLabel, QStringLiteral("LVL ") + QString::number(level),
                style::brutalAccent());
    updateLabel(m_titleLabel, QString::fromStdString(s.levelTitle()));
    updateLabel(m_xpLabel, QStringLiteral("XP  ") + number(s.totalXP() - base) + QLatin1Char('/') +
                               number(GameStats::xpForLevel(level + 1)));
    updateLabel(m_progressLabel, progressBarText(s.progressToNextLevel()));
    updateLabel(m_sessionLabel, counts("SESSION   ", s.sessionKeystrokes(), s.sessionClicks()));
    updateLabel(m_todayLabel, counts("TODAY     ", s.todayKeystrokes(), s.todayClicks()));
    updateLabel(m_allTimeLabel, counts("ALL-TIME  ", s.totalKeystrokes(), s.totalClicks()));
    updateLabel(m_wpmLabel, speedText(s.approximateWPM()));
    updateLabel(m_streakLabel, streakText(s.currentStreak()));
    m_chart->setSeries(s.recentDays());
}

QStringList StatsTabView::texts() const {
    QStringList result;
    for (const QLabel* label :
         {m_levelLabel, m_titleLabel, m_xpLabel, m_progressLabel, m_sessionLabel, m_todayLabel,
          m_allTimeLabel, m_wpmLabel, m_streakLabel}) {
        result << label->text();
    }
    return result;
}

QString StatsTabView::chartCaption() const {
    return m_chartCaption->text();
}

void StatsTabView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), m_background);
}

}  // namespace quib
