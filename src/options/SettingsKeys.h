#pragma once

// The application settings' preference keys (the store's own begin with "gs_").
namespace quib::settings {

inline constexpr const char* keyProfile = "keyProfile";
inline constexpr const char* mouseProfile = "mouseProfile";
// The id of the sound pack the keyboard plays instead of "keyProfile"; absent
// when it plays a built-in profile or nothing.
inline constexpr const char* keyPack = "keyPack";
inline constexpr const char* keyVolume = "keyVolume";
inline constexpr const char* mouseVolume = "mouseVolume";
inline constexpr const char* enabled = "enabled";
inline constexpr const char* ambientVolume = "ambientVolume";
inline constexpr const char* ambientSounds = "ambientSounds";
inline constexpr const char* activeTrack = "activeTrack";
inline constexpr const char* onboardingComplete = "onboardingComplete";
inline constexpr const char* activeTheme = "gs_activeTheme";
// The profiles the mute chord silenced, which it brings back.
inline constexpr const char* keyProfileBeforeMute = "keyProfileBeforeMute";
inline constexpr const char* mouseProfileBeforeMute = "mouseProfileBeforeMute";
inline constexpr const char* keyPackBeforeMute = "keyPackBeforeMute";
// Written by older versions; read as fallbacks only.
inline constexpr const char* legacyVolume = "volume";
inline constexpr const char* legacyAmbientSound = "ambientSound";

inline constexpr const char* off = "off";
inline constexpr const char* defaultProfile = "iPhone Keyboard";

}  // namespace quib::settings
