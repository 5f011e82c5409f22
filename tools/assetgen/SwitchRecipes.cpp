#include "KeySwitch.h"

namespace assetgen {

namespace {

// Loudness of every body against the contact noise: low enough that the
// contact's own noise leads the first milliseconds and the body follows, as
// in a recorded key press.
constexpr double kBody = 0.2;

// The parts every keyboard shares, scaled per board: a plastic keycap (high,
// short modes), the plate the switches sit in (middle, longer) and the case
// (low, longest). `size` moves every mode: above 1 a smaller, higher-pitched
// board; `damping` shortens every decay: above 1 a board with foam inside.
std::vector<BodyPart> keyboard(double size, double damping, double keycap, double plate,
                               double box) {
    return {{1800 * size, 7000 * size, 9, 0.006 / damping, keycap * kBody},
            {550 * size, 3200 * size, 8, 0.016 / damping, plate * kBody},
            {140 * size, 480 * size, 4, 0.024 / damping, box * kBody}};
}

// A mouse's small plastic shell: no plate, little case.
std::vector<BodyPart> mouseShell(double size, double gain) {
    return {{2200 * size, 9000 * size, 8, 0.004, gain * kBody},
            {700 * size, 1800 * size, 4, 0.008, gain * kBody}};
}

std::vector<SwitchRecipe> buildSwitchRecipes() {
    // The switches named after real ones are held against recordings of
    // those switches (build/bench/sound_figures measures both): the onset of
    // a real switch is a click, bright above the body, not a thud, so their
    // high-pass sits high and their boards are small, with little case.
    // Each entry: name, length (s), high-pass (Hz); the impacts as {time (s),
    // gain, contact (s), hardness, drive}; the body; the springs as {Hz, decay
    // (s), gain}; the rattle and the bounce.
    // clang-format off
    return {
        // Clicky: the jacket snaps against the housing (twice, down and on the
        // housing floor) before the stem bottoms out, and again on the way up.
        {"mxblue_key", 0.12, 1500,
         {{0.0, 1.0, 0.0003, 1.0, 0.3},
          {0.004, 0.7, 0.0003, 1.0, 0.3},
          {0.012, 0.5, 0.0008, 0.75, 0.7},
          {0.085, 0.35, 0.0003, 1.0, 0.15},
          {0.088, 0.2, 0.0005, 0.9, 0.4}},
         keyboard(1.4, 0.8, 0.45, 0.05, 0.01),
         {{5600, 0.12, 0.06}}, 0.02, 0.35},
        // Tactile: a soft rub over the bump, then the bottom-out and the return.
        {"mxbrown_key", 0.11, 250,
         {{0.0, 0.6, 0.0020, 0.6, 0.5},
          {0.006, 1.0, 0.0008, 0.8, 0.7},
          {0.078, 0.35, 0.0010, 0.6, 0.7}},
         keyboard(1.0, 0.8, 0.3, 0.15, 0.03),
         {{5200, 0.08, 0.012}}, 0.015, 0.35},
        // Heavy linear: a firm bottom-out, a low board, a strong spring.
        {"mxblack_key", 0.13, 400,
         {{0.0, 1.0, 0.0008, 0.7, 0.5},
          {0.07, 0.5, 0.0010, 0.65, 0.5}},
         keyboard(1.2, 0.55, 0.35, 0.08, 0.015),
         {{4300, 0.10, 0.025}}, 0.015, 0.35},
        // Self-lubricating plastic: smooth, soft and muted, no spring ping.
        {"cream_key", 0.11, 550,
         {{0.0, 1.0, 0.0010, 0.6, 0.6},
          {0.066, 0.3, 0.0014, 0.5, 0.6}},
         keyboard(1.25, 0.6, 0.3, 0.08, 0.015),
         {}, 0.010, 0.35},
        // Light linear on a small, bright board.
        {"turquoise_key", 0.08, 120,
         {{0.0, 1.0, 0.00045, 0.85, 0.6},
          {0.055, 0.35, 0.0005, 0.8, 0.6}},
         keyboard(1.35, 1.2, 0.22, 0.14, 0.05),
         {{6800, 0.04, 0.007}}, 0.013, 0.35},
        // The everyday office board.
        {"mech_classic", 0.145, 60,
         {{0.0, 1.0, 0.0009, 0.7, 0.6},
          {0.112, 0.4, 0.0010, 0.6, 0.6}},
         keyboard(1.0, 1.0, 0.13, 0.08, 0.06),
         {{5100, 0.06, 0.008}}, 0.015, 0.35},
        // Thick keycaps on a heavy case: a long soft contact, a dark thock.
        {"mech_deep", 0.15, 40,
         {{0.0, 1.0, 0.0020, 0.4, 0.6},
          {0.09, 0.3, 0.0024, 0.35, 0.6}},
         keyboard(0.62, 1.1, 0.05, 0.08, 0.12),
         {}, 0.010, 0.35},
        // Thin hard keycaps: a short, bright double snap and little body.
        {"mech_sharp", 0.06, 200,
         {{0.0, 1.0, 0.0003, 1.0, 0.4},
          {0.004, 0.4, 0.0003, 0.95, 0.4}},
         keyboard(1.6, 1.8, 0.6, 0.08, 0.02),
         {}, 0.010, 0.35},
        // Mouse micro switches: the metal leaf snaps, then the plastic button
        // lands on the switch; on release the leaf snaps back and the button
        // follows it up, lighter.
        {"mech_mouse_down", 0.055, 150,
         {{0.0, 1.0, 0.0003, 0.95, 0.3},
          {0.0006, 0.7, 0.0005, 0.8, 0.6}},
         mouseShell(1.0, 0.45), {}, 0.007, 0.2},
        {"mech_mouse_up", 0.045, 200,
         {{0.0, 1.0, 0.0003, 1.0, 0.3},
          {0.0005, 0.45, 0.0005, 0.7, 0.6}},
         mouseShell(1.15, 0.5), {}, 0.005, 0.2},
    };
    // clang-format on
}

}  // namespace

const std::vector<SwitchRecipe>& switchRecipes() {
    static const std::vector<SwitchRecipe> recipes = buildSwitchRecipes();
    return recipes;
}

}  // namespace assetgen
