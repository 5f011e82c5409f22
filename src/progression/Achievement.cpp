#include "progression/Achievement.h"

namespace quib {

const std::vector<Achievement>& allAchievements() {
    using C = AchievementCategory;
    static const std::vector<Achievement> all{
        {"keys_5k", "First Words", "Type 5,000 keystrokes", C::keystrokes, 5000},
        {"keys_25k", "Paragraph Pro", "Type 25,000 keystrokes", C::keystrokes, 25000},
        {"keys_100k", "Chapter Champion", "Type 100,000 keystrokes", C::keystrokes, 100000},
        {"keys_250k", "Manuscript Master", "Type 250,000 keystrokes", C::keystrokes, 250000},
        {"keys_1m", "Novel Novelist", "Type 1,000,000 keystrokes", C::keystrokes, 1000000},
        {"keys_5m", "Keyboard Destroyer", "Type 5,000,000 keystrokes", C::keystrokes, 5000000},
        {"keys_10m", "Carpal Tunnel Veteran", "Type 10,000,000 keystrokes", C::keystrokes,
         10000000},
        {"keys_50m", "The Typist", "Type 50,000,000 keystrokes", C::keystrokes, 50000000},
        {"clicks_5k", "Click Starter", "Click 5,000 times", C::clicks, 5000},
        {"clicks_25k", "Double-Click Devotee", "Click 25,000 times", C::clicks, 25000},
        {"clicks_100k", "Pointer Precision", "Click 100,000 times", C::clicks, 100000},
        {"clicks_250k", "Mouse Marathon", "Click 250,000 times", C::clicks, 250000},
        {"clicks_1m", "RSI Speedrun", "Click 1,000,000 times", C::clicks, 1000000},
        {"clicks_5m", "The Clicker", "Click 5,000,000 times", C::clicks, 5000000},
        {"streak_3", "Three-peat", "3-day streak", C::streak, 3},
        {"streak_7", "Week Warrior", "7-day streak", C::streak, 7},
        {"streak_14", "Fortnight Fingers", "14-day streak", C::streak, 14},
        {"streak_30", "Monthly Marathoner", "30-day streak", C::streak, 30},
        {"streak_100", "Centurion Typist", "100-day streak", C::streak, 100},
        {"streak_365", "Year of Clacking", "365-day streak", C::streak, 365},
        {"wpm_80", "Steady Hands", "Reach 80 WPM", C::speed, 80},
        {"wpm_100", "Speed Demon", "Reach 100 WPM", C::speed, 100},
        {"wpm_120", "Hyperdrive", "Reach 120 WPM", C::speed, 120},
        {"wpm_140", "Keyboard on Fire", "Reach 140 WPM", C::speed, 140},
        {"wpm_160", "Inhuman Speed", "Reach 160 WPM", C::speed, 160},
        {"session_5k", "Warm Up", "5,000 keys in one session", C::session, 5000},
        {"session_25k", "In the Zone", "25,000 keys in one session", C::session, 25000},
        {"session_100k", "Flow State", "100,000 keys in one session", C::session, 100000},
    };
    return all;
}

}  // namespace quib
