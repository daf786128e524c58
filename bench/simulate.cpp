// Self-play: the computer player at one of its strengths and the greedy yardstick each play
// one-player games with the same fixed seed for the dice; prints the spread of their final
// totals and the time the computer player takes per decision.
//
//   simulate [games] [seed] [--level L] [--versus L] [--totals FILE] [--cells] [--tries T]
//            [--shallow] [--exact N] [--uncorrected] [--paired] [--no-greedy]
//            [--positions FILE]
//
// --level plays "leicht", "mittel" or "stark" (the default);
// --versus plays a second strength on the same dice and prints how often each wins;
// --totals writes every game's total of the computer, one line per game in game order;
// --cells prints each cell's mean raw points and how often it scored, the bonus rates and what
// each part of the sheet adds to the grand total;
// --tries plays the strong computer with another number of turns per free cell than the
// standard; --shallow judges its entries by the sheet model alone, without playing the next
// turn; --exact N plays the rest of a game perfectly once that takes at most N sheets to work
// out, instead of the standard number (0: never); --uncorrected plays the strong computer on its
// sheet model without the fitted correction; --paired draws all dice of a turn up front (see
// Paired) for comparing two variants of a player; --no-greedy leaves the yardstick out;
// --positions writes every sheet of the computer's games just after an entry, for
// bench/fit_correction.

#include "ai/greedy.h"
#include "ai/levels.h"
#include "ai/player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{
using TClock = std::chrono::steady_clock;

// Wall-clock and processor time of each decision; the machine may be shared, so the wall
// clock's worst case can include time spent waiting for a processor.
struct TTiming {
  std::vector<float> wall;
  double cpu = 0, cpuWorst = 0;

  template <class F> auto Measure(F decide)
  {
    timespec c0{}, c1{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
    const auto start = TClock::now();
    auto result = decide();
    const auto end = TClock::now();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
    wall.push_back(float(std::chrono::duration<double, std::milli>(end - start).count()));
    const double ms = double(c1.tv_sec - c0.tv_sec) * 1e3 + double(c1.tv_nsec - c0.tv_nsec) / 1e6;
    cpu += ms;
    cpuWorst = std::max(cpuWorst, ms);
    return result;
  }

  void Add(const TTiming& other)
  {
    wall.insert(wall.end(), other.wall.begin(), other.wall.end());
    cpu += other.cpu;
    cpuWorst = std::max(cpuWorst, other.cpuWorst);
  }

  void Print(const char* what)
  {
    std::sort(wall.begin(), wall.end());
    auto at = [&](double p) {
      return wall[std::min(wall.size() - 1, size_t(p * double(wall.size())))];
    };
    double sum = 0;
    for (float ms : wall)
      sum += ms;
    std::printf(
        "  %-6s %zu decisions: wall mean %.3f ms, p50 %.3f, p99 %.3f, p99.9 %.3f, max %.3f; "
        "processor mean %.3f ms, max %.3f\n",
        what, wall.size(), sum / double(wall.size()), double(at(0.5)), double(at(0.99)),
        double(at(0.999)), double(wall.back()), cpu / double(wall.size()), cpuWorst);
  }
};

// What the cells held at the end of the games.
struct TCellStats {
  double points[SHEET_ROWS][SHEET_COLUMNS] = {};
  double scored[SHEET_ROWS][SHEET_COLUMNS] = {};
  double counts[NUMBER_ROWS][SHEET_COLUMNS][DICE + 1] = {};
  double numberBonus[SHEET_COLUMNS] = {}, patternBonus[SHEET_COLUMNS][3] = {};
  // What each part of a column adds to the grand total, multiplier included.
  enum TArea {
    NUMBERS,
    NUMBER_BONUS,
    PASCH,
    HOUSES,
    STREETS,
    PATTERN_BONUSES,
    WUMMEL,
    CHANCE,
    AREAS
  };
  double areas[AREAS][SHEET_COLUMNS] = {};
  long games = 0;

  void Add(const TSheetState& sheet)
  {
    ++games;
    for (int c = 0; c < SHEET_COLUMNS; ++c) {
      int numbers = 0;
      for (int r = 0; r < SHEET_ROWS; ++r) {
        const int v = sheet.Cell(r, c);
        points[r][c] += v;
        scored[r][c] += v > 0;
        if (r < NUMBER_ROWS) {
          counts[r][c][v / (r + 1)] += 1;
          numbers += v;
        }
      }
      numberBonus[c] += NumberBonus(numbers) > 0;
      const int m = Multiplier(c);
      areas[NUMBER_BONUS][c] += m * NumberBonus(numbers);
      int p = 0;
      for (const TSection& section : SECTIONS) {
        int withPoints = 0, sum = 0;
        for (int r = section.firstRow; r < section.firstRow + section.rows; ++r) {
          withPoints += sheet.Cell(r, c) > 0;
          sum += sheet.Cell(r, c);
        }
        const TArea area = section.kind == TColumnKind::Point    ? NUMBERS
                           : section.kind == TColumnKind::Pasch  ? PASCH
                           : section.kind == TColumnKind::Num    ? HOUSES
                           : section.kind == TColumnKind::Street ? STREETS
                           : section.kind == TColumnKind::Wummel ? WUMMEL
                                                                 : CHANCE;
        areas[area][c] += m * sum;
        if (!HasPatternBonus(section.kind)) continue;
        const int bonus = PatternBonus(withPoints, section.rows);
        areas[PATTERN_BONUSES][c] += m * bonus;
        patternBonus[c][p++] += bonus > 0;
      }
    }
  }

  void Add(const TCellStats& other)
  {
    games += other.games;
    for (int c = 0; c < SHEET_COLUMNS; ++c) {
      for (int r = 0; r < SHEET_ROWS; ++r) {
        points[r][c] += other.points[r][c];
        scored[r][c] += other.scored[r][c];
      }
      for (int r = 0; r < NUMBER_ROWS; ++r)
        for (int k = 0; k <= DICE; ++k)
          counts[r][c][k] += other.counts[r][c][k];
      numberBonus[c] += other.numberBonus[c];
      for (int p = 0; p < 3; ++p)
        patternBonus[c][p] += other.patternBonus[c][p];
      for (int a = 0; a < AREAS; ++a)
        areas[a][c] += other.areas[a][c];
    }
  }

  void Print() const
  {
    for (int r = 0; r < SHEET_ROWS; ++r) {
      std::printf("  row %2d", r);
      for (int c = 0; c < SHEET_COLUMNS; ++c)
        std::printf("   %6.2f (%3.0f%%)", points[r][c] / double(games),
                    100 * scored[r][c] / double(games));
      std::printf("\n");
    }
    for (int c = 0; c < SHEET_COLUMNS; ++c)
      std::printf(
          "  column x%d: number bonus %3.0f%%, pattern bonuses %3.0f%% %3.0f%% %3.0f%%\n", c + 1,
          100 * numberBonus[c] / double(games), 100 * patternBonus[c][0] / double(games),
          100 * patternBonus[c][1] / double(games), 100 * patternBonus[c][2] / double(games));
    static const char* const names[AREAS] = {"numbers", "number bonus", "n of a kind",
                                             "houses",  "straights",    "pattern bonuses",
                                             "Wummel",  "Chance"};
    std::printf("  mean points in the grand total      x1       x2       x3      all\n");
    double total = 0;
    for (int a = 0; a < AREAS; ++a) {
      double all = 0;
      std::printf("  %-30s", names[a]);
      for (int c = 0; c < SHEET_COLUMNS; ++c) {
        std::printf(" %8.1f", areas[a][c] / double(games));
        all += areas[a][c] / double(games);
      }
      std::printf(" %8.1f\n", all);
      total += all;
    }
    std::printf("  %-30s %35.1f\n", "grand total", total);
  }
};

// --paired: each game draws every die of every throw of every turn up front, so that players
// who hold differently still meet the same dice; differences between them then show with far
// fewer games.
bool Paired = false;
// --positions: every sheet just after an entry, as bench/fit_correction reads them.
bool KeepPositions = false;
using TPosition = std::array<signed char, SHEET_ROWS * SHEET_COLUMNS>;

struct TRun {
  std::vector<TPosition> positions;
  std::vector<int> totals; // by game number
  TTiming holds, cells;
  TCellStats stats;
  bool legal = true;
};

template <class TPlayer> int PlayGame(const TPlayer& player, std::mt19937& rng, TRun& run)
{
  std::uniform_int_distribution<int> die(1, 6);
  TSheetState sheet;
  for (int turn = 0; turn < SHEET_ROWS * SHEET_COLUMNS; ++turn) {
    std::array<TFaces, MAX_THROWS_LEFT + 1> drawn{};
    if (Paired)
      for (TFaces& faces : drawn)
        for (int& face : faces)
          face = die(rng);
    size_t throwNo = 0;
    auto roll = [&](size_t i) { return Paired ? drawn[throwNo][i] : die(rng); };
    TFaces dice;
    for (size_t i = 0; i < DICE; ++i)
      dice[i] = roll(i);
    THolds holds{};
    for (int throwsLeft = MAX_THROWS_LEFT; throwsLeft >= 1; --throwsLeft) {
      holds = run.holds.Measure([&] { return player.ChooseHolds(sheet, dice, holds, throwsLeft); });
      if (std::all_of(holds.begin(), holds.end(), [](bool h) { return h; })) break;
      ++throwNo;
      for (size_t i = 0; i < DICE; ++i)
        if (!holds[i]) dice[i] = roll(i);
    }
    const TCellChoice cell = run.cells.Measure([&] { return player.ChooseCell(sheet, dice); });
    if (cell.row < 0 || !sheet.IsFree(cell.row, cell.column)) {
      run.legal = false;
      return sheet.GrandTotal();
    }
    sheet.Enter(cell.row, cell.column, RowPoints(cell.row, dice));
    if (KeepPositions && sheet.FreeCount() > 0) {
      TPosition& position = run.positions.emplace_back();
      for (int r = 0; r < SHEET_ROWS; ++r)
        for (int c = 0; c < SHEET_COLUMNS; ++c)
          position[size_t(r * SHEET_COLUMNS + c)] = static_cast<signed char>(sheet.Cell(r, c));
    }
  }
  run.stats.Add(sheet);
  return sheet.GrandTotal();
}

// Each game's dice come from a generator seeded with the seed and the game's number, so the
// figures do not depend on how many threads share the games.
template <class TMake> TRun PlayGames(TMake makePlayer, int games, unsigned seed)
{
  const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  std::vector<TRun> runs(static_cast<size_t>(threads));
  std::vector<int> totals(size_t(games), 0);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      const auto player = makePlayer();
      TRun& run = runs[size_t(t)];
      for (int g = t; g < games && run.legal; g += threads) {
        std::seed_seq seq{seed, unsigned(g)};
        std::mt19937 rng(seq);
        totals[size_t(g)] = PlayGame(*player, rng, run);
      }
    });
  for (std::thread& worker : workers)
    worker.join();
  TRun all;
  all.totals = std::move(totals);
  for (TRun& run : runs) {
    all.legal = all.legal && run.legal;
    all.holds.Add(run.holds);
    all.cells.Add(run.cells);
    all.stats.Add(run.stats);
    all.positions.insert(all.positions.end(), run.positions.begin(), run.positions.end());
  }
  return all;
}

double Mean(const std::vector<int>& v)
{
  return std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
}

void Report(const char* name, const TRun& run)
{
  std::vector<int> t = run.totals;
  std::sort(t.begin(), t.end());
  const double mean = Mean(t);
  double squares = 0;
  for (int x : t)
    squares += (x - mean) * (x - mean);
  const double sd = std::sqrt(squares / double(t.size()));
  // Nearest-rank percentiles.
  auto pct = [&](double p) {
    const size_t rank = size_t(std::ceil(p / 100.0 * double(t.size())));
    return t[std::clamp<size_t>(rank, 1, t.size()) - 1];
  };
  std::printf("%-9s games %zu  mean %.1f  sd %.1f  min %d  p5 %d  p25 %d  p50 %d  p75 %d  p95 %d  "
              "max %d\n",
              name, t.size(), mean, sd, t.front(), pct(5), pct(25), pct(50), pct(75), pct(95),
              t.back());
}

// How often the first player's total beats the second's on the same dice.
void Versus(const char* first, const TRun& a, const char* second, const TRun& b)
{
  long wins = 0, ties = 0, losses = 0;
  for (size_t g = 0; g < a.totals.size(); ++g) {
    wins += a.totals[g] > b.totals[g];
    ties += a.totals[g] == b.totals[g];
    losses += a.totals[g] < b.totals[g];
  }
  const double n = double(a.totals.size()) / 100;
  std::printf("%s against %s, same dice: wins %.1f %%, ties %.1f %%, losses %.1f %%\n", first,
              second, double(wins) / n, double(ties) / n, double(losses) / n);
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<std::string> numbers;
  bool cells = false, deep = true, corrected = true, greedy = true;
  std::string positionsFile;
  double tries = DEFAULT_MOST_TRIES;
  int exact = STARK_EXACT_STATES;
  TLevel level = TLevel::Stark;
  std::optional<TLevel> versus;
  std::string totalsFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto levelArg = [&] {
      const auto named = i + 1 < argc ? LevelFromName(argv[++i]) : std::nullopt;
      if (!named) {
        std::fprintf(stderr, "%s needs leicht, mittel or stark\n", arg.c_str());
        std::exit(2);
      }
      return *named;
    };
    if (arg == "--cells")
      cells = true;
    else if (arg == "--shallow")
      deep = false;
    else if (arg == "--uncorrected")
      corrected = false;
    else if (arg == "--paired")
      Paired = true;
    else if (arg == "--no-greedy")
      greedy = false;
    else if (arg == "--positions" && i + 1 < argc)
      positionsFile = argv[++i];
    else if (arg == "--tries" && i + 1 < argc)
      tries = std::max(1.0, std::atof(argv[++i]));
    else if (arg == "--exact" && i + 1 < argc)
      exact = std::max(0, std::atoi(argv[++i]));
    else if (arg == "--level")
      level = levelArg();
    else if (arg == "--versus")
      versus = levelArg();
    else if (arg == "--totals" && i + 1 < argc)
      totalsFile = argv[++i];
    else
      numbers.push_back(arg);
  }
  const int games = numbers.size() > 0 ? std::max(1, std::atoi(numbers[0].c_str())) : 10000;
  const unsigned seed =
      numbers.size() > 1 ? unsigned(std::strtoul(numbers[1].c_str(), nullptr, 10)) : 20240613u;
  auto make = [&](TLevel which) -> std::unique_ptr<TPlayer> {
    if (which == TLevel::Stark)
      return std::make_unique<TStarkPlayer>(tries, deep, exact,
                                            corrected ? &TSheetCorrection::Fitted() : nullptr);
    return MakePlayer(which);
  };

  const auto start = TClock::now();
  make(level); // builds the shared tables once, for the timing below
  const double setUp = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
  KeepPositions = !positionsFile.empty();
  TRun strong = PlayGames([&] { return make(level); }, games, seed);
  KeepPositions = false;
  if (!positionsFile.empty()) {
    FILE* f = std::fopen(positionsFile.c_str(), "wb");
    if (!f || std::fwrite(strong.positions.data(), sizeof(TPosition), strong.positions.size(), f) !=
                  strong.positions.size()) {
      std::fprintf(stderr, "cannot write %s\n", positionsFile.c_str());
      return 1;
    }
    std::fclose(f);
  }
  // Without the yardstick, one game keeps the report's lines in place.
  TRun weak = PlayGames([] { return std::make_unique<TGreedy>(); }, greedy ? games : 1, seed);
  TRun other;
  if (versus) other = PlayGames([&] { return make(*versus); }, games, seed);
  if (!strong.legal || !weak.legal || !other.legal) {
    std::fprintf(stderr, "a player chose a cell that was not free\n");
    return 1;
  }
  const std::string name(LevelName(level));
  std::printf("%d one-player games each, game g's dice from std::mt19937 seeded with {%u, g}; "
              "computer: %s%s%s%s\n",
              games, seed, name.c_str(), deep ? "" : ", shallow", corrected ? "" : ", uncorrected",
              Paired ? ", dice drawn per throw" : "");
  Report("computer", strong);
  Report("greedy", weak);
  std::printf("computer / greedy mean: %.3f\n", Mean(strong.totals) / Mean(weak.totals));
  if (greedy) Versus(name.c_str(), strong, "greedy", weak);
  if (versus) {
    const std::string otherName(LevelName(*versus));
    Report(otherName.c_str(), other);
    Versus(name.c_str(), strong, otherName.c_str(), other);
  }
  if (!totalsFile.empty()) {
    if (FILE* f = std::fopen(totalsFile.c_str(), "w")) {
      for (int total : strong.totals)
        std::fprintf(f, "%d\n", total);
      std::fclose(f);
    }
  }
  if (cells) {
    std::printf("computer, mean raw points per cell (x1, x2, x3) and how often it scored:\n");
    strong.stats.Print();
    std::printf("greedy:\n");
    weak.stats.Print();
  }
  std::printf("computer's tables built in %.1f ms; time per decision:\n", setUp);
  strong.holds.Print("holds");
  strong.cells.Print("cell");
  return 0;
}
