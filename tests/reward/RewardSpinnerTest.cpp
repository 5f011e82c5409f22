#include "reward/RewardSpinner.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractAnimation>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QScreen>

#include "panel/FlatViews.h"
#include "reward/FakeStepTimer.h"
#include "support/Fakes.h"
#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib::test {
namespace {

const std::vector<std::string> kNames{"Soft Tock", "MX Blue", "Haptic", "Typewriter"};

class RewardSpinnerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto made = std::make_unique<FakeStepTimer>();
        timer = made.get();
        spinner = std::make_unique<RewardSpinner>(random, std::move(made));
        spinner->onTick = [this] { calls.push_back("tick"); };
        spinner->onTestSound = [this](const std::string& name, RewardType type) {
            calls.push_back("test " + name + " " + std::string(label(type)));
        };
        spinner->onApplyName = [this](const std::string& name, RewardType type) {
            calls.push_back("apply " + name + " " + std::string(label(type)));
        };
        spinner->onDismiss = [this] { calls.push_back("dismiss"); };
    }

    void show(RewardType type = RewardType::keyboard, const std::string& winner = "Haptic") {
        spinner->show(kNames, winner, type);
    }
    void land() {
        while (!spinner->isLanded() && timer->fire()) {
        }
        calls.clear();
    }
    template <typename View = QLabel>
    View* view(const char* name) const {
        return spinner->window()->findChild<View*>(QString::fromLatin1(name));
    }
    QString text(const char* name) const { return view(name)->text(); }
    void click(const char* name) { QTest::mouseClick(view<FlatButton>(name), Qt::LeftButton); }
    int count(const std::string& call) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }

    QApplication& app = application();
    ThemeScope theme{AppTheme::classic};
    ScriptedRandom random{{1, 3}};   // starts at "MX Blue", at least 43 steps
    std::vector<std::string> calls;  // outlives the spinner, which reports as it goes
    FakeStepTimer* timer = nullptr;
    std::unique_ptr<RewardSpinner> spinner;
};

TEST_F(RewardSpinnerTest, TheReelShowsEachNameInCapitalsTicksAndWaitsAsScheduled) {
    show();
    EXPECT_EQ(text("titleLabel"), "[ OPENING ]");
    EXPECT_EQ(text("typeLabel"), "KEYBOARD");
    EXPECT_TRUE(text("profileLabel").isEmpty());
    EXPECT_FALSE(view<QWidget>("buttonContainer")->isVisible());
    int steps = 0;
    for (int step = 1; timer->fire(); ++step) {
        const auto& name = kNames[(1 + step - 1) % kNames.size()];
        ASSERT_EQ(text("profileLabel"), QString::fromStdString(name).toUpper()) << step;
        ASSERT_EQ(count("tick"), step);
        steps = step;
    }
    EXPECT_TRUE(spinner->isLanded());
    EXPECT_EQ(steps, 46) << "43 steps, then on to \"Haptic\"";
    const std::vector<double>& waits = timer->delays;
    EXPECT_EQ(waits.size(), 46u) << "one wait before each step, none after the landing";
    EXPECT_TRUE(std::is_sorted(waits.begin(), waits.end())) << "the window only slows down";
    EXPECT_GT(waits.back(), waits.front());
    EXPECT_FALSE(timer->isActive());
}

TEST_F(RewardSpinnerTest, LandingAnnouncesTheWinnerAndFadesInItsNameAndTheButtons) {
    show();
    land();
    EXPECT_EQ(text("titleLabel"), "[ UNLOCKED ]");
    EXPECT_EQ(text("profileLabel"), "HAPTIC");
    EXPECT_EQ(view("profileLabel")->palette().color(QPalette::WindowText), style::brutalAccent());
    EXPECT_TRUE(view<QWidget>("buttonContainer")->isVisible());
    auto* reveal = spinner->window()->findChild<QAbstractAnimation*>("reveal");
    ASSERT_NE(reveal, nullptr);
    EXPECT_EQ(reveal->duration(), 400);
    std::vector<QGraphicsOpacityEffect*> fades;
    for (const char* name : {"profileLabel", "buttonContainer"}) {
        fades.push_back(
            qobject_cast<QGraphicsOpacityEffect*>(view<QWidget>(name)->graphicsEffect()));
        ASSERT_NE(fades.back(), nullptr) << name;
        EXPECT_EQ(fades.back()->opacity(), 0.0) << name;
    }
    reveal->setCurrentTime(200);
    for (auto* fade : fades) {
        EXPECT_GT(fade->opacity(), 0.6) << "ease-out: most of the way at half time";
        EXPECT_LT(fade->opacity(), 1.0);
    }
    reveal->setCurrentTime(400);
    EXPECT_EQ(view<QWidget>("buttonContainer")->graphicsEffect(), nullptr) << "opaque again";
}

TEST_F(RewardSpinnerTest, EachKindNamesItselfAndOnlyThemesHideTestSound) {
    const struct {
        RewardType type;
        const char* label;
        bool testSound;
    } cases[] = {{RewardType::keyboard, "KEYBOARD", true},
                 {RewardType::mouse, "MOUSE", true},
                 {RewardType::theme, "THEME", false}};
    for (const auto& c : cases) {
        SetUp();
        random = ScriptedRandom({0, 0});
        show(c.type);
        land();
        EXPECT_EQ(text("typeLabel"), c.label);
        EXPECT_TRUE(view<FlatButton>("applyButton")->isVisible());
        EXPECT_TRUE(view<FlatButton>("closeButton")->isVisible());
        EXPECT_EQ(view<FlatButton>("testButton")->isVisible(), c.testSound) << c.label;
    }
}

TEST_F(RewardSpinnerTest, EachButtonCallsExactlyItsCallbacks) {
    show(RewardType::mouse);
    land();
    click("testButton");
    click("testButton");
    EXPECT_EQ(calls, (std::vector<std::string>{"test Haptic MOUSE", "test Haptic MOUSE"}));
    ASSERT_NE(spinner->window(), nullptr) << "TEST SOUND keeps the window";
    calls.clear();
    click("applyButton");
    EXPECT_EQ(calls, (std::vector<std::string>{"apply Haptic MOUSE", "dismiss"}));
    EXPECT_EQ(spinner->window(), nullptr);

    SetUp();
    show();
    land();
    click("closeButton");
    EXPECT_EQ(calls, std::vector<std::string>{"dismiss"});
}

TEST_F(RewardSpinnerTest, ReturnAppliesOnceLandedAndNotBefore) {
    show();
    QTest::keyClick(spinner->window(), Qt::Key_Return);
    EXPECT_TRUE(calls.empty());
    land();
    QTest::keyClick(spinner->window(), Qt::Key_Return);
    EXPECT_EQ(calls, (std::vector<std::string>{"apply Haptic KEYBOARD", "dismiss"}));
}

TEST_F(RewardSpinnerTest, EveryWayTheWindowGoesReportsDismissalExactlyOnce) {
    show();
    timer->fire();
    spinner->window()->close();  // the window manager's close, mid-reel
    EXPECT_EQ(calls, (std::vector<std::string>{"tick", "dismiss"}));
    EXPECT_FALSE(timer->isActive()) << "no step is left pending";
    EXPECT_EQ(spinner->window(), nullptr);

    SetUp();
    show();
    land();
    QPointer<QWidget> window = spinner->window();
    spinner.reset();  // the program quitting with the window up
    EXPECT_EQ(calls, std::vector<std::string>{"dismiss"});
    EXPECT_TRUE(window.isNull()) << "the window goes with its spinner";

    SetUp();
    show();
    land();
    click("closeButton");
    spinner.reset();
    EXPECT_EQ(calls, std::vector<std::string>{"dismiss"});
}

TEST_F(RewardSpinnerTest, AFloatingCardCentredOnThePointersScreen) {
    show();
    QWidget* window = spinner->window();
    ASSERT_EQ(window->size(), QSize(425, 325));
    const QRect screen = app.primaryScreen()->geometry();
    EXPECT_EQ(window->pos(), QPoint((screen.width() - 425) / 2, (screen.height() - 325) / 2));
}

TEST_F(RewardSpinnerTest, TheWindowTakesTheFocusOnlyOnceClickedAndMovesWithItsBackground) {
    show();
    FloatingWindow* window = spinner->window();
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(window->acceptsFocus());
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(window->acceptsFocus());

    // A drag on the card's background, where no button takes the press.
    const QPoint start = window->pos();
    const auto send = [window, start](QEvent::Type type, QPoint by, Qt::MouseButtons buttons) {
        const QPointF local = QPointF(20, 20) + by;
        QMouseEvent event(type, local, QPointF(start) + local,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, {});
        QApplication::sendEvent(window, &event);
    };
    send(QEvent::MouseButtonPress, {}, Qt::LeftButton);
    send(QEvent::MouseMove, {30, 20}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {30, 20}, Qt::NoButton);
    EXPECT_EQ(window->pos(), start + QPoint(30, 20));
}

}  // namespace
}  // namespace quib::test
