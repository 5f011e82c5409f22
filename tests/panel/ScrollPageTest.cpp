#include "panel/ScrollPage.h"

#include <gtest/gtest.h>

#include <QScrollBar>

#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib {
namespace {

TEST(ScrollPageTest, DocumentKeepsTheTabWidthAndScrollsOnlyWhenTaller) {
    test::application();
    test::ThemeScope theme(AppTheme::classic);
    QWidget tab;
    tab.resize(340, 398);
    auto* tall = new ScrollPage(&tab, 846);
    tab.show();
    EXPECT_EQ(tall->document()->size(), QSize(340, 846));
    EXPECT_EQ(tall->viewport()->width(), 340);  // no scroll bar takes width
    tall->setOffset(100);
    EXPECT_EQ(tall->offset(), 100);
    EXPECT_EQ(tall->overlayScrollBar()->value(), 100);
    tall->scrollToTop();
    EXPECT_EQ(tall->offset(), 0);

    QWidget other;
    other.resize(340, 398);
    auto* shortPage = new ScrollPage(&other, 200);
    EXPECT_EQ(shortPage->documentHeight(), 398);
    EXPECT_EQ(shortPage->verticalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace quib
