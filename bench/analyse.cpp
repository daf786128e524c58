// Measures the analysis of games (ai/analysis.h): one player plays one-player games, each game is
// analysed against "Stark", and the program prints how many points the player loses per game and
// per decision, how they spread (the classes' thresholds are chosen from this), the luck, the
// remainder of Stark's model and the processor time of an analysis.
//
//   analyse [games] [seed] [--level leicht|mittel|stark|first]
//   analyse [games] [seed] --fit FILE
//   analyse [games] [seed] --level L --rollouts ROLLS
//   analyse [games] [seed] --level L --refine
//
// --fit plays the games with each strength and writes ai/analysisshift.cpp to FILE: for each
// number of free cells left after an entry, what Stark's worth after the entry misses of its
// worth at the start of the next turn (itself calibrated), as a level and a weight for each
// section's free cells in each column, fitted from the last cells up, with nothing where the
// end-game solver plays exactly.
// --rollouts checks the decisions away from the end-game solver, every seventh that Stark would
// have taken otherwise, against what playing on with Stark makes of each: the mean of ROLLS games
// played on by Stark from each choice, the same dice for both. It prints, for holds and entries,
// the analysis's loss, Stark's own judgement of it (its plans, uncalibrated) and the played one,
// on average and each with its error against the played one.
// --refine then refines every decision as the analysis window does (TGameAnalyser::ToRefine and
// Refine), so that the sums, the remainder and the classes are those of the refined verdicts, and
// prints the processor time that takes.
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
// A sheet just after an entry made away from the end-game solver, and what the turn that made
// the entry expected of it: Stark's quick judgement, before any calibration.
struct TSample {
  TSheetState sheet;
  double expected = 0;
};

void Samples(const TStarkPlayer& stark, const std::vector<TPlayedTurn>& turns,
             std::vector<TSample>& samples)
{
  TSheetState sheet;
  for (const TPlayedTurn& turn : turns) {
    if (stark.PlaysExactly(sheet)) break; // from here on every worth is exact
    const double expected = stark.CellValue(sheet, turn.throws.back().faces, turn.row, turn.column);
    sheet.Enter(turn.row, turn.column, turn.points);
    samples.push_back({sheet, expected});
  }
}

// Least squares of y on the features, centred, with a small ridge against features that stay
// together (their sum is the free count): the level and the weights of one free count.
void FitCount(const std::vector<std::array<double, SHIFT_FEATURES>>& x,
              const std::vector<double>& y, double& level,
              std::array<double, SHIFT_FEATURES>& weight)
{
  constexpr size_t F = SHIFT_FEATURES;
  const double n = double(y.size());
  std::array<double, F> mx{};
  double my = 0;
  for (size_t i = 0; i < y.size(); ++i) {
    my += y[i] / n;
    for (size_t f = 0; f < F; ++f)
      mx[f] += x[i][f] / n;
  }
  std::array<std::array<double, F>, F> a{};
  std::array<double, F> b{};
  for (size_t i = 0; i < y.size(); ++i)
    for (size_t f = 0; f < F; ++f) {
      b[f] += (x[i][f] - mx[f]) * (y[i] - my);
      for (size_t g = 0; g < F; ++g)
        a[f][g] += (x[i][f] - mx[f]) * (x[i][g] - mx[g]);
    }
  double trace = 0;
  for (size_t f = 0; f < F; ++f)
    trace += a[f][f];
  for (size_t f = 0; f < F; ++f)
    a[f][f] += 1e-3 * trace / F + 1e-9;
  // Gaussian elimination; the matrix is symmetric positive definite.
  std::array<double, F> w = b;
  for (size_t c = 0; c < F; ++c)
    for (size_t r = c + 1; r < F; ++r) {
      const double m = a[r][c] / a[c][c];
      for (size_t k = c; k < F; ++k)
        a[r][k] -= m * a[c][k];
      w[r] -= m * w[c];
    }
  for (size_t c = F; c-- > 0;) {
    for (size_t k = c + 1; k < F; ++k)
      w[c] -= a[c][k] * w[k];
    w[c] /= a[c][c];
  }
  weight = w;
  level = my;
  for (size_t f = 0; f < F; ++f)
    level -= w[f] * mx[f];
}

// From the last cells up, so that the calibration of the next turn's entries is known: for each
// free count, what the next turn's plan expects of the sheets, calibrated, less what the turns
// that made them expected, fitted on the sheets' features.
int Fit(int games, unsigned seed, const std::string& file)
{
  const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  const TLevel levels[] = {TLevel::Leicht, TLevel::Mittel, TLevel::Stark};
  std::vector<std::vector<TSample>> found(static_cast<size_t>(threads));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      const TStarkPlayer stark;
      for (TLevel level : levels) {
        const auto player = MakePlayer(level);
        for (int g = t; g < games; g += threads) {
          std::seed_seq seq{seed, unsigned(g)};
          std::mt19937 rng(seq);
          Samples(stark, PlayRecorded(*player, rng), found[size_t(t)]);
        }
      }
    });
  for (std::thread& w : workers)
    w.join();
  std::vector<std::vector<const TSample*>> byFree(MODEL_SHIFTS);
  for (const auto& samples : found)
    for (const TSample& sample : samples)
      byFree[size_t(sample.sheet.FreeCount())].push_back(&sample);

  static TModelShift fitted{};
  std::vector<std::unique_ptr<TGameAnalyser>> analysers;
  for (int t = 0; t < threads; ++t)
    analysers.push_back(std::make_unique<TGameAnalyser>(fitted));
  std::array<double, MODEL_SHIFTS> spread{}, left{};
  for (size_t k = 1; k < size_t(MODEL_SHIFTS); ++k) {
    const auto& samples = byFree[k];
    if (samples.empty()) continue;
    std::vector<double> y(samples.size());
    std::vector<std::array<double, SHIFT_FEATURES>> x(samples.size());
    workers.clear();
    for (int t = 0; t < threads; ++t)
      workers.emplace_back([&, t] {
        for (size_t i = size_t(t); i < samples.size(); i += size_t(threads)) {
          y[i] = analysers[size_t(t)]->TurnStart(samples[i]->sheet) - samples[i]->expected;
          x[i] = ShiftFeatures(samples[i]->sheet);
        }
      });
    for (std::thread& w : workers)
      w.join();
    FitCount(x, y, fitted.level[k], fitted.weight[k]);
    double mean = 0, sq = 0, res = 0;
    for (size_t i = 0; i < y.size(); ++i) {
      mean += y[i] / double(y.size());
      double e = y[i] - fitted.level[k];
      for (size_t f = 0; f < size_t(SHIFT_FEATURES); ++f)
        e -= fitted.weight[k][f] * x[i][f];
      res += e * e / double(y.size());
    }
    for (double v : y)
      sq += (v - mean) * (v - mean) / double(y.size());
    spread[k] = std::sqrt(sq);
    left[k] = std::sqrt(res);
  }
  FILE* f = std::fopen(file.c_str(), "w");
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    return 1;
  }
  std::fprintf(
      f,
      "// Written by bench/analyse --fit %d %u from games of all three strengths; see "
      "MODEL_SHIFT.\n\n#include \"ai/analysis.h\"\n\n"
      "// By the free cells left after an entry, 0 to %d: the level, then for each section "
      "in sheet order\n// the weight of its free cells in the x1, x2 and x3 columns.\n"
      "const TModelShift MODEL_SHIFT = {\n    {\n",
      games, seed, MODEL_SHIFTS - 1);
  for (int k = 0; k < MODEL_SHIFTS; ++k)
    std::fprintf(f, "%s%.3f,%s", k % 8 == 0 ? "        " : " ", fitted.level[size_t(k)],
                 k % 8 == 7 || k == MODEL_SHIFTS - 1 ? "\n" : "");
  std::fprintf(f, "    },\n    {{\n");
  for (int k = 0; k < MODEL_SHIFTS; ++k) {
    std::fprintf(f, "        {");
    for (int w = 0; w < SHIFT_FEATURES; ++w)
      std::fprintf(f, "%s%.3f", w ? ", " : "", fitted.weight[size_t(k)][size_t(w)]);
    std::fprintf(f, "},\n");
  }
  std::fprintf(f, "    }},\n};\n");
  std::fclose(f);
  for (int k = 1; k < MODEL_SHIFTS; ++k)
    std::printf("free %2d: %6zu sheets; next turn's worth less the entry's: spread %6.2f, left "
                "after the fit %6.2f; level %8.2f\n",
                k, byFree[size_t(k)].size(), spread[size_t(k)], left[size_t(k)],
                fitted.level[size_t(k)]);
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
  // With --refine: ms per game for refining every decision the window refines, and how many.
  std::vector<double> refineCpu, refined;
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
  static const double edges[] = {0, 1e-9, 0.5, 1, 2, 5, 10, 20, 40, 80, 160};
  std::printf("  %-6s %zu decisions, mean loss %.3f; min %.1f p1 %.2f p50 %.2f p75 %.2f p90 %.2f "
              "p95 %.2f p99 %.2f max %.1f\n",
              what, losses.size(), Mean(losses), At(losses, 0), At(losses, 0.01), At(losses, 0.5),
              At(losses, 0.75), At(losses, 0.9), At(losses, 0.95), At(losses, 0.99),
              At(losses, 1.0));
  double total = 0;
  for (double x : losses)
    total += x;
  std::printf("         loss from  share of decisions  share of points lost\n");
  double lo = -1e18;
  for (size_t b = 0; b <= std::size(edges); ++b) {
    const double hi = b < std::size(edges) ? edges[b] : 1e18;
    size_t n = 0;
    double points = 0;
    for (double x : losses)
      if (x >= lo && x < hi) {
        ++n;
        points += x;
      }
    // Below zero: better than Stark's own choice by the calibrated worths.
    char from[16] = "  below";
    if (b == 1) std::snprintf(from, sizeof from, "   none");
    if (b > 1) std::snprintf(from, sizeof from, "%7.2f", b == 2 ? 0.0 : lo);
    std::printf("         %s %12.2f %% %18.2f %%\n", from,
                100.0 * double(n) / double(losses.size()),
                total > 0 ? 100.0 * points / total : 0.0);
    lo = hi;
  }
}
// The final total of a game that Stark plays on from this sheet, with these dice kept and the
// others thrown again with throwsLeft throws to come, its cell still to choose (throwsLeft 0 and
// all kept: the turn ends with the dice as they are).
double PlayedOn(const TStarkPlayer& stark, const TSheetState& from, TFaces dice, const THolds& keep,
                int throwsLeft, std::mt19937& rng)
{
  std::uniform_int_distribution<int> die(1, 6);
  const THolds all = {true, true, true, true, true, true};
  THolds holds = keep;
  for (int left = throwsLeft; left >= 1 && holds != all; --left) {
    for (size_t i = 0; i < DICE; ++i)
      if (!holds[i]) dice[i] = die(rng);
    if (left > 1) holds = stark.ChooseHolds(from, dice, holds, left - 1);
  }
  const TCellChoice cell = stark.ChooseCell(from, dice);
  TSheetState sheet = from;
  sheet.Enter(cell.row, cell.column, RowPoints(cell.row, dice));
  for (const TPlayedTurn& turn : PlayRecorded(stark, rng, sheet))
    sheet.Enter(turn.row, turn.column, turn.points);
  return sheet.GrandTotal();
}

// A decision that differs from Stark's: the analysis's loss, Stark's own judgement of it (its
// uncalibrated plans) and what playing on with Stark makes of it.
struct TCheck {
  TDecisionReview decision;
  double own = 0, played = 0;
};

// The mean of `rolls` games played on from Stark's choice less that from the one made, game r of
// both with the dice of std::mt19937 seeded with {5, check, r}.
double PlayedOn(const TStarkPlayer& stark, const TDecisionReview& d, int check, int rolls)
{
  const THolds all = {true, true, true, true, true, true};
  double sum = 0;
  for (int r = 0; r < rolls; ++r)
    for (int side = 0; side < 2; ++side) {
      std::seed_seq seq{5u, unsigned(check), unsigned(r)};
      std::mt19937 rng(seq);
      const double sign = side == 0 ? 1 : -1;
      if (d.kind == TDecisionKind::Holds) {
        const THolds& keep = side == 0 ? d.bestHolds : d.doneHolds;
        sum += sign * PlayedOn(stark, d.sheet, d.dice, keep, keep == all ? 0 : d.throwsLeft, rng);
        continue;
      }
      const TCellChoice& cell = side == 0 ? d.bestCell : d.doneCell;
      TSheetState sheet = d.sheet;
      sheet.Enter(cell.row, cell.column, side == 0 ? d.bestPoints : d.donePoints);
      for (const TPlayedTurn& turn : PlayRecorded(stark, rng, sheet))
        sheet.Enter(turn.row, turn.column, turn.points);
      sum += sign * sheet.GrandTotal();
    }
  return sum / rolls;
}

double OwnLoss(const TStarkPlayer& stark, const TDecisionReview& d)
{
  const TDiceSets& sets = TDiceSets::Get();
  const THolds all = {true, true, true, true, true, true};
  if (d.kind == TDecisionKind::Cell) {
    TSheetState best = d.sheet, done = d.sheet;
    best.Enter(d.bestCell.row, d.bestCell.column, d.bestPoints);
    done.Enter(d.doneCell.row, d.doneCell.column, d.donePoints);
    auto start = [&](const TSheetState& s) {
      return s.FreeCount() == 0 ? s.GrandTotal() : stark.Plan(s).TurnValue();
    };
    return start(best) - start(done);
  }
  const TTurnPlanner& plan = stark.Plan(d.sheet);
  auto value = [&](const THolds& keep) {
    return keep == all ? plan.ThrowValue(sets.IndexOfFaces(d.dice), 0)
                       : plan.KeepValue(sets.IndexOf(HeldCounts(d.dice, keep)), d.throwsLeft);
  };
  return value(d.bestHolds) - value(d.doneHolds);
}

int Rollouts(int games, unsigned seed, const TPlayer& player, int rolls)
{
  std::vector<TCheck> checks;
  {
    const TGameAnalyser analyser;
    const TStarkPlayer stark;
    long seen = 0;
    for (int g = 0; g < games; ++g) {
      std::seed_seq seq{seed, unsigned(g)};
      std::mt19937 rng(seq);
      TPlayedGame game;
      game.players.push_back(PlayRecorded(player, rng));
      const TGameReview review = analyser.Analyse(game);
      for (const TDecisionReview& d : review.players[0].decisions) {
        if (d.exact || d.doneWords == d.bestWords || ++seen % 7) continue;
        checks.push_back({d, OwnLoss(stark, d), 0});
      }
    }
  }
  const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      const TStarkPlayer stark;
      for (size_t i = size_t(t); i < checks.size(); i += size_t(threads))
        checks[i].played = PlayedOn(stark, checks[i].decision, int(i), rolls);
    });
  for (std::thread& w : workers)
    w.join();
  std::printf("decisions unlike Stark's, every seventh, %d games played on from each choice:\n",
              rolls);
  for (const TDecisionKind kind : {TDecisionKind::Holds, TDecisionKind::Cell}) {
    std::vector<double> analysis, own, played, analysisError, ownError;
    for (const TCheck& c : checks) {
      if (c.decision.kind != kind) continue;
      analysis.push_back(c.decision.lost);
      own.push_back(c.own);
      played.push_back(c.played);
      analysisError.push_back(c.decision.lost - c.played);
      ownError.push_back(c.own - c.played);
    }
    std::printf("  %-7s %4zu: lost by the analysis %.2f (error %+.2f, sd %.1f); by Stark's own "
                "plans %.2f (error %+.2f, sd %.1f); played on %.2f (standard error %.2f)\n",
                kind == TDecisionKind::Cell ? "entries" : "holds", played.size(), Mean(analysis),
                Mean(analysisError), Sd(analysisError), Mean(own), Mean(ownError), Sd(ownError),
                Mean(played), Sd(played) / std::sqrt(double(std::max<size_t>(played.size(), 1))));
  }
  return 0;
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<std::string> numbers;
  std::string level = "leicht", fitFile;
  int rolls = 0;
  bool refine = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--level" && i + 1 < argc)
      level = argv[++i];
    else if (arg == "--fit" && i + 1 < argc)
      fitFile = argv[++i];
    else if (arg == "--rollouts" && i + 1 < argc)
      rolls = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--refine")
      refine = true;
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
  if (rolls > 0) return Rollouts(games, seed, *make(), rolls);

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
        if (refine) {
          const double c1 = CpuMs();
          const auto order = TGameAnalyser::ToRefine(review);
          for (const TGameAnalyser::TRefinement& which : order)
            analyser.Refine(review, which);
          runs[size_t(t)].refineCpu.push_back(CpuMs() - c1);
          runs[size_t(t)].refined.push_back(double(order.size()));
        }
        runs[size_t(t)].games.push_back(std::move(review.players[0]));
      }
    });
  for (std::thread& w : workers)
    w.join();

  std::vector<double> totals, starts, lucks, lost, remainders, cpu, sumErrors, holdLoss, cellLoss,
      perDecision, refineCpu, refined;
  std::array<double, VERDICTS> verdicts{};
  for (const TStats& run : runs) {
    cpu.insert(cpu.end(), run.cpu.begin(), run.cpu.end());
    refineCpu.insert(refineCpu.end(), run.refineCpu.begin(), run.refineCpu.end());
    refined.insert(refined.end(), run.refined.begin(), run.refined.end());
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
  if (refine) {
    double decisions = 0, ms = 0;
    for (size_t g = 0; g < refined.size(); ++g)
      decisions += refined[g], ms += refineCpu[g];
    std::printf("  refined: %.1f decisions per game; processor time per game mean %.1f s, max "
                "%.1f s; per decision %.0f ms\n",
                decisions / n, Mean(refineCpu) / 1e3, At(refineCpu, 1.0) / 1e3,
                decisions > 0 ? ms / decisions : 0.0);
  }
  return 0;
}
