#pragma once

// The yardstick for start-up time and memory: a plain Qt main window with a menu bar and the
// same push buttons, labels, group boxes and picture panels as the game's window, each of the
// same size, made with nothing but Qt. The benchmark program and the memory script both
// build it from here.

#include <QSize>
#include <QString>
#include <memory>
#include <vector>

class QMainWindow;

// The controls of a window by kind, with their sizes; counted from the game's gadget tree.
struct TControls {
  int players = 0;
  std::vector<QSize> groups;
  std::vector<QSize> buttons;
  std::vector<QSize> labels;
  std::vector<QSize> pictures;
};

// One control a line ("button 50 20"), to hand the list to the baseline program.
QString ControlsToText(const TControls& controls);
TControls ControlsFromText(const QString& text);

// Builds the baseline window (hidden); the caller shows and frees it. The pictures are decoded
// from the PNG bytes compiled into the program, each once, on every call.
std::unique_ptr<QMainWindow> MakeBaselineWindow(const TControls& controls, int width, int height);
