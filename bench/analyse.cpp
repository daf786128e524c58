// Measures the analysis of games (ai/analysis.h): one player plays one-player games, each game is
// analysed against "Stark", and the program prints how many points the player loses per game and
// per decision, how they spread (the classes' thresholds are chosen from this), the luck, the
// remainder of Stark's model and the processor time of an analysis.
//
//   analyse [games] [seed] [--level leicht|mittel|stark|first]
//   analyse [games] [seed] --fit FILE
//
// --fit plays the games with "Stark" and writes ai/analysisshift.cpp to FILE: for each number of
// free cells left after an entry, what Stark's worth after the entry misses on average of its
// worth at the start of the next turn (itself shifted), fitted from the last cells up, with
// nothing where the end-game solver plays exactly.
// "first" enters every turn's first throw in the first free cell, without throwing again.
// Game g's dice come from std::mt19937 seeded with {seed, g}, as in bench/simulate.

#include "ai/analysis.h"
#include "ai/levels.h"
#include "ai/player.h"
#include "bench/recorded.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{
// One turn of a Stark game, away from the end-game solver: the worth after its entry and the
// next turn's worth at its start (the final total after the last entry), unshifted.
struct TGap {
  int freeAfter = 0;
  double gap = 0;
  bool nextExact = false;
};

std::vector<TGap> Gaps(const TStarkPlayer& stark, const std::vector<TPlayedTurn>& turns)
{
  std::vector<TGap> gaps;
  TSheetState sheet;
  for (const TPlayedTurn& turn : turns) {
    const bool exact = stark.PlaysExactly(sheet);
    const double after = stark.CellValue(sheet, turn.throws.back().faces, turn.row, turn.column);
    sheet.Enter(turn.row, turn.column, turn.points);
    if (exact) break; // from here on every worth is exact
    TGap g;
    g.freeAfter = sheet.FreeCount();
    g.nextExact = g.freeAfter == 0 || stark.PlaysExactly(sheet);
    g.gap = (g.freeAfter == 0 ? sheet.GrandTotal() : stark.Plan(sheet).TurnValue()) - after;
    gaps.push_back(g);
  }
  return gaps;
}

int Fit(int games, unsigned seed, const std::string& file)
{
  const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  std::vector<std::vector<TGap>> found(static_cast<size_t>(threads));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      const TStarkPlayer stark;
      for (int g = t; g < games; g += threads) {
        std::seed_seq seq{seed, unsigned(g)};
        std::mt19937 rng(seq);
        const auto gaps = Gaps(stark, PlayRecorded(stark, rng));
        found[size_t(t)].insert(found[size_t(t)].end(), gaps.begin(), gaps.end());
      }
    });
  for (std::thread& w : workers)
    w.join();
  constexpr int CELLS = SHEET_ROWS * SHEET_COLUMNS;
  std::array<double, CELLS> sum{}, shift{};
  std::array<int, CELLS> count{};
  // From the last cells up, so that the next turn's shift is known.
  for (int k = 1; k < CELLS; ++k) {
    for (const auto& gaps : found)
      for (const TGap& g : gaps)
        if (g.freeAfter == k) {
          sum[size_t(k)] += g.gap + (g.nextExact ? 0 : shift[size_t(k - 1)]);
          ++count[size_t(k)];
        }
    shift[size_t(k)] = count[size_t(k)] ? sum[size_t(k)] / count[size_t(k)] : shift[size_t(k - 1)];
  }
  FILE* f = std::fopen(file.c_str(), "w");
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    return 1;
  }
  std::fprintf(
      f,
      "// Written by bench/analyse --fit %d %u from Stark's own games; see MODEL_SHIFT.\n\n"
      "#include \"ai/analysis.h\"\n\n"
      "// By the free cells left after a turn's entry, 0 to %d.\n"
      "const std::array<double, MODEL_SHIFTS> MODEL_SHIFT = {\n",
      games, seed, CELLS - 1);
  for (int k = 0; k < CELLS; ++k)
    std::fprintf(f, "%s%.3f,%s", k % 9 == 0 ? "    " : " ", shift[size_t(k)],
                 k % 9 == 8 || k == CELLS - 1 ? "\n" : "");
  std::fprintf(f, "};\n");
  std::fclose(f);
  for (int k = 0; k < CELLS; ++k)
    std::printf("free %2d: %6d turns away from the exact end-game, shift %8.2f\n", k,
                count[size_t(k)], shift[size_t(k)]);
  return 0;
}

double CpuMs()
{
  timespec c{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c);
  return double(c.tv_sec) * 1e3 + double(c.tv_nsec) / 1e6;
}

struct TStats {
  std::vector<TPlayerReview> games;
  std::vector<double> cpu; // ms per analysis
};

double Mean(const std::vector<double>& v)
{
  double s = 0;
  for (double x : v)
    s += x;
  return v.empty() ? 0 : s / double(v.size());
}

double Sd(const std::vector<double>& v)
{
  const double m = Mean(v);
  double s = 0;
  for (double x : v)
    s += (x - m) * (x - m);
  return v.size() < 2 ? 0 : std::sqrt(s / double(v.size() - 1));
}

double At(std::vector<double> v, double p)
{
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

void Spread(const char* what, const std::vector<double>& losses)
{
  static const double edges[] = {1e-9, 0.5, 1, 2, 5, 10, 20, 40, 80, 160};
  std::printf("  %-6s %zu decisions, mean loss %.3f; p50 %.2f p75 %.2f p90 %.2f p95 %.2f "
              "p99 %.2f max %.1f\n",
              what, losses.size(), Mean(losses), At(losses, 0.5), At(losses, 0.75), At(losses, 0.9),
              At(losses, 0.95), At(losses, 0.99), At(losses, 1.0));
  double total = 0;
  for (double x : losses)
    total += x;
  std::printf("         loss from  share of decisions  share of points lost\n");
  double lo = 0;
  for (size_t b = 0; b <= std::size(edges); ++b) {
    const double hi = b < std::size(edges) ? edges[b] : 1e18;
    size_t n = 0;
    double points = 0;
    for (double x : losses)
      if (x >= lo && x < hi) {
        ++n;
        points += x;
      }
    char from[16] = "   none";
    if (b > 0) std::snprintf(from, sizeof from, "%7.2f", b == 1 ? 0.0 : lo);
    std::printf("         %s %12.2f %% %18.2f %%\n", from,
                100.0 * double(n) / double(losses.size()),
                total > 0 ? 100.0 * points / total : 0.0);
    lo = hi;
  }
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<std::string> numbers;
  std::string level = "leicht", fitFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--level" && i + 1 < argc)
      level = argv[++i];
    else if (arg == "--fit" && i + 1 < argc)
      fitFile = argv[++i];
    else
      numbers.push_back(arg);
  }
  const int games = numbers.size() > 0 ? std::max(1, std::atoi(numbers[0].c_str())) : 1000;
  const unsigned seed =
      numbers.size() > 1 ? unsigned(std::strtoul(numbers[1].c_str(), nullptr, 10)) : 20240613u;
  if (!fitFile.empty()) return Fit(games, seed, fitFile);
  auto make = [&]() -> std::unique_ptr<TPlayer> {
    if (level == "first") return std::make_unique<TFirstFreeCell>();
    if (const auto named = LevelFromName(level)) return MakePlayer(*named);
    std::fprintf(stderr, "--level needs leicht, mittel, stark or first\n");
    std::exit(2);
  };
  make();

  const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  std::vector<TStats> runs(static_cast<size_t>(threads));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      const auto player = make();
      const TGameAnalyser analyser;
      for (int g = t; g < games; g += threads) {
        std::seed_seq seq{seed, unsigned(g)};
        std::mt19937 rng(seq);
        TPlayedGame game;
        game.players.push_back(PlayRecorded(*player, rng));
        const double c0 = CpuMs();
        TGameReview review = analyser.Analyse(game);
        runs[size_t(t)].cpu.push_back(CpuMs() - c0);
        if (review.status != TAnalysisStatus::Done) {
          std::fprintf(stderr, "game %d: not analysed: %s\n", g, review.problem.c_str());
          std::exit(1);
        }
        runs[size_t(t)].games.push_back(std::move(review.players[0]));
      }
    });
  for (std::thread& w : workers)
    w.join();

  std::vector<double> totals, starts, lucks, lost, remainders, cpu, sumErrors, holdLoss, cellLoss,
      perDecision;
  std::array<double, VERDICTS> verdicts{};
  for (const TStats& run : runs) {
    cpu.insert(cpu.end(), run.cpu.begin(), run.cpu.end());
    for (const TPlayerReview& r : run.games) {
      totals.push_back(r.total);
      starts.push_back(r.start);
      lucks.push_back(r.luck);
      lost.push_back(r.lost);
      remainders.push_back(r.remainder);
      perDecision.push_back(r.LostPerDecision());
      sumErrors.push_back(std::abs(r.start + r.luck - r.lost + r.remainder - r.total));
      for (int v = 0; v < VERDICTS; ++v)
        verdicts[size_t(v)] += r.verdicts[size_t(v)];
      for (const TDecisionReview& d : r.decisions)
        (d.kind == TDecisionKind::Cell ? cellLoss : holdLoss).push_back(d.lost);
    }
  }
  const double n = double(totals.size());
  std::printf("%d one-player games of %s, analysed against stark; game g's dice from "
              "std::mt19937 seeded with {%u, g}\n",
              games, level.c_str(), seed);
  std::printf("  final total   mean %.1f sd %.1f\n", Mean(totals), Sd(totals));
  std::printf("  expected at start %.2f; luck mean %.1f sd %.1f\n", Mean(starts), Mean(lucks),
              Sd(lucks));
  std::printf("  points lost   mean %.1f sd %.1f per game; %.3f per decision (p50 of games %.3f)\n",
              Mean(lost), Sd(lost), Mean(lost) / (double(holdLoss.size() + cellLoss.size()) / n),
              At(perDecision, 0.5));
  std::vector<double> absRemainder;
  for (double r : remainders)
    absRemainder.push_back(std::abs(r));
  std::vector<double> lostLessRemainder;
  for (size_t g = 0; g < lost.size(); ++g)
    lostLessRemainder.push_back(lost[g] - remainders[g]);
  std::printf("  lost - remainder mean %.1f (start - mean total %.1f)\n", Mean(lostLessRemainder),
              Mean(starts) - Mean(totals));
  std::printf("  remainder     mean %.1f sd %.1f; |remainder| p50 %.1f p95 %.1f max %.1f\n",
              Mean(remainders), Sd(remainders), At(absRemainder, 0.5), At(absRemainder, 0.95),
              At(absRemainder, 1.0));
  std::printf("  start + luck - lost + remainder - total: largest %.2e\n", At(sumErrors, 1.0));
  std::printf("  decisions per game %.1f; per class per game: gut %.1f, ungenau %.1f, Fehler "
              "%.1f, grober Fehler %.1f (thresholds %.0f, %.0f, %.0f)\n",
              double(holdLoss.size() + cellLoss.size()) / n, verdicts[0] / n, verdicts[1] / n,
              verdicts[2] / n, verdicts[3] / n, INACCURATE_LOSS, MISTAKE_LOSS, BLUNDER_LOSS);
  std::vector<double> all = holdLoss;
  all.insert(all.end(), cellLoss.begin(), cellLoss.end());
  Spread("all", all);
  Spread("holds", holdLoss);
  Spread("cells", cellLoss);
  std::printf("  analysis of a game: processor time mean %.0f ms, p50 %.0f, max %.0f\n", Mean(cpu),
              At(cpu, 0.5), At(cpu, 1.0));
  return 0;
}
