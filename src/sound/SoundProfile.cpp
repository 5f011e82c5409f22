#include "sound/SoundProfile.h"

namespace quib {

namespace {

struct ProfileRow {
    std::string_view name;
    std::string_view keyFile;
    std::string_view mouseFile;
    bool keyStrokes = false;  // "<keyFile>_down" and "<keyFile>_up" exist
};

constexpr std::array<ProfileRow, kSoundProfileCount> kRows{{
    {"iPhone Keyboard", "iphone_key", "iphone_key"},
    {"Snap", "attach_begin", "link_end"},
    {"Soft Tock", "focus", "focus"},
    {"Clicky", "single_click", "select"},
    {"Haptic", "vo_click", "remote_tap"},
    {"Toggle", "switch_on", "switch_off"},
    {"Stroke", "draw_on", "mouse_up"},
    {"Press", "press_key", "mouse_down"},
    {"Pinch", "key_press_click", "key_press_modifier"},
    {"Flick", "ios_tink", "ios_tock"},
    {"Bump", "element_border", "point_border"},
    {"Keys", "key_press_click", "key_press_click"},
    {"MX Blue", "mxblue_key", "mech_mouse_down", true},
    {"MX Brown", "mxbrown_key", "mech_mouse_down", true},
    {"MX Black", "mxblack_key", "mech_mouse_down", true},
    {"Cream", "cream_key", "mech_mouse_up", true},
    {"Turquoise", "turquoise_key", "mech_mouse_down", true},
    {"Mech Classic", "mech_classic", "mech_mouse_down", true},
    {"Mech Deep", "mech_deep", "mech_mouse_up", true},
    {"Mech Sharp", "mech_sharp", "mech_mouse_down", true},
}};

const ProfileRow& row(SoundProfile profile) {
    return kRows[static_cast<std::size_t>(profile)];
}

}  // namespace

const std::array<SoundProfile, kSoundProfileCount>& allSoundProfiles() {
    static const auto all = [] {
        std::array<SoundProfile, kSoundProfileCount> cases{};
        for (std::size_t i = 0; i < cases.size(); ++i) {
            cases[i] = static_cast<SoundProfile>(i);
        }
        return cases;
    }();
    return all;
}

std::string_view rawValue(SoundProfile profile) {
    return row(profile).name;
}

std::optional<SoundProfile> soundProfileFromRawValue(std::string_view text) {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (kRows[i].name == text) {
            return static_cast<SoundProfile>(i);
        }
    }
    return std::nullopt;
}

std::string_view keyFile(SoundProfile profile) {
    return row(profile).keyFile;
}
std::string_view mouseFile(SoundProfile profile) {
    return row(profile).mouseFile;
}

std::optional<KeyStrokeFiles> keyStrokeFiles(SoundProfile profile) {
    if (!row(profile).keyStrokes) {
        return std::nullopt;
    }
    const std::string base(row(profile).keyFile);
    return KeyStrokeFiles{base + "_down", base + "_up"};
}

std::optional<KeyStrokeFiles> keyStrokeFiles(SoundProfile profile, KeyClass keyClass, int take) {
    if (!row(profile).keyStrokes) {
        return std::nullopt;
    }
    const std::string base = std::string(row(profile).keyFile) + "_" +
                             std::string(kKeyClassNames[static_cast<std::size_t>(keyClass)]) + "_" +
                             std::to_string(take);
    return KeyStrokeFiles{base + "_down", base + "_up"};
}

}  // namespace quib
