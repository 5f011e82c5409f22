// The drop-down panel on each of its four tabs.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QRect>

#include "Shots.h"
#include "panel/DailyChart.h"
#include "panel/FlatViews.h"
#include "panel/PanelWindow.h"
#include "panel/PopoverPanel.h"
#include "panel/ScrollPage.h"
#include "panel/SoundsTab.h"
#include "panel/StatsTab.h"

namespace quib::shots {

namespace {

const char* const kTabNames[PanelWindow::kTabCount] = {"sounds", "focus", "stats", "rewards"};

PackInfo pack(const char* id, const char* name, bool valid) {
    PackInfo info;
    info.id = id;
    info.name = name;
    info.keys = valid ? 87 : 0;
    info.valid = valid;
    info.problem = valid ? "" : "config.json: 'defines'.'30': file 'a.wav' not found";
    return info;
}

void renderPanel(ShotContext& context, const SaveShot& save) {
    PopoverPanel panel([] { return QRect(); });
    panel.show();
    // Pushed once the window exists, as the application's refreshes are, so
    // that REWARDS shows its highlight for the coins.
    const GameStats& stats = context.stats;
    panel.setSoundsData(SoundProfile::mxBlue, SoundProfile::iphone, 0.8F, 0.35F, stats);
    panel.setStatsData(stats);
    panel.setShopData(stats);
    panel.setFocusData({AmbientSound::brownNoise, AmbientSound::rain}, std::nullopt, true, 0.6F,
                       stats);
    for (int tab = 0; tab < PanelWindow::kTabCount; ++tab) {
        panel.selectTab(tab);
        save(QString::fromLatin1(kTabNames[tab]), grabWindow(panel.window()));
    }
    // The pointer over a day of the chart.
    panel.selectTab(2);
    DailyChart* chart = panel.statsTab()->chart();
    const QPointF over = chart->barRect(chart->series().size() - 4).center();
    QMouseEvent move(QEvent::MouseMove, over, chart->mapToGlobal(over), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(chart, &move);
    save(QStringLiteral("stats-hover"), grabWindow(panel.window()));
    // The keyboard muted and its whole list open.
    panel.selectTab(0);
    panel.setSoundsData(std::nullopt, SoundProfile::snap, 0.8F, 0.35F, stats);
    panel.soundsTab()->keyExpandButton()->click();
    save(QStringLiteral("sounds-muted-expanded"), grabWindow(panel.window()));
    // Three imported packs after the profiles, one playing and one broken.
    panel.setPacks(
        {pack("cherry-mx-blue", "Cherry MX Blue (ABS)", true),
         pack("holy-pandas", "Holy Pandas", true), pack("broken", "Broken Download", false)},
        "holy-pandas");
    panel.setSoundsData(std::nullopt, SoundProfile::snap, 0.8F, 0.35F, stats);
    SoundsTabView* sounds = panel.soundsTab();
    const FlatButton* last = sounds->packButtons().back();
    sounds->scrollView()->setOffset(last->y() + last->height() + 60 -
                                    sounds->scrollView()->height());
    save(QStringLiteral("sounds-packs"), grabWindow(panel.window()));
}

}  // namespace

void addPanelShots(std::vector<ShotFamily>& families) {
    families.push_back({QStringLiteral("panel"), renderPanel});
}

}  // namespace quib::shots
