#include "panel/ShopTab.h"

#include <QLabel>
#include <QPainter>

#include "panel/FlatViews.h"
#include "panel/ScrollPage.h"
#include "panel/StyleKit.h"

namespace quib {

namespace {

constexpr std::pair<AchievementCategory, const char*> kCategories[] = {
    {AchievementCategory::keystrokes, "KEYSTROKES"}, {AchievementCategory::clicks, "CLICKS"},
    {AchievementCategory::streak, "STREAK"},         {AchievementCategory::speed, "SPEED"},
    {AchievementCategory::session, "SESSION"},
};

qreal contentHeight() {
    qreal achievements = 36;
    for (const auto& [category, caption] : kCategories) {
        const auto count =
            std::count_if(allAchievements().begin(), allAchievements().end(),
                          [c = category](const Achievement& a) { return a.category == c; });
        achievements += 14 + 18 * static_cast<qreal>(count) + 8;
    }
    return 28 * static_cast<qreal>(kAppThemeCount) + 36 + 16 + 126 + achievements + 16;
}

QString walletText(const GameStats& stats) {
    return QString::number(stats.coins()) + QStringLiteral(" COINS  |  ") +
           QString::number(stats.lockedKeyProfiles().size()) + QStringLiteral("K ") +
           QString::number(stats.lockedMouseProfiles().size()) + QStringLiteral("M ") +
           QString::number(stats.lockedThemes().size()) + QStringLiteral("T LOCKED");
}

}  // namespace

ShopTabView::ShopTabView(QWidget* parent) : QWidget(parent), m_background(style::brutalWhite()) {
    resize(parent ? parent->size() : QSize(340, 398));
}

void ShopTabView::configure(const GameStats& gameStats) {
    m_gameStats = &gameStats;
    refresh();
}

void ShopTabView::setClaimSuspended(bool suspended) {
    m_claimSuspended = suspended;
    refresh();
}

void ShopTabView::refresh() {
    if (!m_gameStats) {
        return;
    }
    m_background = style::brutalWhite();
    update();
    // A tap on the page may be what asked for this refresh: the old page goes
    // once its event has been handled.
    if (m_scrollView) {
        m_scrollView->hide();
        m_scrollView->deleteLater();
    }
    m_scrollView = new ScrollPage(this, static_cast<int>(contentHeight()));
    qreal y = m_scrollView->documentHeight() - kMargin - 14;
    y = addWallet(y);
    y = addThemes(y);
    addAchievements(y);
    m_scrollView->show();
    m_scrollView->scrollToTop();
}

qreal ShopTabView::addWallet(qreal y) {
    QWidget* document = m_scrollView->document();
    style::place(style::makeSectionHeader(QStringLiteral("WALLET"), document),
                 {kMargin, y, 200, 14});
    y -= 8 + 24;
    m_coinsLabel = addLabel({kMargin, y, width() - 2 * kMargin, 18}, walletText(*m_gameStats), 12,
                            true, style::brutalBlack(), 2);
    y -= 16 + 32;
    m_claimButton = new FlatButton(document);
    style::place(m_claimButton, {kMargin, y, width() - 2 * kMargin, 32});
    m_claimButton->setTitle(QStringLiteral("> CLAIM REWARD [1 COIN]"),
                            style::monoAttrs(10, style::Weight::bold, style::brutalWhite(), 2));
    const bool canClaim = m_gameStats->canClaimReward() && !m_claimSuspended;
    m_claimButton->setEnabled(canClaim);
    m_claimButton->setFill(canClaim ? style::brutalAccent() : style::brutalGrayLight());
    connect(m_claimButton, &FlatButton::clicked, this, [this] {
        if (onClaimReward) {
            onClaimReward();
        }
    });
    addRule(y -= 16);
    return y;
}

qreal ShopTabView::addThemes(qreal y) {
    style::place(style::makeSectionHeader(QStringLiteral("THEMES"), m_scrollView->document()),
                 {kMargin, y -= 8 + 18, 200, 14});
    y -= 8;
    for (std::size_t index = 0; index < kAppThemeCount; ++index) {
        const AppTheme theme = allAppThemes()[index];
        auto* row = new FlatButton(m_scrollView->document());
        row->setTag(static_cast<int>(index));
        style::place(row, {kMargin, y -= 28, width() - 2 * kMargin, 26});
        const bool unlocked = m_gameStats->isThemeUnlocked(theme);
        const RowLook look = m_gameStats->activeTheme() == theme ? RowLook::chosen
                             : unlocked                          ? RowLook::available
                                                                 : RowLook::locked;
        styleRow(*row, look, QString::fromUtf8(rawValue(theme).data()));
        if (unlocked) {
            connect(row, &FlatButton::clicked, this, [this, theme] {
                if (onThemeSelected) {
                    onThemeSelected(theme);
                }
            });
        }
    }
    return y;
}

qreal ShopTabView::addAchievements(qreal y) {
    addRule(y - 16);
    y -= 16 + 8 + 18;
    const QString title = QStringLiteral("ACHIEVEMENTS [%1/%2]")
                              .arg(m_gameStats->unlockedCount())
                              .arg(GameStats::totalAchievementCount);
    style::place(style::makeSectionHeader(title, m_scrollView->document()),
                 {kMargin, y, width() - 2 * kMargin, 16});
    const auto unlocked = m_gameStats->unlockedAchievementIDs();
    const qreal w = width() - 2 * kMargin;
    for (const auto& [category, caption] : kCategories) {
        addLabel({kMargin, y -= 8 + 14, w, 14},
                 QStringLiteral("--- %1 ---").arg(QLatin1String(caption)), 9, true,
                 style::brutalGrayMid(), 2);
        for (const Achievement& achievement : allAchievements()) {
            if (achievement.category != category) {
                continue;
            }
            const bool done = unlocked.contains(achievement.id);
            QLabel* line =
                addLabel({kMargin, y -= 18, w, 18},
                         (done ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) +
                             QString::fromStdString(achievement.name).toUpper(),
                         10, done, done ? style::brutalBlack() : style::brutalGrayLight(), 1.5);
            line->setToolTip(QString::fromStdString(achievement.description));
        }
    }
    return y;
}

QLabel* ShopTabView::addLabel(const QRectF& frame, const QString& text, qreal size, bool bold,
                              const QColor& color, qreal kern) {
    auto* label = new QLabel(m_scrollView->document());
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    style::setText(
        label, text,
        style::monoAttrs(size, bold ? style::Weight::bold : style::Weight::medium, color, kern));
    style::place(label, frame);
    return label;
}

void ShopTabView::addRule(qreal y) {
    style::place(new Box(m_scrollView->document(), style::brutalBlack()),
                 {kMargin, y, width() - 2 * kMargin, 2});
}

void ShopTabView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), m_background);
}

}  // namespace quib
