#include "forms/analysisform.h"

#include "ai/analysis.h"
#include "app/app.h"
#include "app/recorder.h"
#include "forms/analysistext.h"
#include "forms/analysiswork.h"
#include "forms/dialog.h"
#include "gui/chart.h"
#include "gui/progress.h"
#include "gui/table.h"
#include "gui/timer.h"

#include <algorithm>
#include <chrono>

namespace
{
// How often the window looks at the work's progress: well within what a person notices.
constexpr int POLL_MS = 40;
// Decisions marked in the chart, per player.
constexpr size_t MARKED = 5;

int64_t Now()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

TAnalysisForm::TAnalysisForm() = default;
TAnalysisForm::~TAnalysisForm() = default;

int TAnalysisForm::Open(TApp* app, const std::vector<TAction>& actions, TGadget* owner)
{
  const bool readable = RecordedGame(actions, game_);
  if (readable)
    for (const TRecordPlayer& player : game_.players)
      names_.push_back(SeatName(player));
  // The game's decisions go off at once: the window is built meanwhile.
  if (readable) work_ = TAnalysisWork::Start(game_.played);
  started_ = Now();
  Build(app, owner, readable);

  if (!readable) {
    const TRecordProblem problem = app->Record ? app->Record->Problem() : TRecordProblem::None;
    QString why = "Noch kein Spiel aufgezeichnet, das sich analysieren lässt.";
    if (!actions.empty())
      why = "Die Aufzeichnung dieses Spiels ist nicht schlüssig, darum kann es nicht analysiert "
            "werden.";
    else if (problem != TRecordProblem::None)
      why = RecordProblemText(problem);
    Status->SetText(why);
    Position.ShowNone(why);
  } else {
    Status->SetText("Die Entscheidungen werden mit „Stark“ verglichen …");
    timer_ = StartTimer(POLL_MS);
  }
  SetAccessibleName(Status, Status->GetText());
  List->Activate(0);
  for (;;) {
    const int id = WaitEvent();
    if (ClosesDialog(id)) break;
    if (id == EVENT_GADGETACTION && EventSource() == Okay) break;
    Handle(id);
  }
  StopTimer(timer_);
  // Closing stops the work: the analyser sees the flag after the decision at hand.
  TAnalysisWork::Close(std::move(work_));
  // The gadgets inside the window go with it.
  Balance.clear();
  Player.clear();
  Position = TAnalysisPosition();
  FreeGadget(Window);
  Window = nullptr;
  return 0;
}

void TAnalysisForm::Handle(int id)
{
  TGadget* source = EventSource();
  if (id == EVENT_TIMERTICK && EventData() == timer_) Poll();
  if (id == EVENT_WINDOWSIZE && source == Window) Layout(EventX(), EventY());
  if (!review_ || review_->status != TAnalysisStatus::Done) return;
  if (id == EVENT_GADGETSELECT && source == List && EventData() >= 0) Choose(EventData());
  if (id == EVENT_GADGETSELECT && source == Chart) ChoosePicked(EventX(), EventData());
  if (id == EVENT_GADGETACTION) {
    for (size_t p = 0; p < Player.size(); ++p)
      if (source == Player[p] && int(p) != player_) ChoosePlayer(int(p));
    if (source == MistakesOnly) FillTable();
    if (source == Previous || source == Next) {
      const int to = Mistake(chosen_, source == Next ? 1 : -1);
      if (to >= 0) Choose(to);
    }
  }
  if (id == EVENT_HOTKEYHIT && source == Window && EventMods() == MODIFIER_ALT) {
    const int step = EventData() == ANALYSIS_NEXT_KEY       ? 1
                     : EventData() == ANALYSIS_PREVIOUS_KEY ? -1
                                                            : 0;
    const int to = step ? Mistake(chosen_, step) : -1;
    if (to >= 0) Choose(to);
  }
}

void TAnalysisForm::Poll()
{
  timer_ = 0;
  if (!work_) return;
  if (!work_->ready.load(std::memory_order_acquire)) {
    if (Now() - started_ >= ANALYSIS_PROGRESS_MS) {
      SetProgress(Progress, work_->done.load(), work_->total.load());
      if (GadgetHidden(Progress)) Progress->SetShow(1);
    }
    timer_ = StartTimer(POLL_MS);
    return;
  }
  if (!review_) {
    review_ = std::make_unique<TGameReview>(std::move(work_->review));
    Progress->SetShow(0);
    Fill(*review_);
  }
  // The quick verdicts stand; the refined ones replace them as they come, the decision chosen
  // stays.
  if (const int refined = work_->refined.load(std::memory_order_acquire); refined > refined_) {
    {
      const std::lock_guard lock(work_->lock);
      *review_ = work_->latest;
    }
    refined_ = refined;
    Fill(*review_);
  }
  if (work_->ended.load(std::memory_order_acquire)) {
    TAnalysisWork::Close(std::move(work_));
    Progress->SetShow(0);
    return;
  }
  if (const int toRefine = work_->toRefine.load(); toRefine > 0) {
    SetProgress(Progress, refined_, toRefine);
    if (GadgetHidden(Progress)) Progress->SetShow(1);
  }
  timer_ = StartTimer(POLL_MS);
}

void TAnalysisForm::Fill(const TGameReview& review)
{
  if (review.status != TAnalysisStatus::Done) {
    Status->SetText("Die Aufzeichnung dieses Spiels ist nicht schlüssig, darum kann es nicht "
                    "analysiert werden.");
    SetAccessibleName(Status, Status->GetText());
    Position.ShowNone(Status->GetText());
    return;
  }
  int decisions = 0;
  for (size_t p = 0; p < review.players.size() && p < Balance.size(); ++p) {
    Balance[p]->SetText(BalanceText(names_[p], review.players[p]));
    decisions += int(review.players[p].decisions.size());
  }
  Status->SetText(QString::number(decisions) +
                  (decisions == 1 ? " Entscheidung" : " Entscheidungen") +
                  " mit „Stark“ verglichen" + (game_.finished ? "." : ", das Spiel läuft noch."));
  SetAccessibleName(Status, Status->GetText());
  order_ = GameOrder(review);
  FillChart(review);
  FillTable();
}

void TAnalysisForm::FillChart(const TGameReview& review)
{
  TCourseData course;
  course.title = "Erwarteter Endstand im Lauf des Spiels";
  course.xName = "Runde";
  course.markName = "größte Verluste";
  for (size_t p = 0; p < review.players.size(); ++p) {
    const TPlayerReview& player = review.players[p];
    TCourseLine line;
    line.name = names_[p];
    line.x.push_back(0);
    line.values.push_back(player.start);
    const std::vector<int> worst = WorstDecisions(player, MARKED);
    // The steps of a round share it evenly, so that a round's throws and decisions stand apart.
    for (size_t i = 0; i < player.course.size();) {
      size_t end = i;
      while (end < player.course.size() && player.course[end].turn == player.course[i].turn)
        ++end;
      for (size_t k = i; k < end; ++k) {
        const TStep& step = player.course[k];
        if (std::find(worst.begin(), worst.end(), step.decision) != worst.end())
          line.marked.push_back(line.x.size());
        line.x.push_back(step.turn + double(k - i + 1) / double(end - i));
        line.values.push_back(step.value);
      }
      i = end;
    }
    course.lines.push_back(std::move(line));
  }
  course.summary = CourseSummary(names_, review);
  SetCourseData(Chart, course);
  // What start, luck and losses leave over is said here only, in a player's words.
  const QString remainder = RemainderText(names_, review);
  const QString summary = course.summary + (remainder.isEmpty() ? "" : " " + remainder);
  Summary->SetText(summary);
}

bool TAnalysisForm::Shown(int decision) const
{
  if (decision < 0 || decision >= int(order_.size()) || !review_) return false;
  const TDecisionRef& ref = order_[size_t(decision)];
  if (ref.player != player_) return false;
  const TDecisionReview& d = review_->players[size_t(ref.player)].decisions[size_t(ref.index)];
  return ButtonState(MistakesOnly) != 1 || d.verdict >= TVerdict::Mistake;
}

void TAnalysisForm::FillTable()
{
  ClearTable(List);
  int first = -1;
  for (int i = 0; i < int(order_.size()); ++i) {
    if (!Shown(i)) continue;
    const TDecisionRef& ref = order_[size_t(i)];
    AddTableRow(List, i,
                DecisionCells(review_->players[size_t(ref.player)].decisions[size_t(ref.index)]));
    if (first < 0) first = i;
  }
  // The decision chosen stays where the table still has it.
  if (Shown(chosen_))
    Choose(chosen_);
  else if (first >= 0)
    Choose(first);
  else {
    chosen_ = -1;
    Position.ShowNone(ButtonState(MistakesOnly) == 1 ? "Keine Fehler." : "Keine Entscheidungen.");
    Previous->SetEnabled(0);
    Next->SetEnabled(0);
  }
}

void TAnalysisForm::Choose(int decision)
{
  if (decision < 0 || decision >= int(order_.size()) || !review_) return;
  chosen_ = decision;
  const TDecisionRef& ref = order_[size_t(decision)];
  if (TableSelection(List) != decision) SelectTableRow(List, decision);
  const bool two = review_->players.size() > 1;
  Position.Show(two ? names_[size_t(ref.player)] : QString(),
                review_->players[size_t(ref.player)].decisions[size_t(ref.index)]);
  Previous->SetEnabled(Mistake(decision, -1) >= 0 ? 1 : 0);
  Next->SetEnabled(Mistake(decision, 1) >= 0 ? 1 : 0);
}

int TAnalysisForm::Mistake(int from, int step) const
{
  if (!review_) return -1;
  for (int i = from + step; i >= 0 && i < int(order_.size()); i += step) {
    const TDecisionRef& ref = order_[size_t(i)];
    if (ref.player != player_) continue;
    if (review_->players[size_t(ref.player)].decisions[size_t(ref.index)].verdict >=
        TVerdict::Mistake)
      return i;
  }
  return -1;
}

void TAnalysisForm::ChoosePlayer(int player)
{
  player_ = player;
  for (size_t p = 0; p < Player.size(); ++p)
    Player[p]->SetSelected(int(p) == player ? 1 : 0);
  FillTable();
}

void TAnalysisForm::ChoosePicked(int line, int point)
{
  if (!review_ || line < 0 || line >= int(review_->players.size()) || point < 0) return;
  const TPlayerReview& player = review_->players[size_t(line)];
  // The chart's first point is the start; every other one a step of the course. A throw's point
  // chooses the decision that follows it, taken on the dice it brought.
  int index = -1;
  for (size_t k = size_t(std::max(0, point - 1)); k < player.course.size() && index < 0; ++k)
    index = player.course[k].decision;
  if (index < 0 && !player.decisions.empty()) index = int(player.decisions.size()) - 1;
  int decision = -1;
  for (int i = 0; i < int(order_.size()); ++i)
    if (order_[size_t(i)].player == line && order_[size_t(i)].index == index) decision = i;
  if (decision < 0) return;
  chosen_ = decision;
  // The decision must be in the table: its player chosen, and all decisions shown if it is none
  // of the mistakes.
  if (line != player_) player_ = line;
  for (size_t p = 0; p < Player.size(); ++p)
    Player[p]->SetSelected(int(p) == player_ ? 1 : 0);
  if (!Shown(decision)) MistakesOnly->SetSelected(0);
  FillTable();
}
