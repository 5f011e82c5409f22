// quib-virtual-pointer WIDTH HEIGHT: a mouse for a compositor that has no input
// hardware: a wlroots one (sway's headless backend) through the virtual-pointer
// protocol, KWin (its virtual backend) through its fake-input protocol, which
// it offers to every client when started with KWIN_WAYLAND_NO_PERMISSION_CHECKS.
// Without one the seat has no pointer and no client gets clicks.
// It prints "ready" once the compositor knows the device, then reads commands
// from stdin, one a line, until stdin ends (the device goes with it):
//   move X Y          the pointer to X,Y of the WIDTH x HEIGHT output
//   click left|right  a press and a release
// Each command is answered "ok" once the compositor has processed it.
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

namespace {

// The protocol's requests, as wayland-scanner would describe them
// (wlr-virtual-pointer-unstable-v1, version 1).
const wl_interface* kNoTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr};
const wl_message kPointerRequests[] = {
    {"motion", "uff", kNoTypes},   {"motion_absolute", "uuuuu", kNoTypes},
    {"button", "uuu", kNoTypes},   {"axis", "uuf", kNoTypes},
    {"frame", "", kNoTypes},       {"axis_source", "u", kNoTypes},
    {"axis_stop", "uu", kNoTypes}, {"axis_discrete", "uufi", kNoTypes},
    {"destroy", "", kNoTypes}};
const wl_interface kPointerInterface = {"zwlr_virtual_pointer_v1", 1, 9,
                                        kPointerRequests,          0, nullptr};
const wl_interface* kCreateTypes[] = {&wl_seat_interface, &kPointerInterface};
const wl_message kManagerRequests[] = {{"create_virtual_pointer", "?on", kCreateTypes},
                                       {"destroy", "", kNoTypes}};
const wl_interface kManagerInterface = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, kManagerRequests, 0, nullptr};

enum PointerRequest : std::uint32_t { motionAbsolute = 1, button = 2, frame = 4 };

// KWin's org_kde_kwin_fake_input, version 4: a global that is the device.
const wl_message kFakeInputRequests[] = {
    {"authenticate", "ss", kNoTypes}, {"pointer_motion", "ff", kNoTypes},
    {"button", "uu", kNoTypes},       {"axis", "uf", kNoTypes},
    {"touch_down", "2uff", kNoTypes}, {"touch_motion", "2uff", kNoTypes},
    {"touch_up", "2u", kNoTypes},     {"touch_cancel", "2", kNoTypes},
    {"touch_frame", "2", kNoTypes},   {"pointer_motion_absolute", "3ff", kNoTypes},
    {"keyboard_key", "4uu", kNoTypes}};
const wl_interface kFakeInputInterface = {"org_kde_kwin_fake_input", 4, 11,
                                          kFakeInputRequests,        0, nullptr};

enum FakeInputRequest : std::uint32_t {
    fakeAuthenticate = 0,
    fakeButton = 2,
    fakeMotionAbsolute = 9
};

struct Globals {
    wl_proxy* seat = nullptr;
    wl_proxy* manager = nullptr;
    wl_proxy* fakeInput = nullptr;
};

void announce(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    auto& globals = *static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals.seat == nullptr) {
        globals.seat =
            static_cast<wl_proxy*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, kManagerInterface.name) == 0) {
        globals.manager =
            static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kManagerInterface, 1));
    } else if (std::strcmp(interface, kFakeInputInterface.name) == 0) {
        globals.fakeInput =
            static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kFakeInputInterface, 4));
    }
}

void withdraw(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {announce, withdraw};

std::uint32_t buttonCode(const std::string& name) {
    return name == "right" ? BTN_RIGHT : (name == "middle" ? BTN_MIDDLE : BTN_LEFT);
}

// One command line; false when it is not understood. A fake-input device
// takes positions in the output's own pixels and needs no frames.
bool run(wl_proxy* pointer, bool fake, const std::string& line, unsigned width, unsigned height) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "move") {
        unsigned x = 0;
        unsigned y = 0;
        if (!(words >> x >> y) || x > width || y > height) {
            return false;
        }
        if (fake) {
            wl_proxy_marshal(pointer, fakeMotionAbsolute, wl_fixed_from_int(static_cast<int>(x)),
                             wl_fixed_from_int(static_cast<int>(y)));
            return true;
        }
        wl_proxy_marshal(pointer, motionAbsolute, 0u, x, y, width, height);
    } else if (command == "click") {
        std::string name;
        words >> name;
        if (fake) {
            wl_proxy_marshal(pointer, fakeButton, buttonCode(name), 1u);
            wl_proxy_marshal(pointer, fakeButton, buttonCode(name), 0u);
            return true;
        }
        wl_proxy_marshal(pointer, button, 0u, buttonCode(name), 1u);
        wl_proxy_marshal(pointer, frame);
        wl_proxy_marshal(pointer, button, 0u, buttonCode(name), 0u);
    } else {
        return false;
    }
    wl_proxy_marshal(pointer, frame);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quib-virtual-pointer WIDTH HEIGHT\n");
        return 2;
    }
    const auto width = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
    const auto height = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "quib-virtual-pointer: no Wayland display\n");
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    wl_display_roundtrip(display);
    const bool fake = globals.manager == nullptr && globals.fakeInput != nullptr;
    if (!fake && (globals.seat == nullptr || globals.manager == nullptr)) {
        std::fprintf(stderr, "quib-virtual-pointer: the compositor has no virtual pointers\n");
        return 1;
    }
    wl_proxy* pointer = nullptr;
    if (fake) {
        pointer = globals.fakeInput;
        wl_proxy_marshal(pointer, fakeAuthenticate, "quib-virtual-pointer", "end-to-end tests");
    } else {
        pointer = wl_proxy_marshal_constructor(globals.manager, 0, &kPointerInterface, globals.seat,
                                               nullptr);
    }
    wl_display_roundtrip(display);
    std::cout << "ready" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
        const bool understood = run(pointer, fake, line, width, height);
        wl_display_roundtrip(display);
        std::cout << (understood ? "ok" : "?") << std::endl;
    }
    if (fake) {
        wl_proxy_destroy(pointer);
    } else {
        wl_proxy_marshal(pointer, 8);  // destroy
    }
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
