// The panel's costs on the offscreen platform: building and showing it (the
// first time and after a theme change), a SOUNDS rebuild with both lists
// expanded, and the STATS refresh that runs once a second while it is open.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "panel/FlatViews.h"
#include "panel/PanelWindow.h"
#include "panel/PopoverPanel.h"
#include "panel/SoundsTab.h"
#include "panel/StatsTab.h"
#include "support/StoreFixture.h"

namespace quib {
namespace {

test::TestStore& store() {
    static test::TestStore instance;
    return instance;
}

void pushData(PopoverPanel& panel) {
    const GameStats& stats = *store().stats;
    panel.setSoundsData(SoundProfile::iphone, SoundProfile::iphone, 0.5F, 0.5F, stats);
    panel.setStatsData(stats);
    panel.setShopData(stats);
    panel.setFocusData({}, std::nullopt, false, 0.5F, stats);
}

// What the event loop does next: the posted events (layout, polish, the
// deletion of replaced widgets) and one paint of the window.
void settle(QWidget* widget) {
    QCoreApplication::sendPostedEvents();
    widget->repaint();
}

// The very first panel of the process, with fonts and styles still cold.
void BM_PanelFirstShowColdProcess(benchmark::State& state) {
    for (auto _ : state) {
        PopoverPanel panel([] { return QRect(); });
        pushData(panel);
        panel.show();
        settle(panel.window());
    }
}
BENCHMARK(BM_PanelFirstShowColdProcess)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PanelFirstShow(benchmark::State& state) {
    for (auto _ : state) {
        PopoverPanel panel([] { return QRect(); });
        pushData(panel);
        panel.show();
        settle(panel.window());
        state.PauseTiming();
        panel.dismiss();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PanelFirstShow)->Unit(benchmark::kMillisecond);

void BM_PanelShowAfterForceRebuild(benchmark::State& state) {
    PopoverPanel panel([] { return QRect(); });
    pushData(panel);
    for (auto _ : state) {
        panel.forceRebuild();
        panel.show();
        settle(panel.window());
    }
}
BENCHMARK(BM_PanelShowAfterForceRebuild)->Unit(benchmark::kMillisecond);

void BM_SoundsRebuildBothListsExpanded(benchmark::State& state) {
    SoundsTabView tab(nullptr);
    tab.resize(PanelWindow::kPanelWidth, PanelWindow::kContentHeight);
    tab.configure(SoundProfile::iphone, SoundProfile::iphone, 0.5F, 0.5F, *store().stats);
    tab.keyExpandButton()->click();
    tab.mouseExpandButton()->click();
    tab.show();
    for (auto _ : state) {
        tab.refresh();
        settle(&tab);
    }
    state.counters["rows"] =
        static_cast<double>(tab.keyProfileButtons().size() + tab.mouseProfileButtons().size());
}
BENCHMARK(BM_SoundsRebuildBothListsExpanded)->Unit(benchmark::kMillisecond);

void BM_StatsRefresh(benchmark::State& state) {
    PopoverPanel panel([] { return QRect(); });
    pushData(panel);
    panel.show();
    panel.selectTab(2);
    settle(panel.window());
    // The timer's work and the repaint of the tab it leads to.
    for (auto _ : state) {
        panel.statsTab()->refresh();
        panel.statsTab()->repaint();
    }
}
BENCHMARK(BM_StatsRefresh)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quib

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    quib::store();  // opened before the clock runs
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
