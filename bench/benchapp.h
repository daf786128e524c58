#pragma once

// What the benchmarks share: a game started in the benchmark's own data folder, a system
// driver that answers every question with OK, and the count of the game window's controls.

#include "app/app.h"
#include "bench/baseline.h"

#include <QStringList>
#include <memory>

// Writes the settings file with these player names, so that the next start makes them.
void WriteSettings(const QStringList& names);

// Starts the game as the program does, for one or two players, and lets the window show.
std::unique_ptr<TApp> StartGame(int players);
// Frees every gadget of the game, as a test does; the program itself never needs this.
void StopGame(std::unique_ptr<TApp>& app);

// Plays turns through the window, each player entering the first free cell; the record keeps
// them, so that the next start resumes the game.
void PlayTurns(TApp& app, int turns);

// Handles what the window system and the widgets have posted: showing, laying out, painting.
void Settle();

// The controls of a window's gadget tree by kind, with their sizes.
TControls CountControls(TGadget* window);

// The size of the game's main window on the benchmark's desktop.
constexpr int BENCH_DESKTOP_WIDTH = 1280;
constexpr int BENCH_DESKTOP_HEIGHT = 1024;
