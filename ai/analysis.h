#pragma once

// The analysis of a played game: every decision of every player (the dice held before the
// second and the third throw, the cell entered) set beside what "Stark" would have done, both
// valued as the expected final total when Stark plays on from there, and the luck of every throw
// as the change of that expectation. For each player,
//   start + luck - lost + remainder = the total (or, in a game under way, its expectation now).
// A turn's throws and holds are valued by Stark's plan of the turn (its choices, worth what the
// calibrated sheet model below says of the sheet each entry leaves), an entry by the plan of the
// next turn on the sheet it leaves; the remainder is how far the second judgement of Stark's own
// entry differs from the first. Where Stark plays the rest of a game exactly (its end-game
// solver), both are exact and the remainder is zero from there on; a little before, where the
// rest still takes few sheets to work out, the worths are perfect play's.
//
// Pure and single-threaded: the window runs it on a worker thread with an analyser of its own,
// asks for progress, and stops it through the cancel flag, which is checked between decisions.

#include "ai/levels.h"
#include "ai/playedgame.h"

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

// How a decision is marked, by the points it lost against Stark's choice.
enum class TVerdict { Good = 0, Inaccurate = 1, Mistake = 2, Blunder = 3 };
constexpr int VERDICTS = 4;

// Points lost from which a decision is "ungenau", a "Fehler", a "grober Fehler", chosen from the
// losses of "Leicht" and "Mittel" over 1,000 games each (bench/analyse). Below 2 (a twentieth
// of a per cent of a total) are the near-ties: three quarters of Mittel's decisions (57 % lose
// nothing at all, 10 % come out a little better than Stark's own), yet under 4 % of the points
// it loses. From 10, about Mittel's worst twelfth, which holds 84 % of its loss. From 40, about
// a per cent of a total, a struck ×3 cell or a bonus given up: 1.7 decisions in Mittel's game,
// 5.7 in Leicht's, 30 when every throw goes to the first free cell.
constexpr double INACCURATE_LOSS = 2;
constexpr double MISTAKE_LOSS = 10;
constexpr double BLUNDER_LOSS = 40;
constexpr double THRESHOLDS[] = {INACCURATE_LOSS, MISTAKE_LOSS, BLUNDER_LOSS};

TVerdict VerdictFor(double lost);
// "gut", "ungenau", "Fehler", "grober Fehler".
std::string VerdictWords(TVerdict verdict);

// Stark's worths away from its end-game solver are on its sheet model's scale, which misses the
// expected final total by a few hundred points early in a game, and its plan of a turn judges
// the sheet it starts from differently from the turn before, which judged it by the model one
// turn nearer. On sheets like Stark's own the difference is about the same for every sheet; on
// sheets unlike them (a player who leaves the number rows for last) it grows, and summed over a
// game of "Leicht" it would count a third more points lost than the game lost. So the analysis
// calibrates every worth that is not exact by the sheet an entry leaves: a level, and a weight
// for the free cells of each section in each column, by the free cells left (0 to 62). They are
// fitted (bench/analyse --fit, ai/analysisshift.cpp) so that what a turn expects of the sheet an
// entry leaves is on average what the next turn's plan expects of it, along games of all three
// strengths, and the exact end-game anchors them. Every choice of a turn leaves the same number
// of free cells, so the level never changes a loss; the weights do, as they should.
constexpr int MODEL_SHIFTS = SHEET_ROWS * SHEET_COLUMNS;
constexpr int SHIFT_FEATURES = int(std::tuple_size_v<decltype(SECTIONS)>) * SHEET_COLUMNS;
struct TModelShift {
  std::array<double, MODEL_SHIFTS> level;
  std::array<std::array<double, SHIFT_FEATURES>, MODEL_SHIFTS> weight;
};
extern const TModelShift MODEL_SHIFT;
// The feature a cell counts for: its section and its column.
int ShiftFeature(int row, int column);
// How many cells of each section are free in each column.
std::array<double, SHIFT_FEATURES> ShiftFeatures(const TSheetState& sheet);
// What a calibration adds to the worth of this sheet, just after an entry.
double ModelShift(const TModelShift& shift, const TSheetState& sheet);

enum class TDecisionKind { Holds, Cell };

struct TDecisionReview {
  TDecisionKind kind = TDecisionKind::Holds;
  int turn = 0;       // the player's turn, from 0
  int throwsLeft = 0; // holds: 2 before the second throw, 1 before the third; cell: 0
  // The position: the sheet as it stood, the dice shown and those held when deciding.
  TSheetState sheet;
  TFaces dice{};
  THolds held{};
  // Holds: the dice kept for the next throw, all six when no further throw came (done) or
  // should come (best). Cell: the cell and the raw points it got or would get.
  THolds doneHolds{}, bestHolds{};
  TCellChoice doneCell, bestCell;
  int donePoints = 0, bestPoints = 0;
  // In the hint's words: "5, 5, 5 halten", "3er Pasch, Spalte 3 (21 Punkte)".
  std::string doneWords, bestWords;
  // Expected final total after each choice, as Stark values it.
  double valueDone = 0, valueBest = 0;
  // valueBest - valueDone: below 0 where the worths rate the choice above Stark's own, which
  // Stark's model, not exact away from the end-game, misjudged.
  double lost = 0;
  TVerdict verdict = TVerdict::Good;
  bool exact = false; // valued by the end-game solver: no model in it
  // Refined by games played on by Stark from both choices (ai/playout.h): lost is then their
  // mean difference, within playedSe (one standard error), and quickLost what the quick
  // analysis said.
  bool refined = false;
  int playOuts = 0;
  double playedSe = 0, quickLost = 0;
};

struct TThrowReview {
  int turn = 0;
  int throwNumber = 1; // 1 to 3
  // Expected final total just before the throw (with the dice held) and just after it.
  double before = 0, after = 0;
  double Luck() const { return after - before; }
};

// One step of the game for a chart of the expected final total: a throw or a decision.
struct TStep {
  int turn = 0;
  int decision = -1; // index in TPlayerReview::decisions; -1 for a throw
  double value = 0;  // expected final total after the step
};

struct TPlayerReview {
  std::vector<TDecisionReview> decisions; // in the order they were taken
  std::vector<TThrowReview> throws;
  std::vector<TStep> course; // every throw and decision in the order of the game, after start
  double start = 0;          // expected final total before the first throw
  double luck = 0;           // of all throws
  double lost = 0;           // in all decisions
  double remainder = 0;      // Stark's model's share, see above
  double now = 0;            // the final total; in a game under way, the expected one now
  int total = 0;             // the points on the sheet
  bool finished = false;
  std::array<int, VERDICTS> verdicts{}; // decisions per TVerdict
  double LostPerDecision() const { return decisions.empty() ? 0 : lost / double(decisions.size()); }
};

enum class TAnalysisStatus { Done, Cancelled, Invalid };

struct TGameReview {
  TAnalysisStatus status = TAnalysisStatus::Done;
  std::string problem;                // Invalid: why, for a developer's log
  std::vector<TPlayerReview> players; // Done: in the order of the game's players
};

class TGameAnalyser
{
public:
  // done decisions out of total, called after each decision.
  using TProgress = std::function<void(int done, int total)>;

  // Builds Stark's tables: a good part of a second the first time in a process. The
  // calibration must outlive the analyser; another than the fitted one is for fitting it.
  explicit TGameAnalyser(const TModelShift& shift = MODEL_SHIFT) : Shift(&shift) {}

  // The whole game. A game whose record cannot be true (faces outside 1 to 6, a held die that
  // changed, an occupied cell entered, points that the dice do not score, more than three throws)
  // comes back Invalid; cancel set between two decisions gives Cancelled.
  TGameReview Analyse(const TPlayedGame& game, const std::atomic<bool>* cancel = nullptr,
                      const TProgress& progress = {}) const;
  // One player's turns played from the sheet `from` (the empty one in a whole game).
  TGameReview AnalyseTurns(const std::vector<TPlayedTurn>& turns, const TSheetState& from,
                           const std::atomic<bool>* cancel = nullptr,
                           const TProgress& progress = {}) const;

  // Decisions in the turns: before each throw after the first, the decision to stop throwing
  // when a turn ended early, and each entry.
  static int DecisionCount(const std::vector<TPlayedTurn>& turns);
  // Empty when the turns can be true from this sheet; else what does not fit.
  static std::string Check(const std::vector<TPlayedTurn>& turns, const TSheetState& from);

  // After the quick analysis, every verdict that is not exact is refined by games played on by
  // Stark from both choices, a decision at a time: the window drives it on the analysis's thread
  // and shows the progress. Away from the end-game Stark's model misjudges single entries by
  // several points either way, so no quick verdict there is sure enough to keep. Decisions unlike
  // Stark's and not exact, those whose loss lies closest to a threshold first.
  struct TRefinement {
    int player = 0;
    int decision = 0;
  };
  // What a decision's play-outs found: the mean loss, its standard error, the pairs played.
  struct TPlayOutsOf {
    double lost = 0, se = 0;
    int rolls = 0;
  };
  static std::vector<TRefinement> ToRefine(const TGameReview& review);
  // Plays one decision on (at least REFINE_LEAST pairs of games, at most REFINE_MOST, fewer once
  // its class is sure) and takes their loss as the decision's; the player's loss and remainder
  // move by the same amount, so that the sums still hold. False, and nothing changed, when
  // cancelled.
  // Each play-out's total is taken less the luck of its throws (ai/playout.h), which leaves a
  // pair of them about an eighth of the variance: 32 pairs tell as much as 250 did.
  static constexpr int REFINE_LEAST = 32, REFINE_MOST = 256;
  bool Refine(TGameReview& review, const TRefinement& which,
              const std::atomic<bool>* cancel = nullptr) const;
  // Refine in two steps, so that several analysers can play decisions of one game on at once:
  // the play-outs (reading the review only; rolls 0 when cancelled), then taking them into the
  // review.
  TPlayOutsOf PlayOn(const TGameReview& review, const TRefinement& which,
                     const std::atomic<bool>* cancel = nullptr) const;
  static void TakeRefined(TGameReview& review, const TRefinement& which, const TPlayOutsOf& played);

  // Stark's plan of a turn on this sheet, each entry's worth calibrated (MODEL_SHIFT); Stark's
  // exact plan where it plays exactly, unless `model` asks for the calibrated one there too.
  TTurnPlanner Plan(const TSheetState& sheet, bool model = false) const;
  // Whether the analysis values this sheet exactly: where Stark plays exactly, and a little
  // beyond, where the rest of the game takes at most DEEPER_STATES sheets to work out.
  bool Exactly(const TSheetState& sheet) const;
  // Expected final total from this sheet before the next turn's throw: the plan's worth.
  double TurnStart(const TSheetState& sheet) const;

private:
  struct TRun;
  bool Player(const std::vector<TPlayedTurn>& turns, const TSheetState& from, TRun& run,
              TPlayerReview& review) const;

  // The expected final totals of the sheets two entries leave, both valued the same way.
  void EntryWorths(const TSheetState& best, const TSheetState& done, double& valueBest,
                   double& valueDone) const;

  TStarkPlayer Stark;
  const TModelShift* Shift;
  // Perfect play's worths a little beyond Stark's own exact end-game (Exactly).
  mutable TEndgame Deeper;
  mutable std::vector<TEndgame::TKey> BeyondDeeper; // sheets found beyond it
  // And the play-outs' end-games.
  mutable TEndgame PlayedOut;
};
