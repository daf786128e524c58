#pragma once

// Self-play that keeps the record of a game as the analysis reads it (ai/playedgame.h): each
// throw's faces, the holds before each further throw and each entry. For the analysis tool and
// the analysis tests.

#include "ai/playedgame.h"
#include "ai/player.h"

#include <random>
#include <vector>

// One player's turns from `from` to the full sheet, the dice drawn from rng die by die.
std::vector<TPlayedTurn> PlayRecorded(const TPlayer& player, std::mt19937& rng,
                                      const TSheetState& from = TSheetState());

// Enters each turn's first throw in the first free cell, without throwing again: the worst
// sensible play, which the analysis must find costly.
class TFirstFreeCell final : public TPlayer
{
public:
  THolds ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                     int throwsLeft) const override;
  TCellChoice ChooseCell(const TSheetState& sheet, const TFaces& dice) const override;
};
