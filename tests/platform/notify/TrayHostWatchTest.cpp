// The hints that a tray host came or went: X11 client messages and destroyed
// windows count, other X11 events and other event types do not.
#include "platform/notify/TrayHostWatch.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include "support/TestApplication.h"

namespace quib {
namespace {

TEST(TrayHostWatchTest, OnlyClientMessagesAndDestroyedWindowsAreHints) {
    test::application();
    int hints = 0;
    TrayHostWatch watch([&hints] { ++hints; });
    struct Case {
        QByteArray eventType;
        std::uint8_t responseType;
        int hints;
    };
    const Case cases[] = {
        {"xcb_generic_event_t", XCB_CLIENT_MESSAGE, 1},
        {"xcb_generic_event_t", XCB_CLIENT_MESSAGE | 0x80, 1},  // sent by another client
        {"xcb_generic_event_t", XCB_DESTROY_NOTIFY, 1},
        {"xcb_generic_event_t", XCB_KEY_PRESS, 0},
        {"xcb_generic_event_t", XCB_PROPERTY_NOTIFY, 0},
        {"windows_generic_MSG", XCB_CLIENT_MESSAGE, 0},
    };
    for (const Case& c : cases) {
        hints = 0;
        xcb_generic_event_t event{};
        event.response_type = c.responseType;
        EXPECT_FALSE(watch.nativeEventFilter(c.eventType, &event, nullptr)) << "never swallowed";
        EXPECT_EQ(hints, c.hints) << c.eventType.constData() << " " << int(c.responseType);
    }
}

}  // namespace
}  // namespace quib
