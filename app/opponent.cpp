// TApp's side of the computer opponent: the menu items that switch it on and off and choose its
// strength, and what the rest of the game asks about it.

#include "app/app.h"

#include "app/computer.h"
#include "app/netgame.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "gui/driver.h"

const char* const COMPUTER_ON_QUESTION = "Der Computer übernimmt den zweiten Platz,\nund ein "
                                         "neues Spiel beginnt.\nDas laufende Spiel endet ohne "
                                         "Wertung.";
const char* const COMPUTER_OFF_QUESTION = "Der zweite Platz wird frei,\nund ein neues Spiel "
                                          "beginnt.\nDas laufende Spiel endet ohne Wertung.";

QString LevelQuestion(const QString& level)
{
  return "Der Computer spielt mit der Stärke „" + level +
         "“,\nund ein neues Spiel beginnt.\nDas laufende Spiel endet ohne Wertung.";
}

QString ComputerReplacesQuestion(const QString& person, bool underWay)
{
  QString text =
      "Der Computer übernimmt den Platz von " + person + ",\nund ein neues Spiel beginnt.";
  if (underWay) text += "\nDas laufende Spiel endet ohne Wertung.";
  return text;
}

bool TApp::ComputerPlays() const
{
  return Computer && Computer->Plays && PlayerCount == 2;
}

bool TApp::ComputerAtTurn() const
{
  return Computer && Computer->AtTurn();
}

bool TApp::PersonBlocked() const
{
  return ComputerAtTurn() || (Net && Net->Blocks());
}

bool TApp::ComputerChosen() const
{
  return Net && Net->Playing() ? Net->LocalComputer : ComputerPlays();
}

void TApp::FollowComputerSeat()
{
  bool changed = false;
  for (int p = 0; p < PlayerCount && p < int(DiceField.size()); ++p)
    changed = DiceField[size_t(p)]->SetPlayedByComputer(
                  (p == 1 && ComputerPlays()) || (Net && Net->Playing() && p != Net->OwnSeat())) ||
              changed;
  // A roll button that goes grey hands the focus to the next control, a die of the computer's;
  // in its turn the keyboard stays with the window.
  if (changed && PersonBlocked()) Window->Activate(0);
}

void TApp::ShowComputerChoice()
{
  if (MenuComputer) MenuComputer->SetSelected(ComputerPlays() ? 1 : 0);
  if (Computer && MenuLevel[size_t(Computer->Level())])
    MenuLevel[size_t(Computer->Level())]->SetSelected(1);
  if (Computer && MenuTempo[size_t(Computer->Speed())])
    MenuTempo[size_t(Computer->Speed())]->SetSelected(1);
}

void TApp::CreateLevelMenu()
{
  // In submenus of their own, so that "Leicht" or "Schnell" is never read without what it is.
  MenuStrength = CreateMenu("Stärke", 0, MenuGame);
  MenuLevel = {CreateMenu("Leicht", MM_LEICHT, MenuStrength),
               CreateMenu("Mittel", MM_MITTEL, MenuStrength),
               CreateMenu("Stark", MM_STARK, MenuStrength)};
  SetMenuRadioGroup({MenuLevel.begin(), MenuLevel.end()});
  // Chosen also while the computer is off: the strength it will play at.
  MenuLevel[size_t(TLevel::Stark)]->SetSelected(1);
  MenuSpeed = CreateMenu("Tempo", 0, MenuGame);
  MenuTempo = {CreateMenu("Langsam", MM_LANGSAM, MenuSpeed),
               CreateMenu("Normal", MM_NORMAL, MenuSpeed),
               CreateMenu("Schnell", MM_SCHNELL, MenuSpeed)};
  SetMenuRadioGroup({MenuTempo.begin(), MenuTempo.end()});
  MenuTempo[size_t(TSpeed::Normal)]->SetSelected(1);
}

void TApp::ChooseSpeed(int tag)
{
  if (!Computer || tag < MM_LANGSAM || tag > MM_SCHNELL) return;
  Computer->SetSpeed(TSpeed(tag - MM_LANGSAM));
  ShowComputerChoice();
  SaveGame();
}

void TApp::ChooseLevel(int tag)
{
  if (!Computer || tag < MM_LEICHT || tag > MM_STARK) return;
  const TLevel level = TLevel(tag - MM_LEICHT);
  // The record files a game with the strength the computer plays it at, from its first throw
  // to its end: a game under way is not played on at another strength. As with the computer
  // joining, the question comes first and a new game begins; "Abbrechen" keeps the strength.
  const bool underWay = level != Computer->Level() && ComputerPlays() && GameUnderWay();
  if (underWay && Confirm(LevelQuestion(MenuLevel[size_t(level)]->GetText()), 1) != 1) {
    ShowComputerChoice();
    return;
  }
  Computer->SetLevel(level);
  if (underWay) NewGame();
  ShowComputerChoice();
  SaveGame();
}

bool TApp::GameUnderWay()
{
  for (int p = 0; p < PlayerCount; ++p) {
    bool entered = false;
    ForScoringSections(*this, size_t(p), [&entered](auto& section) {
      for (const auto& column : section.Points)
        for (TGadget* cell : column->Array)
          entered = entered || (cell && GadgetDisabled(cell));
    });
    if (entered) return true;
  }
  return false;
}

bool TApp::ComputerLeaves()
{
  if (!ComputerPlays()) return false;
  // A question that ends a game under way looks like one: the warning icon, Enter keeps it.
  const bool underWay = GameUnderWay();
  if (underWay && Confirm(COMPUTER_OFF_QUESTION, 1) != 1) return false;
  RemovePlayer();
  if (underWay) NewGame();
  return true;
}

void TApp::ChooseComputer()
{
  if (!Computer) return;
  // Joining or leaving a game under way would leave one sheet far behind the other: it asks,
  // and starts afresh. Before the first entry nothing is lost.
  const bool underWay = GameUnderWay();
  if (ComputerPlays()) {
    ComputerLeaves();
  } else if (PlayerCount <= 1) {
    if (!underWay || Confirm(COMPUTER_ON_QUESTION, 1) == 1) {
      Computer->Plays = true;
      Computer->Prepare();
      CreatePlayer(COMPUTER_NAME);
      if (underWay) NewGame();
    }
  } else if (Confirm(ComputerReplacesQuestion(PlayerName[1], underWay), underWay ? 1 : 0) == 1) {
    // A person's seat is not handed over half played.
    Computer->Plays = true;
    Computer->Prepare();
    PlayerName[1] = COMPUTER_NAME;
    NewGame();
  }
  ShowComputerChoice();
  SaveGame();
}
