#include "ai/player.h"

#include "ai/levels.h"

std::unique_ptr<TPlayer> MakePlayer(TLevel level)
{
  switch (level) {
  case TLevel::Leicht:
    return std::make_unique<TCasualPlayer>();
  case TLevel::Mittel:
    return std::make_unique<TOneTurnPlayer>();
  case TLevel::Stark:
    break;
  }
  return std::make_unique<TStarkPlayer>();
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
