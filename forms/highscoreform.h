#pragma once

// The high-score dialog: the twenty best scores with rank and name, the last game's new
// entries highlighted. Opened from the menu and at the end of a game that entered the list.

#include "gui/gadget.h"

#include <vector>

class TApp;

// Row colours: odd ranks light blue, even ranks white, new entries a stronger blue.
struct TRowColor {
  int r, g, b;
};
constexpr TRowColor ROW_ODD{219, 231, 242};
constexpr TRowColor ROW_EVEN{255, 255, 255};
constexpr TRowColor ROW_NEW{128, 193, 238};
constexpr int SCORE_ROWS = 20;

class THighscoreForm
{
public:
  TGadget* Window = nullptr;
  TGadget* Group = nullptr;
  TGadget* Header = nullptr;
  TGadget* Okay = nullptr;
  std::vector<TGadget*> Rank = std::vector<TGadget*>(SCORE_ROWS + 1, nullptr);
  std::vector<TGadget*> Score = std::vector<TGadget*>(SCORE_ROWS + 1, nullptr);
  std::vector<TGadget*> Name = std::vector<TGadget*>(SCORE_ROWS + 1, nullptr);
  TGadget* Panel = nullptr;

  int Open(TApp* app);
};
