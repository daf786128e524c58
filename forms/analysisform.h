#pragma once

// The analysis window: every decision of a recorded game set beside what "Stark" would have done,
// each player's luck and points lost, a chart of the expected final total through the game, and
// the position of the decision chosen in the list. Opened from "Anzeige > Spielanalyse" for the
// game under way or the last one finished, and from the statistics window for a game of the
// history. The analysis runs on a thread of its own; the window opens at once and fills in.

#include "gui/gadget.h"
#include "store/recordgame.h"

#include <memory>
#include <vector>

class TApp;
struct TAnalysisWork;
struct TGameReview;

// Analysis threads running now, in every window. A closed window's thread stops at its next
// decision, without the window waiting for it.
int AnalysisThreads();
// Joins the threads of closed windows: before the objects they use go, as at the end of a test.
// The program itself ends at once and need not.
void WaitForAnalyses();
// The window shows its progress bar once the work has taken this long.
constexpr int ANALYSIS_PROGRESS_MS = 500;

class TAnalysisForm
{
public:
  TAnalysisForm();
  ~TAnalysisForm();
  TAnalysisForm(const TAnalysisForm&) = delete;
  TAnalysisForm& operator=(const TAnalysisForm&) = delete;

  TGadget* Window = nullptr;
  TGadget* Header = nullptr;
  TGadget* Status = nullptr;
  TGadget* Progress = nullptr;
  std::vector<TGadget*> Balance; // one per player, side by side
  TGadget* List = nullptr;
  TGadget* Position = nullptr;
  TGadget* Chart = nullptr;
  TGadget* Summary = nullptr;
  TGadget* Okay = nullptr;

  // Shows the game of these actions until the window is closed. Opened from another dialog,
  // it stands over that one, which gets the keyboard back when it closes.
  int Open(TApp* app, const std::vector<TAction>& actions, TGadget* owner = nullptr);

private:
  void Fill(const TGameReview& review);
  void ShowPosition(int line);
  void Poll();

  TRecordedGame game_;
  std::vector<QString> names_;
  std::shared_ptr<TAnalysisWork> work_;
  std::unique_ptr<TGameReview> review_;
  int timer_ = 0;
  int refined_ = 0; // refined verdicts shown
  int64_t started_ = 0;
};
