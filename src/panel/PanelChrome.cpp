// The panel's fixed parts: header, tab bar and footer, in the frames of the
// design (bottom-left points inside the 340 × 520 body).
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <cmath>

#include "panel/FlatViews.h"
#include "panel/Glyphs.h"
#include "panel/PanelWindow.h"
#include "panel/StyleKit.h"
#include "platform/Paths.h"

namespace quib {

namespace {

constexpr int kLogoSide = 36;

QPixmap loadLogo() {
    const auto path = findResource({}, "header-logo", "png");
    if (!path) {
        return {};
    }
    const QPixmap logo(QString::fromStdString(path->string()));
    if (logo.isNull()) {
        return {};
    }
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    const int side = static_cast<int>(std::lround(kLogoSide * ratio));
    QPixmap scaled = logo.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

}  // namespace

QUrl supportPageUrl() {
    const QUrl url(QStringLiteral(QUIB_SUPPORT_URL), QUrl::StrictMode);
    const bool web =
        url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    return url.isValid() && web && !url.host().isEmpty() ? url : QUrl();
}

QString panelVersionText() {
    return QStringLiteral("v") + QStringLiteral(QUIB_VERSION);
}

QString PanelWindow::tabTitle(int index) {
    static const char* const titles[kTabCount] = {"// SOUNDS", "// FOCUS", "// STATS",
                                                  "// REWARDS"};
    return QString::fromLatin1(titles[index]);
}

void PanelWindow::buildHeader() {
    m_headerView = new Box(m_mainContainer, style::brutalBlack());
    style::place(m_headerView, QRectF(0, kPanelHeight - kHeaderHeight, kPanelWidth, kHeaderHeight));
    style::place(new Box(m_headerView, style::brutalAccent()), QRectF(0, 0, kPanelWidth, 2));
    int titleX = 16;
    if (const QPixmap logo = loadLogo(); !logo.isNull()) {
        auto* view = new QLabel(m_headerView);
        view->setAlignment(Qt::AlignCenter);
        view->setPixmap(logo);
        style::place(view, QRectF(12, 9, kLogoSide, kLogoSide));
        titleX = 54;
        m_hasLogo = true;
    }
    m_titleLabel = new QLabel(m_headerView);
    m_titleLabel->setAttribute(Qt::WA_TranslucentBackground);
    m_titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    style::setText(m_titleLabel, QStringLiteral("QUIB."),
                   style::monoAttrs(18, style::Weight::heavy, style::brutalWhite(), 4));
    style::place(m_titleLabel, QRectF(titleX, 14, 100, 26));
    m_quitButton = headerButton(QStringLiteral("QUIT"), 278, 50);
    m_enabledToggle = headerButton(QStringLiteral("ON"), 222, 48);
}

FlatButton* PanelWindow::headerButton(const QString& title, int x, int width) {
    auto* button = new FlatButton(m_headerView);
    style::place(button, QRectF(x, 14, width, 26));
    button->setBorder(style::brutalGrayMid(), 2);
    button->setTitle(title, style::monoAttrs(10, style::Weight::bold, style::brutalWhite(), 2));
    return button;
}

void PanelWindow::showEnabledState(bool enabled) {
    // ON sits on the text-coloured header: where the accent is that colour,
    // it takes the header title's colour instead.
    const QColor on =
        style::legibleOn(style::brutalAccent(), style::brutalBlack(), style::brutalWhite());
    const QColor color = enabled ? on : style::brutalGrayLight();
    m_enabledToggle->setTitle(enabled ? QStringLiteral("ON") : QStringLiteral("OFF"),
                              style::monoAttrs(10, style::Weight::bold, color, 2));
}

void PanelWindow::buildTabBar(int currentTab) {
    const int top = kPanelHeight - kHeaderHeight - kTabBarHeight;
    m_tabBar = new Box(m_mainContainer, style::brutalWhite());
    style::place(m_tabBar, QRectF(0, top, kPanelWidth, kTabBarHeight));
    style::place(new Box(m_tabBar, style::brutalBlack()), QRectF(0, 0, kPanelWidth, 2));
    for (int i = 0; i < kTabCount; ++i) {
        auto* button = new FlatButton(m_tabBar);
        style::place(button, QRectF(8 + 80 * i, 7, 74, 28));
        button->setTag(i);
        styleTabButton(button, tabTitle(i), i == currentTab, false);
        m_tabButtons.push_back(button);
    }
}

void PanelWindow::styleTabButton(FlatButton* button, const QString& title, bool selected,
                                 bool highlight) {
    if (selected) {
        button->setFill(style::brutalAccent());
        button->setBorder(QColor(), 0);
        button->setTitle(
            title, style::monoAttrs(9, style::Weight::bold, style::brutalAccentContrast(), 1.5));
        return;
    }
    const QColor color = highlight ? style::brutalAccent() : style::brutalBlack();
    button->setFill(QColor());
    button->setBorder(color, 2);
    button->setTitle(title, style::monoAttrs(9, style::Weight::bold, color, 1.5));
}

void PanelWindow::buildFooter() {
    m_footer = new Box(m_mainContainer, style::brutalBlack());
    style::place(m_footer, QRectF(0, 0, kPanelWidth, kFooterHeight));
    style::place(new Box(m_footer, style::brutalAccent()), QRectF(0, 27, kPanelWidth, 1));

    m_versionButton = new FlatButton(m_footer);
    const auto versionAttrs =
        style::monoAttrs(9, style::Weight::medium, style::faded(style::brutalWhite(), 0.35), 1.5);
    m_versionButton->setTitle(panelVersionText(), versionAttrs);
    m_versionButton->setToolTip(QStringLiteral("Check for updates"));
    // The frame was drawn for "v1.0"; a longer version widens it instead of
    // being cut.
    const qreal textWidth =
        QFontMetricsF(versionAttrs.font).horizontalAdvance(panelVersionText()) + 4;
    style::place(m_versionButton, QRectF(10, 0, std::max(36.0, std::ceil(textWidth)), 27));

    const bool linked = !supportPageUrl().isEmpty();
    m_supportIcon = new FlatButton(m_footer);
    style::place(m_supportIcon, QRectF(312, 4.5, 18, 18));
    m_supportIcon->setImage(
        style::glyph(style::Glyph::support, style::faded(style::brutalWhite(), 0.5), {18, 18}),
        {18, 18});
    m_supportLabel = new FlatButton(m_footer);
    style::place(m_supportLabel, QRectF(176, 0, 130, 27));
    m_supportLabel->setTitleAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_supportLabel->setTitle(
        QStringLiteral("BUY ME A COFFEE"),
        style::monoAttrs(8, style::Weight::medium, style::faded(style::brutalWhite(), 0.30), 1.5));
    for (FlatButton* button : {m_supportIcon, m_supportLabel}) {
        // Without a configured page there is nothing to open: no dead buttons.
        button->setVisible(linked);
        button->setCursor(Qt::PointingHandCursor);
        button->setToolTip(linked ? supportPageUrl().toString() : QString());
    }
}

}  // namespace quib
