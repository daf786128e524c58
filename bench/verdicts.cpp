// Checks the analysis's single verdicts against games played on. Games of "Leicht" and "Mittel"
// are played and analysed; every decision that differs from Stark's, away from the end-game
// solver and with a given number of free cells, is played on by Stark from both choices many
// times, with the same dice for both (each turn's eighteen dice drawn before its first throw),
// each play-out ending in the exact worth of Stark's end-game once Stark plays exactly. The
// mean difference is what the choice lost, to within the play-outs' standard error.
//
//   verdicts [games] [seed] [--level leicht|mittel|both] [--free LOW-HIGH] [--every K]
//            [--rolls R] [--threads T] [--out FILE] [--less-luck]
//   verdicts --from FILE [--refine] [--threads T]
//
// It prints, for each player and kind of decision: the decisions, the mean loss by the analysis
// and by the play-outs, the bias (the mean of their difference), the spread of that difference
// beyond what the play-outs' noise explains, and how often the analysis's class agrees with the
// play-outs' where the play-outs tell the class surely (more than two standard errors from each
// threshold). Comparisons of an exact worth with an approximate one are counted apart.
// --out keeps each decision's play-outs, so that --from can set a changed analysis beside the
// same play-outs without playing them again (the games are played and analysed anew; the
// play-outs depend on Stark's play only); --refine then refines each decision as the analysis
// window does (TGameAnalyser::Refine, with play-outs of its own) and sets that beside them too.
// Game g's dice come from std::mt19937 seeded with {seed, g}, as in bench/analyse; play-out r of
// check c from {7, c, r}.

#include "ai/analysis.h"
#include "ai/endgame.h"
#include "ai/levels.h"
#include "ai/playout.h"
#include "bench/recorded.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{
using std::size_t;
struct TCheck {
  int level = 0; // index into LEVELS
  int game = 0, index = 0;
  TDecisionReview decision;
  bool mixed = false; // one choice's worth exact, the other's not
  double played = 0;  // Stark's choice less the one made, mean of the play-outs
  double se = 0;      // its standard error
  int rolls = 0;
  // The same play-outs, each total less the luck of its throws (ai/playout.h): the same
  // expectation, a smaller spread. With --less-luck these are the ones checked against.
  double lessLuck = 0, lessLuckSe = 0;
};

const TLevel LEVELS[] = {TLevel::Leicht, TLevel::Mittel};
const char* const LEVEL_NAMES[] = {"Leicht", "Mittel"};

// Whether an entry's two worths are one exact (perfect play's, which the solver here works out
// for every sheet within its reach) and the other not.
bool Mixed(TEndgame& exact, const TDecisionReview& d)
{
  if (d.kind != TDecisionKind::Cell) return false;
  TSheetState best = d.sheet, done = d.sheet;
  best.Enter(d.bestCell.row, d.bestCell.column, d.bestPoints);
  done.Enter(d.doneCell.row, d.doneCell.column, d.donePoints);
  auto isExact = [&](const TSheetState& s, double value) {
    if (s.FreeCount() == 0) return true;
    if (exact.States() > 1000000) exact.Forget();
    return (s.FreeCount() <= 14 && exact.Within(s, 20000) &&
            std::abs(exact.Value(s) - value) < 1e-9);
  };
  return isExact(best, d.valueBest) != isExact(done, d.valueDone);
}

TPlayedGame Game(int level, unsigned seed, int g)
{
  static thread_local std::map<int, std::unique_ptr<TPlayer>> players;
  auto& player = players[level];
  if (!player) player = MakePlayer(LEVELS[level]);
  std::seed_seq seq{seed, unsigned(g)};
  std::mt19937 rng(seq);
  TPlayedGame game;
  game.players.push_back(PlayRecorded(*player, rng));
  return game;
}

double Mean(const std::vector<double>& v)
{
  double s = 0;
  for (double x : v)
    s += x;
  return v.empty() ? 0 : s / double(v.size());
}

double Variance(const std::vector<double>& v)
{
  const double m = Mean(v);
  double s = 0;
  for (double x : v)
    s += (x - m) * (x - m);
  return v.size() < 2 ? 0 : s / double(v.size() - 1);
}

// The class the play-outs tell surely, or -1 when a threshold lies within two standard errors.
int SureVerdict(double played, double se)
{
  return VerdictSure(played, se) ? int(VerdictFor(played)) : -1;
}

void Report(const std::vector<TCheck>& checks)
{
  std::printf("%-16s %5s %8s %8s %6s %7s %7s %12s %6s %s\n", "player, kind", "n", "analysis",
              "played", "bias", "spread", "noise", "class agrees", "mixed", "mixed: bias, most");
  for (int level = 0; level < 2; ++level)
    for (const TDecisionKind kind : {TDecisionKind::Holds, TDecisionKind::Cell}) {
      std::vector<double> analysis, played, error, noise, mixedError;
      int sure = 0, agree = 0, mixed = 0, betterCalledLoss = 0;
      for (const TCheck& c : checks) {
        if (c.level != level || c.decision.kind != kind) continue;
        if (c.mixed) {
          ++mixed;
          mixedError.push_back(c.decision.lost - c.played);
        }
        analysis.push_back(c.decision.lost);
        played.push_back(c.played);
        error.push_back(c.decision.lost - c.played);
        // A refined verdict is a mean of play-outs too, with a noise of its own.
        noise.push_back(c.se * c.se + c.decision.playedSe * c.decision.playedSe);
        if (const int v = SureVerdict(c.played, c.se); v >= 0) {
          ++sure;
          agree += int(c.decision.verdict) == v;
        }
        // The choice made is surely better than Stark's, yet the analysis calls it a loss.
        if (c.played < -2 * c.se && c.decision.lost >= INACCURATE_LOSS) ++betterCalledLoss;
      }
      if (analysis.empty()) continue;
      const double beyond = Variance(error) - Mean(noise);
      double mostMixed = 0;
      for (double e : mixedError)
        mostMixed = std::max(mostMixed, std::abs(e));
      char label[32];
      std::snprintf(label, sizeof label, "%s, %s", LEVEL_NAMES[level],
                    kind == TDecisionKind::Cell ? "entries" : "holds");
      std::printf("%-16s %5zu %8.2f %8.2f %+6.2f %7.2f %7.2f %5.1f %% of %3d %6d %+.1f, %.1f;"
                  " better than Stark's yet called a loss: %d\n",
                  label, analysis.size(), Mean(analysis), Mean(played), Mean(error),
                  std::sqrt(std::max(0.0, beyond)), std::sqrt(Mean(noise)),
                  sure ? 100.0 * agree / sure : 0.0, sure, mixed, Mean(mixedError), mostMixed,
                  betterCalledLoss);
    }
  std::printf("(spread: sd of analysis - played beyond the play-outs' noise, whose rms is "
              "given; class agrees: where the play-outs lie more than two standard errors from "
              "every threshold)\n");
}

// The analysis of each game once, on `threads` threads.
std::vector<std::vector<TGameReview>> Analyse(const std::vector<int>& levels, int games,
                                              unsigned seed, int threads)
{
  std::vector<std::vector<TGameReview>> reviews(2, std::vector<TGameReview>(size_t(games)));
  std::atomic<int> next{0};
  const int jobs = int(levels.size()) * games;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&] {
      const TGameAnalyser analyser;
      for (int j; (j = next++) < jobs;) {
        const int level = levels[size_t(j / games)], g = j % games;
        reviews[size_t(level)][size_t(g)] = analyser.Analyse(Game(level, seed, g));
      }
    });
  for (std::thread& w : workers)
    w.join();
  return reviews;
}

int Threads(int asked)
{
  return asked > 0 ? asked : int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<std::string> numbers;
  std::string levelName = "both", out, from;
  int low = 12, high = 16, every = 5, rolls = 200, threads = 0;
  bool refine = false, lessLuck = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--level" && i + 1 < argc)
      levelName = argv[++i];
    else if (arg == "--free" && i + 1 < argc)
      std::sscanf(argv[++i], "%d-%d", &low, &high);
    else if (arg == "--every" && i + 1 < argc)
      every = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--rolls" && i + 1 < argc)
      rolls = std::max(2, std::atoi(argv[++i]));
    else if (arg == "--threads" && i + 1 < argc)
      threads = std::atoi(argv[++i]);
    else if (arg == "--out" && i + 1 < argc)
      out = argv[++i];
    else if (arg == "--refine")
      refine = true;
    else if (arg == "--less-luck")
      lessLuck = true;
    else if (arg == "--from" && i + 1 < argc)
      from = argv[++i];
    else
      numbers.push_back(arg);
  }
  threads = Threads(threads);
  int games = numbers.size() > 0 ? std::max(1, std::atoi(numbers[0].c_str())) : 40;
  unsigned seed =
      numbers.size() > 1 ? unsigned(std::strtoul(numbers[1].c_str(), nullptr, 10)) : 20240613u;
  std::vector<int> levels;
  if (levelName != "mittel") levels.push_back(0);
  if (levelName != "leicht") levels.push_back(1);

  std::vector<TCheck> checks;
  if (!from.empty()) {
    // The decisions and their play-outs as kept; the analysis anew.
    FILE* f = std::fopen(from.c_str(), "r");
    if (!f) {
      std::fprintf(stderr, "cannot read %s\n", from.c_str());
      return 1;
    }
    if (std::fscanf(f, "verdicts %d %u\n", &games, &seed) != 2) return 1;
    TCheck c;
    while (std::fscanf(f, "%d %d %d %lf %lf %d\n", &c.level, &c.game, &c.index, &c.played, &c.se,
                       &c.rolls) == 6)
      checks.push_back(c);
    std::fclose(f);
    levels = {0, 1};
    const auto reviews = Analyse(levels, games, seed, threads);
    TEndgame exact;
    for (TCheck& check : checks) {
      check.decision = reviews[size_t(check.level)][size_t(check.game)]
                           .players[0]
                           .decisions[size_t(check.index)];
      check.mixed = Mixed(exact, check.decision);
    }
    std::printf("%zu decisions of %s, play-outs as kept\n", checks.size(), from.c_str());
    Report(checks);
    // What the window would play on in a whole game: the decisions, the closest first, whose
    // quick loss lies near a threshold.
    for (int level : levels) {
      std::array<double, 2> count{};
      std::vector<int> free;
      for (const TGameReview& review : reviews[size_t(level)])
        for (const TGameAnalyser::TRefinement& r : TGameAnalyser::ToRefine(review)) {
          const TDecisionReview& d = review.players[0].decisions[size_t(r.decision)];
          count[d.kind == TDecisionKind::Cell] += 1.0 / games;
          free.push_back(d.sheet.FreeCount());
        }
      std::sort(free.begin(), free.end());
      std::printf("%s: to refine per game %.1f holds, %.1f entries; free cells median %d\n",
                  LEVEL_NAMES[level], count[0], count[1], free.empty() ? 0 : free[free.size() / 2]);
    }
    if (refine) {
      // Each decision refined as the analysis window refines it, with play-outs of its own.
      std::atomic<size_t> next{0};
      std::vector<std::thread> workers;
      for (int t = 0; t < threads; ++t)
        workers.emplace_back([&] {
          const TGameAnalyser analyser;
          for (size_t i; (i = next++) < checks.size();) {
            TCheck& c = checks[i];
            TGameReview review = reviews[size_t(c.level)][size_t(c.game)];
            analyser.Refine(review, {0, c.index});
            c.decision = review.players[0].decisions[size_t(c.index)];
          }
        });
      for (std::thread& w : workers)
        w.join();
      int refined = 0;
      for (const TCheck& c : checks)
        refined += c.decision.refined;
      std::printf("every decision refined by the analysis's own play-outs (%d of them play "
                  "out):\n",
                  refined);
      Report(checks);
    }
    return 0;
  }

  const auto reviews = Analyse(levels, games, seed, threads);
  {
    TEndgame exact;
    long seen = 0;
    for (int level : levels)
      for (int g = 0; g < games; ++g) {
        const auto& decisions = reviews[size_t(level)][size_t(g)].players[0].decisions;
        for (size_t i = 0; i < decisions.size(); ++i) {
          const TDecisionReview& d = decisions[i];
          const int free = d.sheet.FreeCount();
          if (d.exact || free < low || free > high || d.doneWords == d.bestWords) continue;
          if (seen++ % every) continue;
          TCheck& c = checks.emplace_back();
          c.level = level;
          c.game = g;
          c.index = int(i);
          c.decision = d;
          c.mixed = Mixed(exact, d);
        }
      }
  }
  std::printf("%zu decisions with %d to %d free cells unlike Stark's (every %d), %d play-outs "
              "each from both choices, %d games each on seed %u\n",
              checks.size(), low, high, every, rolls, games, seed);
  std::fflush(stdout);
  std::atomic<size_t> next{0}, finished{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&] {
      const TStarkPlayer stark;
      TEndgame endgame;
      for (size_t i; (i = next++) < checks.size();) {
        TCheck& c = checks[i];
        double sum = 0, squares = 0, lessSum = 0, lessSquares = 0;
        for (int r = 0; r < rolls; ++r) {
          double difference = 0, less = 0;
          for (const bool best : {true, false}) {
            std::seed_seq seq{7u, unsigned(i), unsigned(r)};
            std::mt19937 rng(seq);
            double luck = 0;
            const double total = PlayOut(stark, endgame, c.decision, best, rng, &luck);
            difference += (best ? 1 : -1) * total;
            less += (best ? 1 : -1) * (total - luck);
          }
          sum += difference;
          squares += difference * difference;
          lessSum += less;
          lessSquares += less * less;
        }
        auto se = [&](double mean, double total2) {
          return std::sqrt(std::max(0.0, total2 / rolls - mean * mean) / (rolls - 1));
        };
        c.rolls = rolls;
        c.played = sum / rolls;
        c.se = se(c.played, squares);
        c.lessLuck = lessSum / rolls;
        c.lessLuckSe = se(c.lessLuck, lessSquares);
        if (lessLuck) std::swap(c.played, c.lessLuck), std::swap(c.se, c.lessLuckSe);
        if (const size_t n = ++finished; n % 20 == 0) {
          std::fprintf(stderr, "%zu of %zu\n", n, checks.size());
        }
      }
    });
  for (std::thread& w : workers)
    w.join();
  {
    // Both ways of playing out agree but for noise, and luck taken out narrows it.
    double gap = 0, gap2 = 0, plain = 0, less = 0;
    for (const TCheck& c : checks) {
      const double d = c.played - c.lessLuck;
      gap += d;
      gap2 += d * d;
      plain += c.se * c.se;
      less += c.lessLuckSe * c.lessLuckSe;
    }
    const double n = double(std::max<size_t>(1, checks.size()));
    std::printf("play-outs as they fell against less their luck: mean gap %.2f (sd %.2f), rms "
                "standard error %.2f against %.2f\n",
                gap / n, std::sqrt(std::max(0.0, gap2 / n - gap * gap / n / n)),
                std::sqrt(plain / n), std::sqrt(less / n));
  }
  if (!out.empty()) {
    FILE* f = std::fopen(out.c_str(), "w");
    if (!f) {
      std::fprintf(stderr, "cannot write %s\n", out.c_str());
      return 1;
    }
    std::fprintf(f, "verdicts %d %u\n", games, seed);
    for (const TCheck& c : checks)
      std::fprintf(f, "%d %d %d %.6f %.6f %d\n", c.level, c.game, c.index, c.played, c.se, c.rolls);
    std::fclose(f);
  }
  Report(checks);
  return 0;
}
