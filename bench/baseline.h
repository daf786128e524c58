#pragma once

// The yardstick for start-up time and memory: a plain Qt main window with a menu bar and the
// same push buttons, labels, group boxes and picture panels as the game's window, each of the
// same size, with the same text in the same font, made with nothing but Qt. The benchmark
// program and the start-up script both build it from here.

#include <QSize>
#include <QString>
#include <memory>
#include <vector>

class QMainWindow;

// One control: its size, and the text it shows in which font (a point size of 0 is the
// application's font).
struct TControl {
  QSize size;
  QString text;
  double pointSize = 0;
  bool bold = false;
};

// The controls of a window by kind; counted from the game's gadget tree.
struct TControls {
  int players = 0;
  std::vector<TControl> groups;
  std::vector<TControl> buttons;
  std::vector<TControl> labels;
  std::vector<TControl> pictures;
};

// One control a line ("button 50 20 9 0 Text%20encoded"), to hand the list to the baseline
// program.
QString ControlsToText(const TControls& controls);
TControls ControlsFromText(const QString& text);

// Builds the baseline window (hidden); the caller shows and frees it. The pictures are decoded
// from the PNG bytes compiled into the program, each once, on every call.
std::unique_ptr<QMainWindow> MakeBaselineWindow(const TControls& controls, int width, int height);
