#include "panel/OnboardingWindow.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <fstream>

#include "panel/FlatViews.h"
#include "panel/TextBlock.h"
#include "platform/input/PermissionService.h"
#include "support/TempDir.h"
#include "support/TestApplication.h"
#include "support/ThemeScope.h"

namespace quib::test {
namespace {

class SwitchablePermission final : public PermissionService {
  public:
    bool requestTrust() override { return isTrusted(); }
    bool isTrusted() const override {
        ++queries;
        return trusted;
    }
    bool needsDeviceAccess() const override { return devices; }
    bool throughInputHelper() const override { return helper; }
    bool trusted = false;
    bool devices = true;
    bool helper = false;
    mutable int queries = 0;
};

class OnboardingWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QImage logo(128, 96, QImage::Format_ARGB32);
        logo.fill(Qt::red);
        logo.save(QString::fromStdString(logoPath().string()));
    }

    std::filesystem::path logoPath() const { return dir.path() / "header-logo.png"; }

    OnboardingWindow& open(std::filesystem::path logo) {
        window = std::make_unique<OnboardingWindow>(permission, "file:///guide.html",
                                                    std::move(logo), intervals);
        window->onComplete = [this] { ++completions; };
        window->openUrl = [this](const QUrl& url) {
            opened.push_back(url.toString().toStdString());
            return true;
        };
        window->show();
        return *window;
    }
    OnboardingWindow& open() { return open(logoPath()); }

    QWidget* card() const { return window->window()->card(); }
    // The card's views but the accent bar, in the order they were added.
    std::vector<QWidget*> stepViews() const {
        std::vector<QWidget*> views;
        for (QWidget* view :
             card()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (view != window->window()->accentBar()) {
                views.push_back(view);
            }
        }
        return views;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (QWidget* view : stepViews()) {
            if (auto* block = dynamic_cast<TextBlock*>(view)) {
                out.push_back(block->text().toStdString());
            } else if (auto* button = dynamic_cast<FlatButton*>(view)) {
                out.push_back("[" + button->title().toStdString() + "]");
            }
        }
        return out;
    }
    // A view's frame in the card's bottom-left coordinates.
    QRect frameOf(QWidget* view) const { return style::flipped(view->geometry(), 420); }
    FlatButton* button(const QString& title) const {
        for (auto* candidate : card()->findChildren<FlatButton*>()) {
            if (candidate->title() == title) {
                return candidate;
            }
        }
        return nullptr;
    }
    void click(const QString& title) {
        FlatButton* target = button(title);
        ASSERT_NE(target, nullptr) << title.toStdString();
        QTest::mouseClick(target, Qt::LeftButton);
    }

    QApplication& app = application();
    ThemeScope theme{AppTheme::classic};
    TempDir dir;
    SwitchablePermission permission;
    // The grant stays on screen as long as a test looks; one test shortens it.
    OnboardingWindow::Intervals intervals{std::chrono::milliseconds(5), std::chrono::hours(1)};
    std::unique_ptr<OnboardingWindow> window;
    int completions = 0;
    std::vector<std::string> opened;
};

TEST_F(OnboardingWindowTest, WelcomeStepWithTheLogoOrWithoutIt) {
    const struct {
        const char* name;
        bool writeLogo;
        bool garbage;
        std::vector<int> ys;  // title, tag line, text, button
    } cases[] = {{"logo", true, false, {254, 210, 126, 90}},
                 {"no file", false, false, {330, 286, 202, 166}},
                 {"unreadable", false, true, {330, 286, 202, 166}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::path logo = c.writeLogo ? logoPath() : dir.path() / c.name;
        if (c.garbage) {
            std::ofstream(logo) << "not a picture";
        }
        open(logo);
        EXPECT_EQ(window->window()->size(), QSize(445, 425));
        EXPECT_EQ(texts(), (std::vector<std::string>{
                               "QUIB.", "MAKE TYPING FUN.",
                               "Satisfying click sounds for your\nkeyboard and mouse. Level up as "
                               "you type.\nUnlock new sounds, themes, and more.",
                               "[GET STARTED]"}));
        auto* logoView = card()->findChild<QLabel*>("logo");
        EXPECT_EQ(logoView != nullptr, c.writeLogo);
        if (logoView != nullptr) {
            EXPECT_EQ(frameOf(logoView), QRect(188, 306, 64, 64));
            EXPECT_EQ(logoView->pixmap().deviceIndependentSize().toSize(), QSize(64, 48));
        }
        const auto views = stepViews();
        const std::size_t first = views.size() - 4;
        EXPECT_EQ(frameOf(views[first]), QRect(0, c.ys[0], 440, 40));
        EXPECT_EQ(frameOf(views[first + 1]), QRect(0, c.ys[1], 440, 20));
        EXPECT_EQ(frameOf(views[first + 2]), QRect(40, c.ys[2], 360, 60));
        EXPECT_EQ(frameOf(views[first + 3]), QRect(100, c.ys[3], 240, 36));
    }
}

TEST_F(OnboardingWindowTest, WaitingForAccessOpensTheGuideAndPollsUntilGranted) {
    open();
    click("GET STARTED");
    EXPECT_EQ(window->currentStep(), 1);
    EXPECT_EQ(texts(),
              (std::vector<std::string>{
                  "// SETUP", "ALLOW\nACCESS",
                  "QUIB needs read access to the input\ndevices to hear keystrokes and clicks.",
                  "[OPEN SETTINGS]", "// waiting for permission..."}));
    EXPECT_EQ(button("OPEN SETTINGS")->tag(), 100);
    EXPECT_TRUE(window->isPolling());
    click("OPEN SETTINGS");
    EXPECT_EQ(opened, std::vector<std::string>{"file:///guide.html"});
    EXPECT_EQ(window->currentStep(), 1) << "the window stays and keeps polling";

    ASSERT_TRUE(waitFor([this] { return permission.queries > 20; }));
    EXPECT_TRUE(window->isPolling()) << "the poll never gives up";
    permission.trusted = true;
    ASSERT_TRUE(waitFor([this] { return button("GRANTED") != nullptr; }));
    EXPECT_FALSE(window->isPolling());
    EXPECT_FALSE(button("GRANTED")->isEnabled());
    EXPECT_EQ(button("GRANTED")->titleColor(), style::brutalWhite());
    auto* status = dynamic_cast<TextBlock*>(card()->findChild<QWidget*>("status"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), "// permission granted");
    EXPECT_EQ(status->attrs().color, style::brutalAccent());
    EXPECT_EQ(window->currentStep(), 1) << "the grant is shown for a moment";
}

TEST_F(OnboardingWindowTest, AfterShowingTheGrantTheWindowMovesOnByItself) {
    intervals.afterGrant = std::chrono::milliseconds(5);
    open();
    click("GET STARTED");
    permission.trusted = true;
    ASSERT_TRUE(waitFor([this] { return window->currentStep() == 2; }));
    EXPECT_EQ(texts().back(), "[START CLICKING]");
}

TEST_F(OnboardingWindowTest, ThroughTheInputHelperTheAccessStepSaysWhatItShares) {
    permission.trusted = true;
    permission.devices = false;
    permission.helper = true;
    open();
    click("GET STARTED");
    EXPECT_EQ(texts(), (std::vector<std::string>{
                           "// SETUP", "ALLOW\nACCESS",
                           "QUIB hears keys through its helper,\nwhich shares no key code or text.",
                           "// permission granted", "[CONTINUE]"}));
}

TEST_F(OnboardingWindowTest, AccessAlreadyThereShowsItGrantedWithoutPolling) {
    permission.trusted = true;  // the X11 backend
    permission.devices = false;
    open();
    click("GET STARTED");
    EXPECT_EQ(texts(), (std::vector<std::string>{
                           "// SETUP", "ALLOW\nACCESS",
                           "On X11 QUIB needs no permission\nto hear your keystrokes and clicks.",
                           "// permission granted", "[CONTINUE]"}));
    EXPECT_FALSE(window->isPolling());
    EXPECT_EQ(frameOf(button("CONTINUE")), QRect(100, 74, 240, 36));
    click("CONTINUE");
    EXPECT_EQ(window->currentStep(), 2);
    EXPECT_EQ(texts(), (std::vector<std::string>{
                           "// ALMOST DONE", "BUILT WITH\nOBSESSION.",
                           "No subscription. No cloud. No account.\nNo telemetry. Just clicks.\n\n"
                           "QUIB is free forever.\nWe built it because we wanted it.",
                           "[START CLICKING]"}));
    EXPECT_EQ(frameOf(stepViews()[2]), QRect(40, 140, 360, 80));
}

TEST_F(OnboardingWindowTest, FinishingHidesStopsAndCompletesOnceByButtonReturnOrClose) {
    const struct {
        const char* way;
        std::function<void()> finish;
    } cases[] = {
        {"START CLICKING", [this] { click("START CLICKING"); }},
        {"Return", [this] { QTest::keyClick(window->window(), Qt::Key_Return); }},
        {"window manager", [this] { window->window()->close(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.way);
        completions = 0;
        permission.trusted = true;
        open();
        click("GET STARTED");
        click("CONTINUE");
        QPointer<QWidget> shown = window->window();
        c.finish();
        EXPECT_EQ(completions, 1);
        EXPECT_EQ(window->window(), nullptr);
        EXPECT_TRUE(shown.isNull() || !shown->isVisible());
        QTest::keyClick(shown, Qt::Key_Return);
        EXPECT_EQ(completions, 1) << "once only";
    }
}

TEST_F(OnboardingWindowTest, ReturnBeforeTheLastStepDoesNothing) {
    open();
    QTest::keyClick(window->window(), Qt::Key_Return);
    EXPECT_EQ(window->currentStep(), 0);
    EXPECT_EQ(completions, 0);
}

TEST_F(OnboardingWindowTest, ClosingWhileWaitingForAccessCompletesAndStopsThePoll) {
    open();
    click("GET STARTED");
    ASSERT_TRUE(window->isPolling());
    window->window()->close();
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(window->isPolling());
}

}  // namespace
}  // namespace quib::test
