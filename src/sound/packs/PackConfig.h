#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

// A sound pack's config.json, as the community writes it.
//
// Version 1: `name`, `key_define_type` ("single" or "multi"), `sound`,
// `defines`, `includes_numpad` (not used) and an optional `id`. "single":
// `sound` is one audio file and each define maps a key code to [start_ms,
// duration_ms] in it. "multi": each define maps a key code to a file name,
// or to null (no sound of its own; `sound`, when it names a file, is then
// the fallback).
// Defines "<code>-up" give the sound of a key coming back up (version 1 packs
// carry them too). In version 1 "multi" packs `sound` is required by the
// format but not used: keys without an entry are silent, and its file may
// be missing.
// Version 2 (`"version": 2`, or "2" as a text): also `soundup`; in "multi"
// packs `sound` and `soundup` are the fallbacks of keys without an entry, in
// "single" packs the releases are cut from `soundup` (or from `sound` when
// there is none). A file name may hold one {a-b} range, one of those files
// picked at random per press.
struct PackConfig {
    // One define whose key code names a key QUIB hears.
    struct Define {
        std::string field;      // the entry as written ("30-up"), for messages
        std::uint16_t key = 0;  // evdev code
        bool release = false;   // a "<code>-up" entry
        std::string file;       // multi; empty: null
        double startMs = 0.0;   // single
        double durationMs = 0.0;
    };

    std::string id;  // may be empty
    std::string name;
    int version = 1;
    bool single = false;
    std::string sound;
    std::string soundUp;
    std::vector<Define> defines;
    int unknownKeys = 0;  // defines whose code names no key; they are skipped
};

// Offsets and durations above this (about eleven days) are read as this:
// every cut is bounded before it is turned into frames.
inline constexpr double kLongestCutMs = 1e9;

// The config read from its text; never throws; nullopt with a problem that names the field
// ("'defines'.'30': expected [start_ms, duration_ms]") when it is not a pack's.
std::optional<PackConfig> parsePackConfig(std::string_view text, std::string& problem);

// The file names a name stands for: itself, or each of a {a-b} range in
// order ("press{1-3}.wav": press1.wav, press2.wav, press3.wav). nullopt when
// the range is malformed, backwards, or longer than kMostTakes.
inline constexpr int kMostTakes = 64;
std::optional<std::vector<std::string>> expandFileRange(std::string_view name);

}  // namespace quib
