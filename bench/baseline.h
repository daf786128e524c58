#pragma once

// The yardstick for start-up time and memory: a plain Qt main window with a menu bar and as
// many push buttons, labels, group boxes and picture panels as the game's window holds, made
// with nothing but Qt. The benchmark program and the memory script both build it from here.

#include <memory>

class QMainWindow;

// How many controls of each kind a window holds; counted from the game's own gadget tree.
struct TWidgetCounts {
  int players = 0;
  int groups = 0;
  int buttons = 0;
  int labels = 0;
  int pictures = 0;
};

// Builds the baseline window (hidden); the caller shows and frees it. The pictures are decoded
// afresh from the PNG bytes compiled into the program, as the game does on every start.
std::unique_ptr<QMainWindow> MakeBaselineWindow(const TWidgetCounts& counts, int width, int height);
