#pragma once

// The position of one decision in the analysis window, drawn as the game draws it: the player's
// sheet as it stood (values, struck cells, sums and bonuses), the six dice with the game's
// pictures (held ones in their held picture), and the two choices side by side, the player's and
// Stark's: for a hold the dice each keeps, for an entry both cells marked in the sheet. Built
// from the same kinds of gadgets as the game's own sheet and dice, so that a screen reader reads
// each cell and die as it reads the game's. The analysis window owns it and lays it out again
// when the window changes size; its gadgets go with the window.

#include "ai/analysis.h"
#include "gui/gadget.h"

#include <QString>
#include <array>
#include <vector>

// The size at which everything fits; larger places scale cells and dice up, up to MAX_SCALE.
constexpr int POSITION_WIDTH = 462;
constexpr int POSITION_HEIGHT = 578;

class TAnalysisPosition
{
public:
  // One side of the comparison: its box (titled "Gewählt" or "Stark"), the words of the choice
  // with its worth, and for a hold the six dice with the kept ones in their held picture.
  struct TChoice {
    TGadget* Box = nullptr;
    TGadget* Words = nullptr;
    std::array<TGadget*, DICE> Dice{};
  };

  TGadget* Panel = nullptr; // holds everything; its name and description are the position's
  TGadget* Title = nullptr; // "Anna, Runde 5, vor dem 2. Wurf" and the result
  TGadget* DiceBox = nullptr;
  std::array<TGadget*, DICE> Dice{};
  TChoice Done, Best;
  std::array<std::array<TGadget*, SHEET_COLUMNS>, SHEET_ROWS> Cells{};
  // The displays as the sheet has them: sum, bonus and total of the numbers, the bonus of each
  // pattern section, the points of each column and the grand total.
  std::array<TGadget*, SHEET_COLUMNS> NumberSum{}, NumberBonus{}, NumberTotal{};
  std::array<std::array<TGadget*, SHEET_COLUMNS>, 3> Bonuses{};
  std::array<TGadget*, SHEET_COLUMNS> ColumnPoints{};
  TGadget* Grand = nullptr;
  TGadget* Legend = nullptr; // how the two choices are told apart

  // Faces 1 to 6 in their plain and held pictures (index 0 unused).
  void Create(TGadget* parent, const std::array<TPixmapPtr, 7>& faces,
              const std::array<TPixmapPtr, 7>& held);
  // Lays everything out in this rectangle of the parent.
  void Place(int x, int y, int w, int h);
  // Shows a decision of the named player (empty for a game of one).
  void Show(const QString& name, const TDecisionReview& decision);
  // Shows no decision, only why.
  void ShowNone(const QString& why);

private:
  struct TSectionBox {
    TGadget* box = nullptr;
    int firstRow = 0, rows = 0;
    std::vector<TGadget*> labels; // one per row
    TGadget* rule = nullptr;
    std::vector<std::array<TGadget*, SHEET_COLUMNS>*> displays;
    std::vector<TGadget*> captions; // one per display row
  };
  void CreateSections();
  void CreateChoice(TChoice& choice, const QString& title);
  void ShowDice(std::array<TGadget*, DICE>& dice, const TFaces& faces, const THolds& held,
                const QString& heldWord);
  void ShowSheet(const TDecisionReview& decision);
  void PlaceSection(TSectionBox& section, int x, int y, double s);
  // Everything but the title: hidden while no decision is shown.
  void ShowContent(bool shown);

  std::array<TPixmapPtr, 7> faces_{}, held_{};
  std::vector<TSectionBox> sections_; // numbers, pasch, houses, streets, wummel, chance
  TGadget* totalsBox_ = nullptr;
  std::array<TGadget*, 2> totalsCaptions_{};
  std::vector<TGadget*> columnHeads_; // "×1", "×2", "×3" over both stacks
};
