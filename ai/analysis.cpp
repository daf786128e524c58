#include "ai/analysis.h"

#include "ai/playout.h"
#include "ai/wording.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

using std::size_t;

namespace
{
// Differences below this are the rounding of sums over hundreds of throws, not a choice worse
// than another: a choice as good as Stark's loses nothing.
constexpr double ROUNDING = 1e-6;
constexpr THolds ALL_HELD = {true, true, true, true, true, true};
// The analysis values a sheet exactly where Stark plays exactly, and where the rest of the game
// takes at most this many sheets to work out (a few tenths of a second, once in a game: every
// later sheet of the game is among them). There a choice is worth what perfect play makes of it,
// which Stark's play, exact a turn or two later, misses by a few tenths of a point. An entry
// whose sheet is valued exactly and one whose sheet is not are both valued by the calibrated
// model: never an exact worth against an approximate one.
constexpr std::size_t DEEPER_STATES = 20000;
constexpr std::size_t DEEPER_REMEMBERED = 400000;
// Beyond this many free cells a sheet always takes more.
constexpr int DEEPER_MOST_FREE = 14;

bool AllHeld(const THolds& holds)
{
  return holds == ALL_HELD;
}
} // namespace

TVerdict VerdictFor(double lost)
{
  if (lost >= BLUNDER_LOSS) return TVerdict::Blunder;
  if (lost >= MISTAKE_LOSS) return TVerdict::Mistake;
  if (lost >= INACCURATE_LOSS) return TVerdict::Inaccurate;
  return TVerdict::Good;
}

std::string VerdictWords(TVerdict verdict)
{
  switch (verdict) {
  case TVerdict::Good:
    return "gut";
  case TVerdict::Inaccurate:
    return "ungenau";
  case TVerdict::Mistake:
    return "Fehler";
  case TVerdict::Blunder:
    break;
  }
  return "grober Fehler";
}

struct TGameAnalyser::TRun {
  const std::atomic<bool>* cancel = nullptr;
  const TProgress* progress = nullptr;
  int done = 0, total = 0;

  bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
  void Step()
  {
    ++done;
    if (progress && *progress) (*progress)(done, total);
  }
};

int TGameAnalyser::DecisionCount(const std::vector<TPlayedTurn>& turns)
{
  int count = 0;
  for (const TPlayedTurn& turn : turns) {
    const int throws = int(turn.throws.size());
    const bool entered = turn.row >= 0;
    count += std::max(throws - 1, 0);
    if (entered) count += 1 + (throws >= 1 && throws <= MAX_THROWS_LEFT);
  }
  return count;
}

std::string TGameAnalyser::Check(const std::vector<TPlayedTurn>& turns, const TSheetState& from)
{
  TSheetState sheet = from;
  for (size_t t = 0; t < turns.size(); ++t) {
    const TPlayedTurn& turn = turns[t];
    const std::string where = "turn " + std::to_string(t + 1) + ": ";
    if (turn.throws.empty() || turn.throws.size() > size_t(MAX_THROWS_LEFT + 1))
      return where + "not one to three throws";
    for (size_t j = 0; j < turn.throws.size(); ++j) {
      const TPlayedThrow& now = turn.throws[j];
      if (!ValidDice(now.faces)) return where + "a face outside 1 to 6";
      for (size_t i = 0; i < DICE; ++i)
        if (now.holds[i] && (j == 0 || now.faces[i] != turn.throws[j - 1].faces[i]))
          return where + "a held die changed or was held before the first throw";
    }
    if (turn.row < 0) {
      if (t + 1 != turns.size()) return where + "no entry, but further turns";
      continue;
    }
    if (turn.row >= SHEET_ROWS || turn.column < 0 || turn.column >= SHEET_COLUMNS ||
        !sheet.IsFree(turn.row, turn.column))
      return where + "the cell entered is not a free one";
    if (turn.points != RowPoints(turn.row, turn.throws.back().faces))
      return where + "points that the dice do not score there";
    sheet.Enter(turn.row, turn.column, turn.points);
  }
  return {};
}

TGameReview TGameAnalyser::Analyse(const TPlayedGame& game, const std::atomic<bool>* cancel,
                                   const TProgress& progress) const
{
  TGameReview review;
  TRun run{cancel, &progress};
  for (const auto& turns : game.players) {
    if (std::string problem = Check(turns, TSheetState()); !problem.empty()) {
      review.status = TAnalysisStatus::Invalid;
      review.problem = std::move(problem);
      return review;
    }
    run.total += DecisionCount(turns);
  }
  if (game.players.empty()) {
    review.status = TAnalysisStatus::Invalid;
    review.problem = "no players";
    return review;
  }
  for (const auto& turns : game.players)
    if (!Player(turns, TSheetState(), run, review.players.emplace_back())) {
      review.players.clear();
      review.status = TAnalysisStatus::Cancelled;
      return review;
    }
  return review;
}

TGameReview TGameAnalyser::AnalyseTurns(const std::vector<TPlayedTurn>& turns,
                                        const TSheetState& from, const std::atomic<bool>* cancel,
                                        const TProgress& progress) const
{
  TGameReview review;
  if (std::string problem = Check(turns, from); !problem.empty()) {
    review.status = TAnalysisStatus::Invalid;
    review.problem = std::move(problem);
    return review;
  }
  TRun run{cancel, &progress, 0, DecisionCount(turns)};
  if (!Player(turns, from, run, review.players.emplace_back())) {
    review.players.clear();
    review.status = TAnalysisStatus::Cancelled;
  }
  return review;
}

int ShiftFeature(int row, int column)
{
  return int(&SectionOf(row) - SECTIONS.data()) * SHEET_COLUMNS + column;
}

std::array<double, SHIFT_FEATURES> ShiftFeatures(const TSheetState& sheet)
{
  std::array<double, SHIFT_FEATURES> x{};
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      if (sheet.IsFree(row, column)) x[size_t(ShiftFeature(row, column))] += 1;
  return x;
}

namespace
{
// The calibration for `free` free cells after an entry, of a sheet with these features.
double ShiftAt(const TModelShift& table, size_t free, const std::array<double, SHIFT_FEATURES>& x)
{
  double shift = table.level[free];
  for (size_t f = 0; f < x.size(); ++f)
    shift += table.weight[free][f] * x[f];
  return shift;
}
} // namespace

double ModelShift(const TModelShift& shift, const TSheetState& sheet)
{
  const int free = sheet.FreeCount();
  return free < MODEL_SHIFTS ? ShiftAt(shift, size_t(free), ShiftFeatures(sheet)) : 0;
}

TTurnPlanner TGameAnalyser::Plan(const TSheetState& sheet, bool model) const
{
  const int free = sheet.FreeCount();
  TCellOffsets offsets{};
  const bool exact = free < 1 || (!model && Stark.PlaysExactly(sheet));
  if (exact) return TTurnPlanner(Stark.OffsetFinals(sheet, offsets), MAX_THROWS_LEFT);
  if (!model && Exactly(sheet)) return TTurnPlanner(Deeper.FinalValues(sheet), MAX_THROWS_LEFT);
  // Each entry leaves one free cell fewer, and one fewer of its section in its column: the
  // calibration of the sheet it leaves is what all entries share, less that cell's weight.
  const size_t after = size_t(free - 1);
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      offsets[size_t(row * SHEET_COLUMNS + column)] =
          -Shift->weight[after][size_t(ShiftFeature(row, column))];
  std::vector<double> finals =
      model ? Stark.ModelFinals(sheet, offsets) : Stark.OffsetFinals(sheet, offsets);
  const double common = ShiftAt(*Shift, after, ShiftFeatures(sheet));
  for (double& value : finals)
    value += common;
  // Stark's own play of the turn, worth what the calibration says: a plan that chose by the
  // calibrated worths would be worth more than Stark's play by its own choice of them.
  if (model) return TTurnPlanner(std::move(finals), Stark.ModelPlan(sheet));
  return TTurnPlanner(std::move(finals), Stark.Plan(sheet));
}

bool TGameAnalyser::Exactly(const TSheetState& sheet) const
{
  const int free = sheet.FreeCount();
  if (free == 0 || Stark.PlaysExactly(sheet)) return true;
  if (free > DEEPER_MOST_FREE) return false;
  if (Deeper.Remembers(sheet)) return true;
  const TEndgame::TKey key = TEndgame::KeyOf(sheet);
  if (std::find(BeyondDeeper.begin(), BeyondDeeper.end(), key) != BeyondDeeper.end()) return false;
  if (Deeper.States() > DEEPER_REMEMBERED) Deeper.Forget();
  if (Deeper.Within(sheet, DEEPER_STATES)) return true;
  if (BeyondDeeper.size() > 1000) BeyondDeeper.clear();
  BeyondDeeper.push_back(key);
  return false;
}

void TGameAnalyser::EntryWorths(const TSheetState& best, const TSheetState& done, double& valueBest,
                                double& valueDone) const
{
  // Stark's entry first, so that the next turn finds the worths of the sheet it made ready.
  valueBest = TurnStart(best);
  if (best == done) {
    valueDone = valueBest;
    return;
  }
  if (Exactly(best) == Exactly(done)) {
    valueDone = TurnStart(done);
    return;
  }
  auto model = [&](const TSheetState& s) {
    return s.FreeCount() == 0 ? s.GrandTotal() : Plan(s, true).TurnValue();
  };
  valueBest = model(best);
  valueDone = model(done);
}

double TGameAnalyser::TurnStart(const TSheetState& sheet) const
{
  if (sheet.FreeCount() == 0) return sheet.GrandTotal();
  return Plan(sheet).TurnValue();
}

bool TGameAnalyser::Player(const std::vector<TPlayedTurn>& turns, const TSheetState& from,
                           TRun& run, TPlayerReview& review) const
{
  const TDiceSets& sets = TDiceSets::Get();
  TSheetState sheet = from;
  // The expected final total after the last step so far.
  double now = 0;
  // reference: the worth of the best choice; before: the worth when deciding. Where Stark's
  // quicker judgement of the best choice differs from the deeper one, the difference goes to the
  // remainder.
  auto decided = [&](TDecisionReview&& d, double reference, double before) {
    // Below zero where the calibrated worths rate the choice above Stark's own: Stark's model
    // misjudged the position, and the game gained what a clipped loss would have hidden.
    d.lost = reference - d.valueDone;
    if (std::abs(d.lost) < ROUNDING) d.lost = 0;
    d.verdict = VerdictFor(d.lost);
    review.lost += d.lost;
    review.remainder += d.valueDone + d.lost - before;
    ++review.verdicts[size_t(d.verdict)];
    now = d.valueDone;
    review.course.push_back({d.turn, int(review.decisions.size()), now});
    review.decisions.push_back(std::move(d));
    run.Step();
  };

  for (size_t t = 0; t < turns.size(); ++t) {
    const TPlayedTurn& turn = turns[t];
    if (run.Cancelled()) return false;
    if (sheet.FreeCount() == 0) break;
    // One plan serves every decision of the turn: the worth of ending the turn with each throw,
    // with 0, 1 or 2 throws left.
    const TTurnPlanner plan = Plan(sheet);
    const bool exact = Exactly(sheet);
    const double start = plan.TurnValue();
    if (t == 0)
      review.start = start;
    else
      review.remainder += start - now;
    now = start;

    const int entered = turn.row >= 0;
    for (size_t j = 0; j < turn.throws.size(); ++j) {
      const TFaces& dice = turn.throws[j].faces;
      const int throwsLeft = MAX_THROWS_LEFT - int(j);
      const double after = plan.ThrowValue(sets.IndexOfFaces(dice), throwsLeft);
      review.throws.push_back({int(t), int(j) + 1, now, after});
      review.course.push_back({int(t), -1, after});
      review.luck += after - now;
      now = after;
      const bool again = j + 1 < turn.throws.size();
      if (throwsLeft < 1 || (!again && !entered)) continue;

      if (run.Cancelled()) return false;
      TDecisionReview d;
      d.kind = TDecisionKind::Holds;
      d.turn = int(t);
      d.throwsLeft = throwsLeft;
      d.sheet = sheet;
      d.dice = dice;
      d.held = turn.throws[j].holds;
      d.exact = exact;
      // Keeping all six is ending the turn: the dice go to a cell as they are.
      auto value = [&](const THolds& keep) {
        return AllHeld(keep) ? plan.ThrowValue(sets.IndexOfFaces(dice), 0)
                             : plan.KeepValue(sets.IndexOf(HeldCounts(dice, keep)), throwsLeft);
      };
      d.doneHolds = again ? turn.throws[j + 1].holds : ALL_HELD;
      d.bestHolds = Stark.ChooseHolds(sheet, dice, d.held, throwsLeft);
      d.valueDone = value(d.doneHolds);
      d.valueBest = value(d.bestHolds);
      d.doneWords = HoldWords(dice, d.doneHolds, d.held);
      d.bestWords = HoldWords(dice, d.bestHolds, d.held);
      // Against Stark's choice: where the worths are perfect play's, Stark's choice may be worth
      // less than the best, and a choice better than Stark's then counts as a gain.
      const double reference = d.valueBest;
      decided(std::move(d), reference, now);
    }
    if (!entered) break;

    if (run.Cancelled()) return false;
    TDecisionReview d;
    d.kind = TDecisionKind::Cell;
    d.turn = int(t);
    d.sheet = sheet;
    d.dice = turn.throws.back().faces;
    d.held = turn.throws.back().holds;
    d.exact = exact;
    d.doneCell = {turn.row, turn.column};
    d.bestCell = Stark.ChooseCell(sheet, d.dice);
    d.donePoints = turn.points;
    d.bestPoints = RowPoints(d.bestCell.row, d.dice);
    d.doneWords = EntryWords(turn.row, turn.column, d.donePoints);
    d.bestWords = EntryWords(d.bestCell.row, d.bestCell.column, d.bestPoints);
    // The worth of the dice as they lie, Stark's entry included, which the last throw's luck
    // ended with: the plan's judgement of the sheet each entry leaves.
    const double before = plan.ThrowValue(sets.IndexOfFaces(d.dice), 0);
    // The two entries are judged by playing the next turn on the sheet each leaves, as Stark
    // will. The plan's quicker judgement of them (by the sheet model one turn ahead) is what
    // Stark chooses by, and is exact where Stark plays exactly; elsewhere it overstates what a
    // cell away from Stark's choice costs.
    TSheetState best = sheet, done = sheet;
    best.Enter(d.bestCell.row, d.bestCell.column, d.bestPoints);
    done.Enter(turn.row, turn.column, turn.points);
    EntryWorths(best, done, d.valueBest, d.valueDone);
    const double reference = d.valueBest;
    decided(std::move(d), reference, before);
    sheet.Enter(turn.row, turn.column, turn.points);
  }

  review.total = sheet.GrandTotal();
  review.finished = sheet.FreeCount() == 0;
  // On a full sheet the worth is the total itself; what the last entry's worth missed of it is
  // the model's too (nothing where the end-game was played exactly).
  if (review.finished) {
    review.remainder += review.total - now;
    now = review.total;
  }
  review.now = now;
  return true;
}
