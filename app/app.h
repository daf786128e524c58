#pragma once

// The application object: main window, menus, the players with their sheets and dice, the
// high-score list, and the event loop that drives them. One instance, reached through App.

#include "gui/event.h"
#include "gui/gadget.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "sheet/kinds.h"

class TDicefield;
class TComputer;
class TNetGame;
class TRecorder;
struct TGameState;
enum class TFileState;

// Menu tags.
enum : int {
  MM_NEW = 40961,
  MM_QUIT = 40962,
  MM_PLAYER = 40963,
  MM_COMPUTER = 40964,
  MM_LEICHT = 40965, // the computer's strengths, in the order of TLevel
  MM_MITTEL = 40966,
  MM_STARK = 40967,
  MM_HINT = 40968,
  MM_LANGSAM = 40969, // the computer's speeds, in the order of TSpeed
  MM_NORMAL = 40970,
  MM_SCHNELL = 40971,
  MM_NETWORK = 40972, // "Netzwerkspiel ..."
  MM_HIGH = 45057,
  MM_RULE = 45058,
  MM_ABOUT = 45059,
  MM_STATS = 45060,    // "Anzeige > Statistik"
  MM_ANALYSIS = 45061, // "Anzeige > Spielanalyse"
};

// Key code of the letter N, the hot key of "Neues Spiel".
constexpr int KEY_N = 78;
// Key code of F1, the hot key of "Regelwerk anzeigen".
constexpr int KEY_F1 = 0x70;
// Key code of the letter T, the hot key of "Tipp".
constexpr int KEY_T = 84;
// Key code of the digit 1; the keys 1 to 6 hold and release the dice.
constexpr int KEY_1 = 49;

// Client sizes of the two layouts; the compact one is chosen for desktops up to 800 high.
constexpr int STYLE_STANDARD = 0;
constexpr int STYLE_COMPACT = 1;
constexpr int COMPACT_MAX_DESKTOP_HEIGHT = 800;
constexpr int STANDARD_WIDTH = 570, STANDARD_HEIGHT = 730;
constexpr int COMPACT_WIDTH = 860, COMPACT_HEIGHT = 515;
constexpr int MAIN_WINDOW_STYLE =
    WINDOW_CENTER | WINDOW_HIDDEN | WINDOW_CLIENTCOORDS | WINDOW_MENU | WINDOW_TITLEBAR; // 613
constexpr int DIALOG_STYLE = WINDOW_CENTER | WINDOW_CLIENTCOORDS | WINDOW_TITLEBAR;      // 545

// The reverse-DNS id under which the desktop entry, metainfo and icon are installed.
extern const char* const APP_ID;         // "de.tollmark.Wurfwummel"
extern const char* const DEFAULT_PLAYER; // "Spieler1"
extern const char* const SETTINGS_FILE;  // "/wurfwummel.cfg"
extern const char* const SCORE_FILE;     // "/wurfwummel.scr"
extern const char* const CHOICE_FILE;    // "/wurfwummel.cpu": whether the computer plays
// "/wurfwummel.new": names and choice while a save changes both, until both files hold them
extern const char* const PAIR_FILE;
// The question before the first hint of a game.
extern const char* const HINT_QUESTION;
// The question before "Neues Spiel" throws away a game with entries.
extern const char* const NEW_GAME_QUESTION;
// What the status box says of a game resumed at start-up, until the first action.
extern const char* const RESUMED_NOTE;

class TApp
{
public:
  TApp();
  ~TApp();

  TGadget* Last = nullptr;
  TGadget* Window = nullptr;
  std::vector<TGadget*> Panel;
  std::vector<std::unique_ptr<TDicefield>> DiceField;
  std::vector<std::unique_ptr<TPointfield>> Pointfield;
  std::vector<std::unique_ptr<TPaschfield>> Paschfield;
  std::vector<std::unique_ptr<TNumfield>> Numfield;
  std::vector<std::unique_ptr<TStreetfield>> Streetfield;
  std::vector<std::unique_ptr<TWummelField>> Wummelfield;
  std::vector<std::unique_ptr<TChanceField>> Chancefield;
  std::vector<std::unique_ptr<TWinPointField>> Winpointfield;
  int CurrentPlayer = 0;
  std::vector<QString> PlayerName;
  std::optional<std::vector<QString>> Score;
  std::array<int, 2> ScoreIndex{-1, -1};
  TGadget* MenuGame = nullptr;
  TGadget* MenuView = nullptr;
  // "Gegen den Computer", checked while the computer plays the second player.
  TGadget* MenuComputer = nullptr;
  // The submenus "Stärke" and "Tempo" right below it.
  TGadget* MenuStrength = nullptr;
  TGadget* MenuSpeed = nullptr;
  // "Leicht", "Mittel", "Stark": the computer's strength, exactly one of them chosen.
  std::array<TGadget*, 3> MenuLevel{};
  // "Langsam", "Normal", "Schnell": the speed of its turns, exactly one of them chosen.
  std::array<TGadget*, 3> MenuTempo{};
  // "Tipp", disabled while the computer is at the turn.
  TGadget* MenuHint = nullptr;
  std::unique_ptr<TComputer> Computer;
  // A game with a person at another computer (app/netgame.cpp).
  std::unique_ptr<TNetGame> Net;
  int Style = STYLE_STANDARD;
  // Set when a score or settings file exists but cannot be read: it is then never replaced.
  bool ScoreUnreadable = false;
  bool SettingsUnreadable = false;
  bool ChoiceUnreadable = false;
  // The score file is there but too large to be read and written back whole.
  bool ScoreTooLarge = false;
  // A hint was shown in this game: the game does not enter the high-score list. A new game
  // clears it.
  bool HintUsed = false;
  // The records CheckScore entered in this run and no save has written yet: a save enters
  // them again into the list on disk, which another copy of the game may have changed.
  std::vector<QString> NewScores;
  // The finished games whose entries are in NewScores (or did not enter), to be marked in the
  // record as listed once the list is written.
  std::vector<int64_t> ListingGames;
  // The score file's bytes as this run last read or wrote them: when the file still holds them,
  // no other copy has saved since, and the list in memory is written as it is.
  QByteArray ScoreSeen;

  bool IsFull();
  int RemovePlayer();
  int NewGame();
  TApp* Create();
  int SaveGame();
  int CreatePlayer(const QString& name);
  [[noreturn]] void Start();
  int Summarize(int column);
  int Reset();
  std::array<int, 6> SummDices();
  int SummPoints();
  std::array<int, 6> CountDices();
  int OpenScore();
  int SaveScore();
  int CreateScore();
  bool CheckScore();
  // Enters the high-score entries of the record's finished games that never reached the list.
  void ListFinishedGames();
  // The finished games' entries go into a kept-aside file.
  void ListingAside() const;

  // One pass of the main loop over an event; Start calls it for every event. The event is
  // taken by value: a dialog's loop opened by a handler replaces the toolkit's current event.
  void Dispatch(TEvent event);
  // Saves and ends the program, as quitting, closing and the terminate request do.
  void Quit();
  // The save of a copy that is ending: while another copy saves, it waits for it, with the
  // window gone, where every other save leaves the files to a later one.
  void SaveAtEnd();
  // At start-up: finishes what an interrupted save left, puts what copies kept aside into the
  // files and removes temporary files.
  void TidyDataFolder();
  // Says once, at start, which of the game's files are there but cannot be read.
  void TellUnreadable();

  // The grand total shown on player p's sheet.
  int GrandTotal(int player) const;
  // True when every cell of player p's six scoring sections is entered.
  bool SheetFull(int player);
  // Ends the current player's turn: the next player in turn order whose sheet still has a
  // free cell goes on. The one place where the turn changes hands.
  void PassTurn();
  // Gives every cell, display and status box of every sheet its current accessible name.
  void Describe();
  // The same for player p's sheet alone, the only one that a click or key can change.
  void Describe(int player);
  // "Eintragen" of player p follows the chosen cell: its accessible description says what it
  // will enter (empty without a choice), and it comes right after that cell in the Tab order.
  void FollowChoice(int player);
  // Frees every gadget; the program itself never needs it, tests do.
  void Destroy();

  // Whether the second player is the computer, and whether it is at the turn now: then the
  // person's clicks and keys on the sheet and the dice do nothing.
  bool ComputerPlays() const;
  bool ComputerAtTurn() const;
  // The person's clicks and keys on the sheets do nothing now: the computer is at the turn, or
  // in a game over the network the other computer is, or a step of the own seat is on its way.
  bool PersonBlocked() const;
  // Whether the computer is this computer's second player, also while a game over the network
  // has the sheets: what the files keep.
  bool ComputerChosen() const;
  // The menu item "Gegen den Computer": adds the computer as the second player, makes it the
  // second player in place of a person (after the player dialog's question and with a new
  // game), or takes it out again.
  void ChooseComputer();
  // What a click on one of the current player's gadgets does; the computer plays through it.
  void Act(TGadget* source);
  // The computer's roll and enter buttons are not the person's: grey, as "Tipp" is in its turn.
  // After every event, and once a resumed game is on the screen.
  void FollowComputerSeat();
  // Takes the computer out of the game, after the question when a game is under way (a new
  // game then begins); false when the person keeps it.
  bool ComputerLeaves();
  // The submenus of the computer's strength and speed, made right below "Gegen den Computer",
  // and the choice of one of their items (its tag).
  void CreateLevelMenu();
  void ChooseLevel(int tag);
  void ChooseSpeed(int tag);

  // "Tipp": what the strongest computer would do in the place of the person at the turn, shown
  // as marks on the dice to keep or let go or on the cell to enter, and said in the status box.
  // It changes nothing itself. Its words stay until the next throw or entry (ForgetHint); each
  // mark goes while its advice is followed (FollowHint, after every event).
  void ShowHint();
  void ClearHint();
  void ForgetHint(const TEvent& event);
  void FollowHint();
  // "Tipp" chosen by its key while the computer is at the turn: the status box says why
  // nothing comes, until the person's next action or the end of the turn.
  void RefuseHint();
  // A game resumed at start-up: the status box says so until the first action.
  void ShowResumed();
  // Shows a line of the hint in player p's status box, where a screen reader hears it.
  void ShowNote(int player, const QString& text);
  // At the end of a game: every total summed up once more, and the status boxes say who won
  // and by how much, or the final total of the one player.
  void ShowResult();
  // The question at the end of a game that entered no high score: where a hint kept a total
  // out of the list that would have entered it, it says so.
  QString EndQuestion();
  // Any cell of any sheet entered: a new game, the computer joining or leaving, another
  // strength or other players then ask first.
  bool GameUnderWay();
  // "Neues Spiel": at once before the first entry, else after the question; false when the
  // person keeps the game under way.
  bool NewGameWanted();

  // The record of every game (app/record.cpp): kept as the game goes, resumed at start-up, read
  // by the statistics window. None in a test that does not start the game.
  std::unique_ptr<TRecorder> Record;
  // At start-up, once the players are read: resumes the last game or records the new one.
  void OpenRecord();
  // Puts a recorded game on the sheets and dice; false when it does not fit the players.
  bool ShowGame(const TGameState& state);

private:
  // Creates the players named in the settings file, or the default player.
  void LoadPlayers();
  // The computer's part after the names are read: the remembered choice, and what the choice
  // file should hold now that it holds bytes (none: leave it as it is).
  void LoadComputerChoice(TFileState state, const QByteArray& bytes);
  std::optional<QByteArray> WriteComputerChoice(TFileState state, const QByteArray& bytes) const;
  // Writes the names and the choice, both or neither; the caller holds the folder's lock.
  void WritePlayerFiles();
  // What the names file and the choice file should get now (none: leave it as it is).
  std::array<std::optional<QByteArray>, 2> PlayerParts() const;
  // Writes what this copy would save into a new file of its own; its path, or empty when there
  // is nothing to keep or it could not be written.
  QByteArray PutAside() const;
  // Puts what copies kept aside into the files and removes those files; the caller holds the
  // folder's lock.
  void MergeAside();
  // The menu item's check mark follows the choice.
  void ShowComputerChoice();
  void HandleEvent(const TEvent& event);
  // Merges and writes the score file; the caller holds the data folder's lock.
  void WriteScores();
  void GadgetAction(const TEvent& event);
  void UpdateOpponentLine();
  // Shows player p's panel, hides the others and puts the focus on p's roll button.
  void ShowTurn(int player);
  // After a player joined or left: a player whose sheet is full cannot be at the turn.
  void SkipFullSheet();
  // The hint's advice and the player whose status box shows a note (-1: none): per die the
  // mark it gets while its advice is not followed (0: none), and the cell to enter. The cell
  // says so in its accessible name, which describing the sheet would overwrite.
  std::array<int, 6> hintDice_{};
  int hintPlayer_ = -1;
  TGadget* hintCell_ = nullptr;
  QString hintCellName_;
  // The note is no hint but says why none came or that the game was resumed: the person's
  // next action of any kind takes it away.
  bool noteUntilAction_ = false;
  // Sums every section of every sheet again, as each player's own actions do.
  void RefreshTotals();
  // Tab order of player p as the screen shows it: roll button, dice, the free cells section
  // by section and row by row, then "Eintragen".
  void ChainTabOrder(int player);
  // The arrow keys on player p's sheet: Up and Down along a column, Left and Right along a row,
  // past the cells already entered.
  void ChainArrowKeys(int player);
};

extern TApp* App;
extern int PlayerCount;
extern QString AppPath;
// The data folder as the bytes the system uses; AppPath is its readable form.
extern QByteArray AppDir;
extern TGuiFontPtr Font24;
extern TGuiFontPtr FontBold16;
extern TGuiFontPtr FontBold;
