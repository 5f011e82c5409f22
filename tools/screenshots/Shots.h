#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <vector>

#include "platform/prefs/Preferences.h"
#include "progression/AppTheme.h"
#include "progression/GameStats.h"

// The pieces of quib-screenshots: every window family adds its shots in a file
// of its own (PanelShots.cpp, ...) through an add...Shots function listed in
// main.cpp; main runs each family once per theme on one seeded store.
namespace quib::shots {

// What a family draws from: the store (a plausible user's data on a real
// SQLite file in a temporary directory) and the theme the style kit reports.
struct ShotContext {
    GameStats& stats;
    AppTheme theme;
};

// Writes one picture as <family>-<theme>-<name>.png.
using SaveShot = std::function<void(const QString& name, const QImage& image)>;

struct ShotFamily {
    QString name;
    std::function<void(ShotContext& context, const SaveShot& save)> render;
};

void addPanelShots(std::vector<ShotFamily>& families);
void addWindowShots(std::vector<ShotFamily>& families);

// A user of a few weeks: some thousands of keys, a level, three coins, a
// six-day streak, a few unlocked profiles and themes and the achievements
// those counts earn.
void seedPlausibleUser(Preferences& preferences, const std::string& today);

// A top-level window as it appears on screen: what its mask cuts away is
// transparent in the picture.
QImage grabWindow(QWidget* window);

}  // namespace quib::shots
