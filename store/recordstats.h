#pragma once

// The statistics of the finished games in the record: per person and kind of game the games,
// mean, best, wins, losses and bonuses reached, and every finished game's total in the order
// the games ended. Pure: the record store hands it the rows, the statistics window shows it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum class TGameKind { Alone, TwoPeople, Leicht, Mittel, Stark };
constexpr int GAME_KINDS = 5;

// The bonuses counted, in this order: number bonus, "Pasch", "Haus", "Straße".
constexpr int BONUS_KINDS = 4;
using TBonusCounts = std::array<int, BONUS_KINDS>;

// One seat of one finished game, as the record holds it.
struct TStatsRow {
  int64_t game = 0;
  int64_t ended = 0; // milliseconds since 1970
  int seat = 0;
  std::string name;
  bool computer = false;
  std::string level;
  int total = 0;
  TBonusCounts bonus{};
};

struct TStatsLine {
  std::string name;
  TGameKind kind = TGameKind::Alone;
  int games = 0, wins = 0, losses = 0, best = 0;
  int64_t sum = 0;
  TBonusCounts bonus{}; // columns that reached each bonus, over all these games
  double Mean() const { return games ? double(sum) / games : 0.0; }
};

// A person's total in one finished game.
struct TStatsGame {
  int64_t ended = 0;
  std::string name;
  TGameKind kind = TGameKind::Alone;
  int total = 0;
};

struct TStatistics {
  std::vector<TStatsLine> lines; // by name, then kind
  std::vector<TStatsGame> games; // in the order the games ended
};

// Rows ordered by game, then seat. The computer's seats count only as the opponent.
TStatistics CollectStatistics(const std::vector<TStatsRow>& rows);
// The mean of each value with up to window - 1 values before it.
std::vector<double> MovingMean(const std::vector<int>& values, int window);
