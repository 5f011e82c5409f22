#include "platform/input/PermissionService.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <vector>

#include "platform/input/InputTestSupport.h"
#include "support/TempDir.h"

namespace quib {
namespace {

struct Posted {
    std::string title;
    std::string body;
};

TEST(EvdevPermissionService, TrustedWhenOneGivenDeviceCanBeReadAndSilent) {
    test::TempDir directory;
    const std::string readable = (directory.path() / "event0").string();
    std::ofstream(readable).put('\0');
    std::vector<Posted> posted;
    EvdevPermissionService service({(directory.path() / "missing").string(), readable},
                                   [&](std::string title, std::string body) {
                                       posted.push_back({std::move(title), std::move(body)});
                                   });
    EXPECT_TRUE(service.isTrusted());
    EXPECT_TRUE(service.requestTrust());
    EXPECT_TRUE(posted.empty());
}

TEST(EvdevPermissionService, RequestWithoutAccessPostsOneGuideNotificationPerRun) {
    test::TempDir directory;
    std::vector<Posted> posted;
    EvdevPermissionService service({(directory.path() / "missing").string()},
                                   [&](std::string title, std::string body) {
                                       posted.push_back({std::move(title), std::move(body)});
                                   });
    EXPECT_FALSE(service.requestTrust());
    EXPECT_FALSE(service.requestTrust());
    EXPECT_FALSE(service.isTrusted());
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_FALSE(posted[0].title.empty());
    EXPECT_NE(posted[0].body.find("input helper"), std::string::npos);
    EXPECT_NE(posted[0].body.find(accessGuideUrl()), std::string::npos);
}

TEST(EvdevPermissionService, AccessAppearingLaterIsSeenByTheSilentQuery) {
    test::TempDir directory;
    const std::string path = (directory.path() / "event0").string();
    EvdevPermissionService service({path}, nullptr);
    EXPECT_FALSE(service.requestTrust());  // No notifier wired: no crash either.
    std::ofstream(path).put('\0');
    EXPECT_TRUE(service.isTrusted());
    ::chmod(path.c_str(), 0);
    if (::geteuid() != 0) {  // Root reads anything; elsewhere a mode of 0 withdraws access.
        EXPECT_FALSE(service.isTrusted());
    }
}

TEST(EvdevPermissionService, ChangesInTheInputDirectoryAreReportedOncePerBurst) {
    test::qtApplication();    // the watch's socket notifiers need it before they are made
    test::TempDir directory;  // stands in for /dev/input
    EvdevPermissionService service({}, nullptr, directory.path());
    const auto node = directory.path() / "event7";
    std::vector<bool> reports;  // whether the node was there at each report
    auto watch = service.watchChanges([&] { reports.push_back(std::filesystem::exists(node)); });
    ASSERT_NE(watch, nullptr);
    // A second watch on the same directory, alive to the end: its report is
    // the sign that a change has been seen and judged.
    int witnessed = 0;
    auto witness = service.watchChanges([&] { ++witnessed; });
    std::ofstream(node).put('\0');
    ::chmod(node.c_str(), 0640);  // as udev sets the mode and the seat's ACL
    ASSERT_TRUE(test::waitFor([&] { return !reports.empty(); }));
    std::filesystem::remove(node);  // the next burst
    ASSERT_TRUE(test::waitFor([&] { return !reports.back(); }));
    EXPECT_EQ(reports, (std::vector<bool>{true, false})) << "each burst is reported once";
    watch.reset();
    const int before = witnessed;
    std::ofstream(directory.path() / "event8").put('\0');
    ASSERT_TRUE(test::waitFor([&] { return witnessed > before; }));
    EXPECT_EQ(reports.size(), 2u) << "nothing is reported once the watch is gone";
}

TEST(EvdevPermissionService, GivenDevicesAreWatchedInTheirDirectoryElseTheCallerPolls) {
    test::qtApplication();
    test::TempDir directory;
    const std::string path = (directory.path() / "keyboard").string();
    EvdevPermissionService given({path}, nullptr);
    bool changed = false;
    auto watch = given.watchChanges([&] { changed = true; });
    ASSERT_NE(watch, nullptr);
    std::ofstream(path).put('\0');
    ASSERT_TRUE(test::waitFor([&] { return changed; }));
    EXPECT_TRUE(given.isTrusted());
    EvdevPermissionService missing({}, nullptr, directory.path() / "no-such-directory");
    EXPECT_EQ(missing.watchChanges([] {}), nullptr);
}

TEST(PermissionServiceFactory, X11IsTrustedAtOnceAndEvdevFollowsItsDevices) {
    test::TempDir directory;
    const std::vector<std::string> none;
    EXPECT_TRUE(createPermissionService(InputBackend::x11, none, nullptr)->requestTrust());
    const std::vector<std::string> missing = {(directory.path() / "missing").string()};
    EXPECT_FALSE(createPermissionService(InputBackend::evdev, missing, nullptr)->isTrusted());
    // Device files make `auto` mean evdev, whatever the session.
    EXPECT_FALSE(createPermissionService(InputBackend::automatic, missing, nullptr)->isTrusted());
}

TEST(AccessGuide, TheGuideExistsAndNamesTheRuleAndTheGroupRisk) {
    std::ifstream guide(accessGuidePath());
    ASSERT_TRUE(guide.good()) << accessGuidePath();
    const std::string text((std::istreambuf_iterator<char>(guide)), {});
    EXPECT_NE(text.find("70-quib-input.rules"), std::string::npos);
    EXPECT_NE(text.find("uaccess"), std::string::npos);
    EXPECT_NE(text.find("passwords"), std::string::npos);
    EXPECT_EQ(accessGuideUrl().rfind("file:///", 0), 0u);
}

}  // namespace
}  // namespace quib
