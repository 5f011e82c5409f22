#include "Clicks.h"

namespace assetgen {

namespace {

// A keycap and housing bottoming out: a few plastic modes over a body mode.
Strike bottomOut(double time, double gain, double body, double plastic, double ring) {
    return {time,
            gain,
            0.0008,
            6000.0,
            1.2,
            {{body, 0.012 * ring, 1.0},
             {plastic, 0.006 * ring, 0.7},
             {plastic * 1.53, 0.004 * ring, 0.45},
             {plastic * 2.31, 0.0025 * ring, 0.3}}};
}

// A muffled tactile bump or friction: noise with little ringing.
Strike rub(double time, double gain, double brightness, double length) {
    return {time, gain, length, brightness, 1.0, {{brightness * 0.3, 0.003, 0.4}}};
}

// A damped low sine: a haptic actuator or a soft bump against an edge.
Strike thump(double time, double gain, double pitch, double length) {
    return {time,  gain, 0.0,
            400.0, 0.0,  {{pitch, length, 1.0}, {pitch * 2.02, length * 0.4, 0.25}}};
}

// A struck small solid (wood, glass, ceramic): few long inharmonic modes.
Strike knock(double time, double gain, double pitch, double length, double inharmonic) {
    return {time,
            gain,
            0.0004,
            9000.0,
            0.4,
            {{pitch, length, 1.0},
             {pitch * inharmonic, length * 0.45, 0.45},
             {pitch * inharmonic * 1.62, length * 0.25, 0.2}}};
}

std::vector<ClickRecipe> buildClickRecipes() {
    // clang-format off
    return {
        // Soft and synthetic keyboard sounds.
        {"iphone_key", 0.05, 200, 9000,
         {{0.0, 1.0, 0.0012, 5000, 0.6, {{1150, 0.006, 1.0}, {2450, 0.004, 0.5}}}}},
        {"focus", 0.09, 90, 5000,
         {knock(0.0, 1.0, 760, 0.022, 2.72)}},
        {"attach_begin", 0.05, 600, 17000,
         {{0.0, 1.0, 0.0004, 15000, 0.7, {{2800, 0.005, 1.0}, {5050, 0.003, 0.6}}},
          {0.007, 0.45, 0.0003, 15000, 0.6, {{3300, 0.004, 1.0}, {5900, 0.002, 0.5}}}}},
        {"single_click", 0.04, 500, 16000,
         {{0.0, 1.0, 0.0003, 14000, 0.5, {{2500, 0.0045, 1.0}, {4200, 0.003, 0.6}}},
          {0.0025, 0.3, 0.0002, 12000, 0.4, {{2700, 0.003, 1.0}}}}},
        {"vo_click", 0.07, 40, 2500,
         {thump(0.0, 1.0, 165, 0.014),
          rub(0.0, 0.06, 3000, 0.0005)}},
        {"switch_on", 0.08, 300, 14000,
         {knock(0.0, 0.8, 1800, 0.012, 1.85),
          knock(0.026, 1.0, 2600, 0.016, 1.8)}},
        {"draw_on", 0.09, 400, 12000,
         {{0.0, 1.0, 0.07, 1500, 1.0, {{2200, 0.01, 0.05}}, 4500}}},
        {"press_key", 0.07, 80, 3000,
         {{0.0, 1.0, 0.0025, 2200, 0.3, {{310, 0.012, 1.0}, {1020, 0.006, 0.45}}}}},
        {"key_press_click", 0.05, 250, 14000,
         {{0.0, 1.0, 0.0005, 11000, 0.4, {{1900, 0.006, 1.0}, {3600, 0.004, 0.55}}},
          bottomOut(0.003, 0.35, 620, 2400, 0.4)}},
        {"ios_tink", 0.08, 800, 16000,
         {knock(0.0, 1.0, 3500, 0.028, 2.26)}},
        {"element_border", 0.06, 40, 2000,
         {thump(0.0, 1.0, 120, 0.01),
          knock(0.0, 0.25, 600, 0.006, 1.7)}},
        // Mouse-side files.
        {"link_end", 0.045, 500, 16000,
         {{0.0, 1.0, 0.0004, 13000, 0.7, {{2000, 0.005, 1.0}, {3700, 0.003, 0.6}}},
          {0.006, 0.4, 0.0003, 12000, 0.5, {{2300, 0.004, 1.0}}}}},
        {"select", 0.035, 600, 16000,
         {{0.0, 1.0, 0.0003, 14000, 0.5, {{2200, 0.004, 1.0}, {3900, 0.0025, 0.6}}}}},
        {"remote_tap", 0.055, 60, 3000,
         {thump(0.0, 1.0, 220, 0.01),
          rub(0.0, 0.08, 3500, 0.0005)}},
        {"switch_off", 0.08, 300, 14000,
         {knock(0.0, 1.0, 2600, 0.012, 1.8),
          knock(0.026, 0.8, 1750, 0.016, 1.85)}},
        {"mouse_up", 0.04, 400, 16000,
         {{0.0, 1.0, 0.0003, 14000, 0.5,
          {{4600, 0.0025, 1.0}, {7000, 0.0015, 0.5}, {1900, 0.006, 0.4}}}}},
        {"mouse_down", 0.045, 300, 16000,
         {{0.0, 1.0, 0.0003, 14000, 0.55, {{4000, 0.003, 1.0}, {6500, 0.002, 0.5}}},
          {0.0008, 0.7, 0.0006, 8000, 0.2, {{1600, 0.01, 1.0}, {2500, 0.007, 0.6}}}}},
        {"key_press_modifier", 0.06, 180, 12000,
         {{0.0, 1.0, 0.0006, 9000, 0.4, {{1400, 0.007, 1.0}, {2800, 0.005, 0.5}}},
          bottomOut(0.004, 0.45, 450, 1800, 0.6)}},
        {"ios_tock", 0.07, 200, 9000,
         {knock(0.0, 1.0, 1100, 0.02, 2.4)}},
        {"point_border", 0.05, 60, 2500,
         {thump(0.0, 1.0, 260, 0.008),
          knock(0.0, 0.2, 900, 0.005, 1.7)}},
    };
    // clang-format on
}

}  // namespace

const std::vector<ClickRecipe>& clickRecipes() {
    static const std::vector<ClickRecipe> recipes = buildClickRecipes();
    return recipes;
}

}  // namespace assetgen
