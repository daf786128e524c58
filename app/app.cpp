#include "app/app.h"

#include "app/computer.h"
#include "app/netgame.h"
#include "app/recorder.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "forms/about.h"
#include "forms/analysisform.h"
#include "forms/highscoreform.h"
#include "forms/netform.h"
#include "forms/playerform.h"
#include "forms/ruleform.h"
#include "forms/statsform.h"
#include "gui/driver.h"
#include "gui/runtime.h"
#include "gui/toolkit.h"
#include "store/safefile.h"

#include <QFile>

TApp* App = nullptr;
int PlayerCount = 0;
QString AppPath;
QByteArray AppDir;
TGuiFontPtr Font24;
TGuiFontPtr FontBold16;
TGuiFontPtr FontBold;

const char* const APP_ID = "de.tollmark.Wurfwummel";
const char* const DEFAULT_PLAYER = "Spieler1";
const char* const SETTINGS_FILE = "/wurfwummel.cfg";
const char* const SCORE_FILE = "/wurfwummel.scr";
const char* const CHOICE_FILE = "/wurfwummel.cpu";
const char* const PAIR_FILE = "/wurfwummel.new";
const char* const NEW_GAME_QUESTION = "Das laufende Spiel beenden und ein neues beginnen?";

TApp::TApp() = default;
TApp::~TApp()
{
  // An analysis window closed before its work was done leaves its thread to stop by itself;
  // the objects it works with must outlast it.
  WaitForAnalyses();
}

TApp* TApp::Create()
{
  AppDir = GetUserAppDirNative() + "/Tollmark/Wurfwummel";
  AppPath = QFile::decodeName(AppDir);
  SeedRnd(MilliSecs());
  Style = STYLE_STANDARD;
  if (Desktop()->height <= COMPACT_MAX_DESKTOP_HEIGHT) Style = STYLE_COMPACT;
  const int w = Style == STYLE_COMPACT ? COMPACT_WIDTH : STANDARD_WIDTH;
  const int h = Style == STYLE_COMPACT ? COMPACT_HEIGHT : STANDARD_HEIGHT;
  App = this;
  Font24 = LibraryFont(1, 24, 0);
  FontBold16 = LibraryFont(1, 16, FONT_BOLD);
  FontBold = LibraryFont(1, 0, FONT_BOLD);
  SetAppTitle("Wurfwummel");
  SetDesktopFileName(APP_ID);
  SetAppIcon(LoadPixmap("incbin::about.png"));
  Window = CreateWindow(AppTitle(), 0, 0, w, h, nullptr, MAIN_WINDOW_STYLE);

  MenuGame = CreateMenu("Spiel", 0, Window->GetMenu());
  CreateMenu("Neues Spiel", MM_NEW, MenuGame, KEY_N, 0);
  MenuHint = CreateMenu("Tipp", MM_HINT, MenuGame, KEY_T, 0);
  CreateMenu("", 0, MenuGame);
  CreateMenu("Spieler Einstellungen", MM_PLAYER, MenuGame);
  MenuComputer = CreateMenu("Gegen den Computer", MM_COMPUTER, MenuGame);
  MenuComputer->SetSelected(0);
  CreateLevelMenu();
  CreateMenu("Netzwerkspiel ...", MM_NETWORK, MenuGame);
  CreateMenu("", 0, MenuGame);
  CreateMenu("Beenden", MM_QUIT, MenuGame);
  MenuView = CreateMenu("Anzeige", 0, Window->GetMenu());
  CreateMenu("Highscore anzeigen", MM_HIGH, MenuView);
  CreateMenu("Statistik", MM_STATS, MenuView);
  CreateMenu("Spielanalyse", MM_ANALYSIS, MenuView);
  CreateMenu("Regelwerk anzeigen", MM_RULE, MenuView, KEY_F1, 0);
  CreateMenu("", 0, MenuView);
  CreateMenu("Über " + AppTitle(), MM_ABOUT, MenuView);
  Window->UpdateMenu();
  for (int i = 0; i < DICE; ++i)
    SetHotKeyEvent(KEY_1 + i, 0, Window);

  // Started as root with a user's environment, the game acts in the user's folder as the user,
  // and first gives back what an older version's start as root made root's there.
  ActAsFolderOwner(AppDir);
  GiveBackToFolderOwner(AppDir, {"wurfwummel.cfg", "wurfwummel.scr", "wurfwummel.cpu",
                                 "wurfwummel.new", "wurfwummel.lock"});
  MakeFolders(AppDir);
  TidyDataFolder();
  Computer = std::make_unique<TComputer>(*this);
  Net = std::make_unique<TNetGame>(*this);
  ScoreIndex = {-1, -1};
  OpenScore();
  LoadPlayers();
  Window->SetShow(1);
  TellUnreadable();
  // A computer remembered as playing gets its tables now, not in its first step.
  if (ComputerPlays()) Computer->Prepare();
  OpenRecord();
  FollowComputerSeat();
  return this;
}

void TApp::Start()
{
  for (;;) {
    WaitEvent();
    const TEvent event = CurrentEvent();
    Dispatch(event);
  }
}

void TApp::Quit()
{
  // The last action reaches the disk before the process ends; a record that refuses it holds up
  // the end for a few seconds at most.
  if (Record) Record->FlushAtEnd();
  SaveAtEnd();
  EndProgram(0);
}

void TApp::Dispatch(TEvent event)
{
  ForgetHint(event);
  HandleEvent(event);
  if (Record) Record->Observe();
  // Whatever the event changed, the computer's next step is on its way exactly while it is at
  // the turn; otherwise nothing runs until the person acts.
  if (Computer) Computer->Schedule();
  // The same for the steps that came over the network, and the own seat's first throw.
  if (Net) Net->Schedule();
  FollowComputerSeat();
  FollowHint();
  // The hint is the person's: not while the computer or the other computer plays.
  if (MenuHint && GadgetDisabled(MenuHint) != (PersonBlocked() ? 1 : 0))
    MenuHint->SetEnabled(PersonBlocked() ? 0 : 1);
}

void TApp::HandleEvent(const TEvent& event)
{
  const int player = CurrentPlayer;
  // The key of "Tipp" while the item is disabled.
  if (event.id == EVENT_HOTKEYHIT && event.source && event.source == MenuHint) {
    RefuseHint();
    return;
  }
  if (PersonBlocked()) {
    switch (event.id) {
    case EVENT_MOUSEUP:
    case EVENT_HOTKEYHIT:
    case EVENT_KEYDOWN:
    case EVENT_GADGETACTION:
      return; // the sheet, the dice and the buttons are the computer's during its turn
    default:
      break;
    }
  }
  // Over the network the own seat's throw and entry go to the link first.
  if (Net && Net->Take(event)) {
    Describe(player);
    return;
  }
  switch (event.id) {
  case EVENT_MENUACTION:
    switch (event.data) {
    case MM_QUIT:
      Quit();
      break;
    case MM_NEW:
      if (NewGameWanted()) NewGame();
      break;
    case MM_PLAYER:
      if (Net && Net->Playing())
        Notify(NET_BUSY);
      else
        TPlayerForm().Open(this);
      break;
    case MM_COMPUTER:
      if (Net && Net->Playing())
        Notify(NET_BUSY);
      else
        ChooseComputer();
      break;
    case MM_NETWORK:
      TNetForm().Open(this);
      break;
    case MM_LEICHT:
    case MM_MITTEL:
    case MM_STARK:
      ChooseLevel(event.data);
      break;
    case MM_LANGSAM:
    case MM_NORMAL:
    case MM_SCHNELL:
      ChooseSpeed(event.data);
      break;
    case MM_HINT:
      ShowHint();
      break;
    case MM_HIGH:
      THighscoreForm().Open(this);
      break;
    case MM_STATS:
      TStatsForm().Open(this);
      break;
    case MM_ANALYSIS:
      TAnalysisForm().Open(this, Record ? Record->ActionsToAnalyse() : std::vector<TAction>());
      break;
    case MM_RULE:
      TRuleForm().Open(this);
      break;
    case MM_ABOUT:
      TAbout().Open(this);
      break;
    default:
      break;
    }
    break;
  case EVENT_APPTERMINATE:
  case EVENT_WINDOWCLOSE:
    Quit();
    break;
  case EVENT_MOUSEUP:
    if (event.data == 1 && CurrentPlayer < int(DiceField.size()))
      DiceField[size_t(CurrentPlayer)]->ProcedureDices(event);
    break;
  case EVENT_HOTKEYHIT:
    if (event.source != Window) return;
    [[fallthrough]];
  case EVENT_KEYDOWN:
    if (CurrentPlayer < int(DiceField.size()))
      DiceField[size_t(CurrentPlayer)]->ProcedureKeys(event);
    break;
  case EVENT_GADGETACTION:
    GadgetAction(event);
    break;
  case EVENT_TIMERTICK:
    if (!(Computer && Computer->Tick(event.data)) && !(Net && Net->Tick(event.data))) return;
    break;
  default:
    return; // nothing that a screen reader reads has changed
  }
  if (event.id == EVENT_MENUACTION) {
    Describe();
    return;
  }
  // Mouse, keys and gadgets change only the sheet of the player whose turn it was and, when
  // the turn passes, the next one's (a new game describes every sheet itself); describing
  // every sheet took most of the time of a click.
  Describe(player);
  if (CurrentPlayer != player) Describe(CurrentPlayer);
}

void TApp::GadgetAction(const TEvent& event)
{
  // The current player is read afresh at every step: entering a cell passes the turn on.
  // Each handler gets its own copy of the event.
  if (CurrentPlayer >= PlayerCount) return;
  DiceField[size_t(CurrentPlayer)]->Procedure(TEvent(event));
  if (CurrentPlayer >= PlayerCount) return;
  const size_t p = size_t(CurrentPlayer);
  ForScoringSections(*this, p, [&event](auto& section) { section.Procedure(TEvent(event)); });
  // A click on a cell gives back the cell chosen before, which may lie in a section that has
  // already summed it up: every display is summed again before the totals are.
  ForScoringSections(*this, p, [](auto& section) {
    if constexpr (requires { section.Refresh(); }) section.Refresh();
  });
  Winpointfield[p]->Procedure(TEvent(event));
  TGadget* fill = DiceField[size_t(CurrentPlayer)]->Fill;
  if (!Last || DiceField[size_t(CurrentPlayer)]->PlayedByComputer) {
    fill->SetEnabled(0);
  } else if (GadgetDisabled(fill)) {
    fill->SetEnabled(1);
    fill->Activate(0);
  }
  UpdateOpponentLine();
}

bool TApp::NewGameWanted()
{
  // One key must not throw away a game with entries; the question is serious, Abbrechen its
  // default. Before the first entry nothing is lost.
  return !GameUnderWay() || Confirm(NEW_GAME_QUESTION, 1) == 1;
}

void TApp::Act(TGadget* source)
{
  TEvent event;
  event.id = EVENT_GADGETACTION;
  event.source = source;
  GadgetAction(event);
}

void TApp::Destroy()
{
  ClearHint();
  if (Computer) Computer->Stop();
  Net.reset();
  Record.reset(); // writes what is still waiting
  // Hidden first, as a closed window is: freeing shown controls one by one would have each
  // of them ask for its parent to be repainted.
  if (Window) Window->SetShow(0);
  while (PlayerCount > 1)
    RemovePlayer();
  if (PlayerCount == 1) {
    ForSections(*this, 0, [](auto& section) { section.Remove(); });
    DiceField[0]->Remove();
  }
  Pointfield.clear();
  Paschfield.clear();
  Numfield.clear();
  Streetfield.clear();
  Wummelfield.clear();
  Chancefield.clear();
  Winpointfield.clear();
  DiceField.clear();
  Panel.clear();
  PlayerName.clear();
  PlayerCount = 0;
  Last = nullptr;
  FreeGadget(Window);
  Window = MenuGame = MenuView = MenuComputer = MenuHint = MenuStrength = MenuSpeed = nullptr;
  MenuLevel = {};
  MenuTempo = {};
  if (App == this) App = nullptr;
}
