// The strong player's end-games against perfect play. Plays games of the strong player (dice of
// game g from std::mt19937 seeded with {seed, g}, as the self-play program), takes the sheet of
// each game at the start of the turn with a given number of free cells, and works out exactly,
// over every throw to the end of the game, the expected final total of perfect play and of the
// strong player's own play from there.
//
//   endgame [positions] [seed] [--free N] [--exact N] [--first G]
//
// --free takes the sheets with N free cells (default 8); --exact N plays the strong player with
// that limit on the sheets its exact end-game may work out (0: never), as the self-play program;
// --first starts at game G instead of 0, so that a long measurement can go on where one ended.

#include "ai/endgame.h"
#include "ai/levels.h"
#include "bench/oracle.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace
{
// The sheet of one game when `free` cells are left, played by the strong player.
TSheetState SheetWithFree(const TStarkPlayer& player, unsigned seed, int game, int free)
{
  std::seed_seq seq{seed, unsigned(game)};
  std::mt19937 rng(seq);
  std::uniform_int_distribution<int> die(1, 6);
  TSheetState sheet;
  while (sheet.FreeCount() > free) {
    TFaces dice;
    for (int& face : dice)
      face = die(rng);
    THolds holds{};
    for (int throwsLeft = MAX_THROWS_LEFT; throwsLeft >= 1; --throwsLeft) {
      holds = player.ChooseHolds(sheet, dice, holds, throwsLeft);
      if (std::all_of(holds.begin(), holds.end(), [](bool h) { return h; })) break;
      for (size_t i = 0; i < DICE; ++i)
        if (!holds[i]) dice[i] = die(rng);
    }
    const TCellChoice cell = player.ChooseCell(sheet, dice);
    sheet.Enter(cell.row, cell.column, RowPoints(cell.row, dice));
  }
  return sheet;
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<std::string> numbers;
  int free = 8, exact = STARK_EXACT_STATES, first = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--free" && i + 1 < argc)
      free = std::clamp(std::atoi(argv[++i]), 1, 20);
    else if (arg == "--exact" && i + 1 < argc)
      exact = std::max(0, std::atoi(argv[++i]));
    else if (arg == "--first" && i + 1 < argc)
      first = std::max(0, std::atoi(argv[++i]));
    else
      numbers.push_back(arg);
  }
  const int positions = numbers.size() > 0 ? std::max(1, std::atoi(numbers[0].c_str())) : 20;
  const unsigned seed =
      numbers.size() > 1 ? unsigned(std::strtoul(numbers[1].c_str(), nullptr, 10)) : 20240613u;

  const TStarkPlayer player(DEFAULT_MOST_TRIES, true, exact);
  std::printf("%d sheets with %d free cells, from the strong player's games {%u, g}, g from %d\n",
              positions, free, seed, first);
  double sum = 0, squares = 0, worst = 0;
  for (int g = first; g < first + positions; ++g) {
    const auto start = std::chrono::steady_clock::now();
    const TSheetState sheet = SheetWithFree(player, seed, g, free);
    TEndgame perfect;
    const double best = perfect.Value(sheet);
    TPlayedValue played(player);
    const double own = played.Value(sheet);
    const double loss = best - own;
    sum += loss;
    squares += loss * loss;
    worst = std::max(worst, loss);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("game %4d: perfect %9.3f  strong %9.3f  loss %7.3f  (%zu sheets, %.1f s)\n", g,
                best, own, loss, perfect.States(), seconds);
    std::fflush(stdout);
    if (loss < -1e-6) {
      std::fprintf(stderr, "the strong player beat perfect play: a fault in the oracle\n");
      return 1;
    }
  }
  const double mean = sum / positions;
  const double sd = std::sqrt(std::max(0.0, squares / positions - mean * mean));
  std::printf("mean loss to perfect play with %d free cells: %.3f points (standard error %.3f, "
              "most %.3f) over %d sheets\n",
              free, mean, sd / std::sqrt(double(positions)), worst, positions);
  return 0;
}
