#include "forms/analysisform.h"

#include "ai/analysis.h"
#include "app/app.h"
#include "app/recorder.h"
#include "forms/analysistext.h"
#include "forms/dialog.h"
#include "gui/chart.h"
#include "gui/listbox.h"
#include "gui/progress.h"
#include "gui/timer.h"

#include <QStringList>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <iterator>
#include <mutex>
#include <thread>

namespace
{
constexpr int WIDTH = 900, HEIGHT = 720, MARGIN = 10;
// The position's grid of 21 rows and three columns fits this wide in a fixed-width font.
constexpr int POSITION_W = 340;
constexpr int BALANCE_H = 136, LIST_H = 214, CHART_H = 176, SUMMARY_H = 48;
// How often the window looks at the work's progress: well within what a person notices.
constexpr int POLL_MS = 40;
// Decisions marked in the chart, per player.
constexpr size_t MARKED = 5;

std::atomic<int> running{0};

int64_t Now()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

int AnalysisThreads()
{
  return running.load();
}

// The work on its own thread: its own analyser (Stark's tables are built there, not in the
// window's loop), progress and result read by the window's timer, a cancel flag that the
// analyser checks between decisions. The thread shares the work with the window, so that a
// window that closes need not wait: it sets the flag and leaves the thread to end by itself.
// Stark's tables, built by the first analysis in a process, take longer than any decision, and
// joining there held the closing window for most of a tenth of a second.
struct TAnalysisWork {
  std::atomic<bool> cancel{false};
  std::atomic<int> done{0}, total{0};
  std::atomic<bool> ready{false}, ended{false};
  TGameReview review; // written by the thread before ready, read by the window after it
  // Then the closest verdicts are refined by play-outs, one decision after another; each
  // refined review is published under the lock as `latest`, `refined` counting them.
  std::atomic<int> refined{0}, toRefine{0};
  std::mutex lock;
  TGameReview latest;
  std::thread thread;

  static std::shared_ptr<TAnalysisWork> Start(const TPlayedGame& game);
  // Sets the flag and hands the thread to WaitForAnalyses.
  static void Close(std::shared_ptr<TAnalysisWork> work);
};

namespace
{
struct TClosed {
  std::shared_ptr<TAnalysisWork> work;
  std::thread thread;
};

std::mutex closedLock;
// The threads of closed windows, each stopping at its analyser's next look at the cancel flag.
std::vector<TClosed>& Closed()
{
  static std::vector<TClosed> closed;
  return closed;
}

// Joins the closed windows' threads that have ended, or all of them.
void JoinClosed(bool all)
{
  std::vector<TClosed> joining;
  {
    const std::lock_guard lock(closedLock);
    auto& closed = Closed();
    auto stays = std::partition(closed.begin(), closed.end(), [all](const TClosed& c) {
      return !all && !c.work->ended.load(std::memory_order_acquire);
    });
    std::move(stays, closed.end(), std::back_inserter(joining));
    closed.erase(stays, closed.end());
  }
  for (TClosed& c : joining)
    c.thread.join();
}
} // namespace

void WaitForAnalyses()
{
  JoinClosed(true);
}

std::shared_ptr<TAnalysisWork> TAnalysisWork::Start(const TPlayedGame& game)
{
  JoinClosed(false);
  auto work = std::make_shared<TAnalysisWork>();
  running += 1;
  work->thread = std::thread([w = work.get(), game] {
    {
      TGameAnalyser analyser;
      w->review = analyser.Analyse(game, &w->cancel, [w](int d, int t) {
        w->done.store(d);
        w->total.store(t);
      });
      TGameReview working = w->review;
      running -= 1;
      w->ready.store(true, std::memory_order_release);
      if (working.status == TAnalysisStatus::Done) {
        const auto order = TGameAnalyser::ToRefine(working);
        w->toRefine.store(int(order.size()));
        for (const TGameAnalyser::TRefinement& which : order) {
          if (!analyser.Refine(working, which, &w->cancel)) break;
          {
            const std::lock_guard lock(w->lock);
            w->latest = working;
          }
          w->refined.fetch_add(1, std::memory_order_release);
        }
      }
    }
    w->ended.store(true, std::memory_order_release);
  });
  return work;
}

void TAnalysisWork::Close(std::shared_ptr<TAnalysisWork> work)
{
  if (!work) return;
  work->cancel.store(true);
  std::thread thread = std::move(work->thread);
  if (!thread.joinable()) return;
  const std::lock_guard lock(closedLock);
  Closed().push_back({std::move(work), std::move(thread)});
}

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

  Window = CreateWindow(AppTitle() + " - Spielanalyse", 0, 0, WIDTH, HEIGHT,
                        owner ? owner : app->Window, DIALOG_STYLE);
  const int cw = Window->ClientWidth();
  const int ch = Window->ClientHeight();
  const int inner = cw - 2 * MARGIN;
  Header = CreateLabel("Spielanalyse", MARGIN, MARGIN, inner, 34, Window, LABEL_CENTER);
  Header->SetFont(Font24);
  int y = MARGIN + 38;
  Status = CreateLabel(QString(), MARGIN, y, inner - 210, 22, Window, LABEL_LEFT);
  Progress = CreateProgressBar(cw - MARGIN - 200, y, 200, 22, Window);
  SetAccessibleName(Progress, "Fortschritt der Analyse");
  Progress->SetShow(0);
  y += 28;
  const int seats = readable ? std::max(1, int(game_.players.size())) : 1;
  const int bw = (inner - (seats - 1) * MARGIN) / seats;
  for (int p = 0; p < seats; ++p) {
    TGadget* balance = CreateTextArea(MARGIN + p * (bw + MARGIN), y, bw, BALANCE_H, Window,
                                      TEXTAREA_WORDWRAP | TEXTAREA_READONLY);
    SetAccessibleName(balance, p < int(names_.size()) ? "Bilanz von " + names_[size_t(p)]
                                                      : QString("Bilanz"));
    Balance.push_back(balance);
  }
  y += BALANCE_H + MARGIN;
  const int listW = inner - POSITION_W - MARGIN;
  List = CreateListBox(MARGIN, y, listW, LIST_H, Window);
  SetAccessibleName(List, "Entscheidungen");
  Position = CreateTextArea(MARGIN * 2 + listW, y, inner - listW - MARGIN, LIST_H, Window,
                            TEXTAREA_READONLY);
  Position->SetFont(LibraryFont(FONT_FIXED, 0, 0));
  SetAccessibleName(Position, "Stellung der gewählten Entscheidung");
  y += LIST_H + MARGIN;
  Chart = CreateChart(MARGIN, y, inner, CHART_H, Window);
  y += CHART_H + MARGIN / 2;
  Summary = CreateLabel(QString(), MARGIN, y, inner, SUMMARY_H, Window, LABEL_LEFT);
  Okay = CreateButton("OK", cw / 2 - 50, ch - 34, 100, 24, Window, BUTTON_OK);

  if (!readable) {
    const TRecordProblem problem = app->Record ? app->Record->Problem() : TRecordProblem::None;
    QString why = "Noch kein Spiel aufgezeichnet, das sich analysieren lässt.";
    if (!actions.empty())
      why = "Die Aufzeichnung dieses Spiels ist nicht schlüssig, darum kann es nicht analysiert "
            "werden.";
    else if (problem != TRecordProblem::None)
      why = RecordProblemText(problem);

    Status->SetText(why);
    Position->SetText(why);
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
    if (id == EVENT_TIMERTICK && EventData() == timer_) Poll();
    if (id == EVENT_GADGETSELECT && EventSource() == List) ShowPosition(EventData());
  }
  StopTimer(timer_);
  // Closing stops the work: the analyser sees the flag after the decision at hand.
  TAnalysisWork::Close(std::move(work_));
  // The balances go with their window.
  Balance.clear();
  for (TGadget** g :
       {&Okay, &Summary, &Chart, &Position, &List, &Progress, &Status, &Header, &Window}) {
    FreeGadget(*g);
    *g = nullptr;
  }
  return 0;
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
  // The quick verdicts stand; the refined ones replace them as they come, the line chosen stays.
  if (const int refined = work_->refined.load(std::memory_order_acquire); refined > refined_) {
    {
      const std::lock_guard lock(work_->lock);
      *review_ = work_->latest;
    }
    refined_ = refined;
    const int line = ListSelection(List);
    Fill(*review_);
    if (line > 0 && line < ListLines(List)) {
      SelectListLine(List, line);
      ShowPosition(line);
    }
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
    return;
  }
  const bool two = review.players.size() > 1;
  int decisions = 0;
  for (size_t p = 0; p < review.players.size() && p < Balance.size(); ++p) {
    Balance[p]->SetText(BalanceText(names_[p], review.players[p]));
    decisions += int(review.players[p].decisions.size());
  }
  Status->SetText(QString::number(decisions) +
                  (decisions == 1 ? " Entscheidung" : " Entscheidungen") +
                  " mit „Stark“ verglichen" + (game_.finished ? "." : ", das Spiel läuft noch."));
  SetAccessibleName(Status, Status->GetText());

  ClearList(List);
  for (const TDecisionRef& ref : GameOrder(review)) {
    const TDecisionReview& d = review.players[size_t(ref.player)].decisions[size_t(ref.index)];
    const QString name = two ? names_[size_t(ref.player)] : QString();
    AddListLine(List, DecisionLine(name, d), DecisionSpoken(name, d));
  }

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
  Summary->SetText(course.summary);
  SetAccessibleName(Summary, course.summary);
  if (ListLines(List) > 0) {
    SelectListLine(List, 0);
    ShowPosition(0);
  }
}

void TAnalysisForm::ShowPosition(int line)
{
  if (!review_ || review_->status != TAnalysisStatus::Done) return;
  const std::vector<TDecisionRef> order = GameOrder(*review_);
  if (line < 0 || line >= int(order.size())) return;
  const TDecisionRef& ref = order[size_t(line)];
  const bool two = review_->players.size() > 1;
  Position->SetText(
      PositionText(two ? names_[size_t(ref.player)] : QString(),
                   review_->players[size_t(ref.player)].decisions[size_t(ref.index)]));
}
