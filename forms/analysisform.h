#pragma once

// The analysis window: every decision of a recorded game set beside what "Stark" would have done,
// each player's luck and points lost, a chart of the expected final total through the game, and
// the position of the decision chosen, drawn as the game draws it. One player's decisions at a
// time, all or only the mistakes, the next and the previous mistake a key away; a click on the
// chart chooses the decision there. Opened from "Anzeige > Spielanalyse" for the game under way
// or the last one finished, and from the statistics window for a game of the history. The
// analysis runs on a thread of its own; the window opens at once and fills in. It can be made
// larger, and the list and the position grow with it.

#include "forms/analysisposition.h"
#include "gui/gadget.h"
#include "store/recordgame.h"

#include <memory>
#include <vector>

class TApp;
struct TAnalysisWork;
struct TGameReview;
struct TDecisionRef;

// Analysis threads running now, in every window. A closed window's thread stops at its next
// decision, without the window waiting for it.
int AnalysisThreads();
// Joins the threads of closed windows: before the objects they use go, as at the end of a test.
// The program itself ends at once and need not.
void WaitForAnalyses();
// The window shows its progress bar once the work has taken this long.
constexpr int ANALYSIS_PROGRESS_MS = 500;
// The keys of "Voriger Fehler" and "Nächster Fehler": Alt with the buttons' first letters.
constexpr int ANALYSIS_PREVIOUS_KEY = 'V', ANALYSIS_NEXT_KEY = 'N';

class TAnalysisForm
{
public:
  TAnalysisForm();
  ~TAnalysisForm();
  TAnalysisForm(const TAnalysisForm&) = delete;
  TAnalysisForm& operator=(const TAnalysisForm&) = delete;

  TGadget* Window = nullptr;
  TGadget* Status = nullptr;
  TGadget* Progress = nullptr;
  std::vector<TGadget*> Balance; // one per player, side by side
  TGadget* Players = nullptr;    // "Spieler:" and a radio button per player, in a game of two
  std::vector<TGadget*> Player;
  TGadget* MistakesOnly = nullptr;
  TGadget* Previous = nullptr;
  TGadget* Next = nullptr;
  TGadget* Keys = nullptr; // says which keys the two buttons have
  TGadget* List = nullptr; // a table: Runde, Entscheidung, verloren, Klasse
  TAnalysisPosition Position;
  TGadget* Chart = nullptr;
  TGadget* Summary = nullptr;
  TGadget* Okay = nullptr;

  // Shows the game of these actions until the window is closed. Opened from another dialog,
  // it stands over that one, which gets the keyboard back when it closes.
  int Open(TApp* app, const std::vector<TAction>& actions, TGadget* owner = nullptr);

private:
  void Build(TApp* app, TGadget* owner, bool readable);
  void Layout(int width, int height);
  void Handle(int id);
  void Fill(const TGameReview& review);
  void FillChart(const TGameReview& review);
  // The table anew: the chosen player's decisions, all or only the mistakes.
  void FillTable();
  // Shows a decision (an index into the game's order) and chooses its row.
  void Choose(int decision);
  // The next (+1) or previous (-1) mistake of the chosen player; -1 when there is none.
  int Mistake(int from, int step) const;
  void ChoosePicked(int line, int point);
  void ChoosePlayer(int player);
  bool Shown(int decision) const;
  void Poll();

  TRecordedGame game_;
  std::vector<QString> names_;
  std::shared_ptr<TAnalysisWork> work_;
  std::unique_ptr<TGameReview> review_;
  std::vector<TDecisionRef> order_;
  int player_ = 0;  // whose decisions the table shows
  int chosen_ = -1; // the decision shown, an index into order_
  int timer_ = 0;
  int refined_ = 0; // refined verdicts shown
  int64_t started_ = 0;
};
