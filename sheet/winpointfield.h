#pragma once

// The totals section: the total of each multiplier column ("Punkte") and the grand total
// ("Gesamt"), which is the player's score. Owned by TApp; refreshed last on every action.

#include "gui/event.h"
#include "gui/gadget.h"

#include <vector>

// Index of the grand-total display in Bonus.
constexpr int GRAND_TOTAL = 3;

class TWinPointField
{
public:
  TGadget* Group = nullptr;
  std::vector<TGadget*> Bonus = std::vector<TGadget*>(4, nullptr);
  std::vector<TGadget*> Label = std::vector<TGadget*>(2, nullptr);

  int Remove();
  int NewGame();
  TWinPointField* Create(TGadget* parent);
  int Procedure(const TEvent& event);
  // Gives the displays their current accessible names.
  void Describe();
};
