// The game flow of TApp: players, new game, the end of a turn and of the game, the dice
// queries of the sheet and the status lines.

#include "app/app.h"

#include "app/computer.h"
#include "app/netgame.h"
#include "app/recorder.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "forms/highscoreform.h"
#include "gui/driver.h"
#include "gui/runtime.h"
#include "sheet/cells.h"
#include "store/highscore.h"

namespace
{
const char* const NO_OPPONENT = " hat keine Gegner";
const char* const END_QUESTION = "Es wurde kein neuer Highscore erspielt.\nNeues Spiel?";
const char* const HINT_KEPT_OUT =
    "Ohne Tipp wäre dieses Spiel in die Highscore-Liste gekommen.\nNeues Spiel?";

// "1 Punkt", "2 Punkte"; the dative plural "Punkten" where the sentence asks for it.
QString PointsText(int points, bool dative = false)
{
  if (points == 1) return "1 Punkt";
  return QString::number(points) + (dative ? " Punkten" : " Punkte");
}

QString WaitingText(const QString& opponent)
{
  return "Der Gegner " + opponent + " hat noch nicht gewürfelt";
}
} // namespace

int TApp::CreatePlayer(const QString& name)
{
  PlayerCount += 1;
  const int n = PlayerCount - 1;
  TGadget* panel = CreatePanel(0, 0, Window->ClientWidth(), Window->ClientHeight(), Window,
                               PANEL_ACTIVE, QString());
  Panel.push_back(panel);
  Pointfield.push_back(std::make_unique<TPointfield>());
  Pointfield.back()->Create(panel);
  Paschfield.push_back(std::make_unique<TPaschfield>());
  Paschfield.back()->Create(panel);
  Numfield.push_back(std::make_unique<TNumfield>());
  Numfield.back()->Create(panel);
  Streetfield.push_back(std::make_unique<TStreetfield>());
  Streetfield.back()->Create(panel);
  Wummelfield.push_back(std::make_unique<TWummelField>());
  Wummelfield.back()->Create(panel);
  Chancefield.push_back(std::make_unique<TChanceField>());
  Chancefield.back()->Create(panel);
  Winpointfield.push_back(std::make_unique<TWinPointField>());
  Winpointfield.back()->Create(panel);
  DiceField.push_back(std::make_unique<TDicefield>());
  DiceField.back()->Create(panel);
  PlayerName.push_back(name);
  DiceField[size_t(n)]->Player1->SetText(name);
  if (n == 0) {
    DiceField[0]->Player2->SetText(name + NO_OPPONENT);
  } else {
    panel->SetShow(0);
    DiceField[0]->Player2->SetText(WaitingText(PlayerName[1]));
    DiceField[1]->Player2->SetText(WaitingText(PlayerName[0]));
  }
  ChainTabOrder(n);
  ChainArrowKeys(n);
  SkipFullSheet();
  Describe(n); // the other sheets have not changed
  return 0;
}

int TApp::RemovePlayer()
{
  if (PlayerCount <= 1) return 0;
  ClearHint(); // its marks may lie on the removed sheet
  // A selection on the removed sheet must not outlive it.
  if (Last && CurrentPlayer == 1) Last = nullptr;
  // The computer is always the second player: it leaves with it.
  if (Computer) Computer->Plays = false;
  ForSections(*this, 1, [](auto& section) { section.Remove(); });
  DiceField[1]->Remove();
  Panel[1]->SetShow(0);
  FreeGadget(Panel[1]);
  Panel.resize(1);
  Pointfield.resize(1);
  Paschfield.resize(1);
  Numfield.resize(1);
  Streetfield.resize(1);
  Wummelfield.resize(1);
  Chancefield.resize(1);
  Winpointfield.resize(1);
  DiceField.resize(1);
  PlayerName.resize(1);
  PlayerCount -= 1;
  CurrentPlayer = 0;
  ShowTurn(0);
  DiceField[0]->Player2->SetText(PlayerName[0] + NO_OPPONENT);
  ShowComputerChoice();
  Describe();
  return 0;
}

int TApp::NewGame()
{
  // A game over the network ends here, and this computer's players come back.
  if (Net) Net->BeforeNewGame();
  ClearHint();
  HintUsed = false;
  // The game it replaces stays in the record as not finished.
  if (Record) Record->GameReplaced();
  Last = nullptr;
  for (int i = 0; i < PlayerCount; ++i) {
    const size_t p = size_t(i);
    DiceField[p]->NewGame();
    // Over the network the dice come from the link, at each seat's turn.
    if (Net && Net->Playing()) Net->Blank(i);
    DiceField[p]->ShowTurnLines();
    ForSections(*this, p, [](auto& section) { section.NewGame(); });
  }
  if (PlayerCount == 1) {
    DiceField[0]->Player1->SetText(PlayerName[0]);
    DiceField[0]->Player2->SetText(PlayerName[0] + NO_OPPONENT);
  } else if (PlayerCount == 2) {
    Panel[1]->SetShow(0);
    for (size_t p = 0; p < 2; ++p) {
      DiceField[p]->Player1->SetText(PlayerName[p]);
      DiceField[p]->Player2->SetText(WaitingText(PlayerName[1 - p]));
    }
  }
  CurrentPlayer = 0;
  if (!Panel.empty()) ShowTurn(0);
  Describe();
  if (Record) Record->GameStarted();
  return 0;
}

int TApp::Reset()
{
  const int player = CurrentPlayer;
  if (Record) Record->Entered(player, Last);
  DiceField[size_t(CurrentPlayer)]->Reset();
  if (Net && Net->Playing()) Net->Blank(CurrentPlayer);
  if (Last) Last->SetEnabled(0);
  Last = nullptr;
  PassTurn();
  if (Record) Record->Rethrown(player);
  return 0;
}

void TApp::PassTurn()
{
  if (PlayerCount < 1) return;
  // What the status box said in this turn (why no hint came) is no longer so.
  ClearHint();
  // A player whose sheet is full has no turns left; with every sheet full the turn goes round
  // as usual and the end-of-game check that follows ends the game.
  int next = (CurrentPlayer + 1) % PlayerCount;
  for (int step = 1; step <= PlayerCount; ++step) {
    const int candidate = (CurrentPlayer + step) % PlayerCount;
    if (!SheetFull(candidate)) {
      next = candidate;
      break;
    }
  }
  ShowTurn(next);
}

void TApp::ShowTurn(int player)
{
  if (player < 0 || player >= PlayerCount) return;
  if (player != CurrentPlayer) Panel[size_t(CurrentPlayer)]->SetShow(0);
  CurrentPlayer = player;
  Panel[size_t(player)]->SetShow(1);
  // Every turn starts on the roll button, so the keyboard always knows where it is.
  DiceField[size_t(player)]->Button->Activate(0);
}

void TApp::SkipFullSheet()
{
  if (CurrentPlayer < PlayerCount && SheetFull(CurrentPlayer)) PassTurn();
}

bool TApp::SheetFull(int player)
{
  if (player < 0 || player >= PlayerCount) return false;
  bool full = true;
  ForScoringSections(*this, size_t(player),
                     [&full](auto& section) { full = full && section.IsFull(); });
  return full;
}

bool TApp::IsFull()
{
  // The game ends only when nobody has a free cell left, whoever joined when.
  if (PlayerCount < 1) return false;
  for (int p = 0; p < PlayerCount; ++p)
    if (!SheetFull(p)) return false;
  ShowResult();
  if (Record) Record->GameFinished();
  if (Net) Net->GameOver();
  // Its entries are marked in the record once the list with them is written; until then the
  // record has it as finished without them, and a start after a crash enters them.
  if (Record && Record->LastFinished() != 0) ListingGames.push_back(Record->LastFinished());
  if (CheckScore()) {
    THighscoreForm().Open(this);
    NewGame();
  } else if (Confirm(EndQuestion(), 0) == 1) {
    NewGame();
  } else {
    Quit();
  }
  return false;
}

void TApp::RefreshTotals()
{
  // The totals sum up the current player's sheet; the last entry of a game is made before
  // its own sheet is summed up, and the opponent's sheet only while the opponent was current.
  const int current = CurrentPlayer;
  for (int p = 0; p < PlayerCount; ++p) {
    CurrentPlayer = p;
    ForScoringSections(*this, size_t(p), [](auto& section) {
      if constexpr (requires { section.Refresh(); }) section.Refresh();
    });
    Winpointfield[size_t(p)]->Procedure(TEvent());
  }
  CurrentPlayer = current;
}

void TApp::ShowResult()
{
  ClearHint();
  RefreshTotals();
  QString text;
  if (PlayerCount == 1) {
    text = "Endstand: " + PointsText(GrandTotal(0));
  } else if (PlayerCount == 2) {
    const int a = GrandTotal(0), b = GrandTotal(1);
    if (a == b) {
      text = "Unentschieden mit je " + PointsText(a, true);
    } else {
      const int winner = a > b ? 0 : 1;
      text = PlayerName[size_t(winner)] + " gewinnt mit " + QString::number(std::max(a, b)) +
             " zu " + QString::number(std::min(a, b)) + " Punkten";
    }
  }
  for (int p = 0; p < PlayerCount; ++p) {
    TDicefield& dice = *DiceField[size_t(p)];
    dice.Player1->SetText("Spielende");
    dice.Turn->SetShow(0);
    dice.Player2->SetText(text);
    SetAccessibleName(dice.Group2, "Spielende: " + text);
  }
}

QString TApp::EndQuestion()
{
  // The list is of games played without help; a total that would have entered it deserves
  // to hear why it did not, rather than that it was too low.
  if (HintUsed && Score) {
    std::vector<QString> list = *Score;
    for (int p = 0; p < PlayerCount && p < 2; ++p)
      if (GrandTotal(p) > 0 && InsertScore(list, GrandTotal(p), PlayerName[size_t(p)]) >= 0)
        return HINT_KEPT_OUT;
  }
  return END_QUESTION;
}

int TApp::Summarize(int column)
{
  int sum = 0;
  ForScoringSections(*this, size_t(CurrentPlayer),
                     [&](auto& section) { sum += section.FullSumm(column); });
  return sum;
}

std::array<int, 6> TApp::SummDices()
{
  std::array<int, 6> faces{};
  const TDicefield& dice = *DiceField[size_t(CurrentPlayer)];
  for (int k = 0; k < 6; ++k)
    faces[size_t(k)] = dice.Dice[size_t(k + 1)];
  return faces;
}

int TApp::SummPoints()
{
  return FaceSum(SummDices());
}

std::array<int, 6> TApp::CountDices()
{
  return CountFaces(SummDices());
}

int TApp::GrandTotal(int player) const
{
  if (player < 0 || player >= int(Winpointfield.size())) return 0;
  return CellValue(Winpointfield[size_t(player)]->Bonus[GRAND_TOTAL]);
}

void TApp::UpdateOpponentLine()
{
  TGadget* line = DiceField[size_t(CurrentPlayer)]->Player2;
  if (PlayerCount <= 1) {
    line->SetText(PlayerName[0] + NO_OPPONENT);
    return;
  }
  const size_t o = size_t(1 - CurrentPlayer);
  const QString total = Winpointfield[o]->Bonus[GRAND_TOTAL]->GetText();
  if (total != "0")
    line->SetText("Der Gegner " + PlayerName[o] + " hat " + total +
                  (total == "1" ? " Punkt" : " Punkte"));
  else
    line->SetText(WaitingText(PlayerName[o]));
}

void TApp::ChainTabOrder(int player)
{
  const size_t p = size_t(player);
  std::vector<TGadget*> chain;
  TDicefield& dice = *DiceField[p];
  chain.push_back(dice.Button);
  for (int i = 1; i <= DICE; ++i)
    chain.push_back(dice.Panel[size_t(i)]);
  ForScoringSections(*this, p, [&chain](auto& section) {
    const size_t rows = section.Points.empty() ? 0 : section.Points[0]->Array.size();
    for (size_t r = 0; r < rows; ++r)
      for (const auto& column : section.Points)
        chain.push_back(column->Array[r]);
  });
  // Entered cells are disabled and the sums are disabled buttons: Tab passes them by.
  chain.push_back(dice.Fill);
  for (size_t i = 1; i < chain.size(); ++i)
    SetTabOrder(chain[i - 1], chain[i]);
}

void TApp::Describe()
{
  for (int i = 0; i < PlayerCount; ++i)
    Describe(i);
}

void TApp::Describe(int player)
{
  if (player < 0 || player >= PlayerCount) return;
  const size_t p = size_t(player);
  ForSections(*this, p, [](auto& section) { section.Describe(); });
  SetAccessibleName(DiceField[p]->Group2, PlayerName[p] + " ist am Zug");
  FollowChoice(player);
  // The hint's cell says so, as a die with the hint does, until it is chosen.
  if (hintCell_ && player == hintPlayer_ && Last != hintCell_)
    SetAccessibleName(hintCell_, AccessibleName(hintCell_) + hintCellName_);
}
