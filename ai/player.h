#pragma once

// The computer player at one of three strengths, as the game and the self-play program ask it:
// which dice to hold before the next throw, and which free cell to enter. MakePlayer builds
// whatever tables the strength needs before it returns, so that no decision has to.

#include "ai/strategy.h"

#include <memory>
#include <optional>
#include <string_view>

enum class TLevel { Leicht = 0, Mittel = 1, Stark = 2 };

class TPlayer
{
public:
  virtual ~TPlayer() = default;
  // As TStrategy::ChooseHolds: all six held means the turn should go on to the cell.
  virtual THolds ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                             int throwsLeft) const = 0;
  virtual TCellChoice ChooseCell(const TSheetState& sheet, const TFaces& dice) const = 0;
};

std::unique_ptr<TPlayer> MakePlayer(TLevel level);

// "leicht", "mittel", "stark": the names the self-play program and the choice file use.
std::string_view LevelName(TLevel level);
std::optional<TLevel> LevelFromName(std::string_view name);
