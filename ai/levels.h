#pragma once

// The three strengths of the computer player behind TPlayer. "Mittel" and "Stark" plan their
// holds exactly over every outcome of the dice thrown again (TTurnPlanner) on what they believe
// ending the turn with each throw is worth, and differ in that belief; "Leicht" holds by eye.
//   TCasualPlayer ("Leicht"): the most raw points now, as someone who plays for fun.
//   TOneTurnPlayer ("Mittel"): the most the sheet gains in this turn, bonuses reached included.
//   TStarkPlayer ("Stark"): TStrategy's worth of the whole rest of the game, and for the last
//   cells the exact one of TEndgame.

#include "ai/endgame.h"
#include "ai/player.h"

#include <array>
#include <optional>
#include <vector>

// Shares one plan between the decisions of a turn, which all see the same sheet.
class TPlannedPlayer : public TPlayer
{
public:
  THolds ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                     int throwsLeft) const override;
  // The plan of a turn on this sheet: what every throw is worth with 0, 1 or 2 throws left.
  const TTurnPlanner& Plan(const TSheetState& sheet) const;

protected:
  virtual std::vector<double> Finals(const TSheetState& sheet) const = 0;

private:
  // The plans of the last two sheets: games played on from the two choices of a decision take
  // turns on two sheets, and the game asks about one.
  static constexpr int KEPT_PLANS = 2;
  mutable std::array<TSheetState, KEPT_PLANS> PlannedSheet;
  mutable std::array<std::optional<TTurnPlanner>, KEPT_PLANS> Planned;
  mutable int Oldest = 0;
};

class TCasualPlayer final : public TPlayer
{
public:
  TCasualPlayer();
  // The cell with the most raw points; on a tie the leftmost column. With nothing scoring,
  // the cell that is worth least (CellWorth).
  TCellChoice ChooseCell(const TSheetState& sheet, const TFaces& dice) const override;
  // The dice of the cell that the throw suits best now, as TGreedy holds them.
  THolds ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                     int throwsLeft) const override;
};

class TOneTurnPlayer final : public TPlannedPlayer
{
public:
  TOneTurnPlayer();
  // The cell whose entry raises the grand total most now; on a tie the cell worth least.
  TCellChoice ChooseCell(const TSheetState& sheet, const TFaces& dice) const override;

protected:
  std::vector<double> Finals(const TSheetState& sheet) const override;
};

// The strong player plays the rest of the game perfectly once that takes at most this many
// sheets to work out (about 14 microseconds each), so that no decision takes long on any sheet.
constexpr int STARK_EXACT_STATES = 2000;

class TStarkPlayer final : public TPlannedPlayer
{
public:
  explicit TStarkPlayer(double mostTries = DEFAULT_MOST_TRIES, bool deep = true,
                        int exactStates = STARK_EXACT_STATES,
                        const TSheetCorrection* correction = &TSheetCorrection::Fitted());
  TCellChoice ChooseCell(const TSheetState& sheet, const TFaces& dice) const override;
  // Expected final total when these dice are entered in this free cell, as ChooseCell weighs
  // it; -infinity for a cell that is not free.
  double CellValue(const TSheetState& sheet, const TFaces& dice, int row, int column) const;
  // Whether the player plays the rest of the game from this sheet perfectly (TEndgame), so
  // that its worths are the exact ones.
  bool PlaysExactly(const TSheetState& sheet) const { return Exact(sheet); }
  // What ending the turn with each throw is worth in the cell the player chooses, with an offset
  // on each cell's entry where it judges by its model; the exact worths, untouched, where it
  // plays exactly.
  std::vector<double> OffsetFinals(const TSheetState& sheet, const TCellOffsets& offsets) const;
  // The same by the model even where the player plays exactly, and the model's plan of the turn:
  // for valuing two sheets the same way when only one of them is played exactly.
  std::vector<double> ModelFinals(const TSheetState& sheet, const TCellOffsets& offsets) const
  {
    return Strategy.TurnFinals(sheet, offsets);
  }
  TTurnPlanner ModelPlan(const TSheetState& sheet) const
  {
    return TTurnPlanner(Strategy.TurnFinals(sheet), MAX_THROWS_LEFT);
  }

protected:
  std::vector<double> Finals(const TSheetState& sheet) const override;

private:
  bool Exact(const TSheetState& sheet) const;

  TStrategy Strategy;
  int ExactStates;
  mutable TEndgame Endgame;
  mutable TSheetState JudgedSheet;
  mutable bool JudgedExact = false;
};

// Immediate change of the grand total when a free cell gets these raw points.
double ImmediateGain(const TSheetState& sheet, int row, int column, int points);
// A small order of the free cells by what they are likely to bring (one turn's worth of the row
// times the multiplier), which the weaker strengths strike first.
double CellWorth(int row, int column);
