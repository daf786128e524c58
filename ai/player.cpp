#include "ai/player.h"

namespace
{
// For now every strength plays the full strategy.
class TStrongPlayer final : public TPlayer
{
public:
  THolds ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                     int throwsLeft) const override
  {
    return Strategy.ChooseHolds(sheet, dice, holds, throwsLeft);
  }
  TCellChoice ChooseCell(const TSheetState& sheet, const TFaces& dice) const override
  {
    return Strategy.ChooseCell(sheet, dice);
  }

private:
  TStrategy Strategy;
};
} // namespace

std::unique_ptr<TPlayer> MakePlayer(TLevel)
{
  return std::make_unique<TStrongPlayer>();
}

std::string_view LevelName(TLevel level)
{
  switch (level) {
  case TLevel::Leicht:
    return "leicht";
  case TLevel::Mittel:
    return "mittel";
  case TLevel::Stark:
    break;
  }
  return "stark";
}

std::optional<TLevel> LevelFromName(std::string_view name)
{
  for (TLevel level : {TLevel::Leicht, TLevel::Mittel, TLevel::Stark})
    if (LevelName(level) == name) return level;
  return std::nullopt;
}
