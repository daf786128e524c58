#pragma once

// The computer as the second player. It plays its turns where the person can follow them, one
// step per tick of a one-shot timer: a throw, the dice it keeps turning blue, the cell it chooses
// showing its points, the entry. Each step goes through the same gadget actions as a person's
// clicks. Owned by TApp, whose main loop hands it the timer's ticks and, after every event, lets
// it keep a tick pending exactly while the computer is at the turn, so that nothing runs while
// the program waits for a person.

#include "ai/player.h"

#include <QString>
#include <array>
#include <memory>
#include <optional>

class TApp;
class TGadget;

extern const char* const COMPUTER_NAME; // "Computer"
// The questions before the computer joins or leaves a game under way, or takes a person's seat.
extern const char* const COMPUTER_ON_QUESTION;
extern const char* const COMPUTER_OFF_QUESTION;
QString ComputerReplacesQuestion(const QString& person, bool underWay);
// The question before another strength ends a game under way against the computer.
QString LevelQuestion(const QString& level);
// The speeds of the computer's turns, "Tempo" in the menu, and the time between two steps of
// each; the names are those of the choice file.
enum class TSpeed { Langsam, Normal, Schnell };
constexpr int COMPUTER_STEP_MS = 500; // Normal
constexpr int StepTime(TSpeed speed)
{
  return speed == TSpeed::Langsam ? 1000 : speed == TSpeed::Schnell ? 150 : COMPUTER_STEP_MS;
}
const char* SpeedName(TSpeed speed);
// Any spelling of case; none for a name this version does not know.
std::optional<TSpeed> SpeedFromName(const QString& name);

// Player p's sheet as the screen shows it, and the cell at a row (0 to 20, in sheet order) and
// column (0 to 2) of it; the computer and the hint read the sheet through these.
TSheetState SheetOf(TApp& app, int player);
TGadget* SheetCell(TApp& app, int player, int row, int column);

class TComputer
{
public:
  explicit TComputer(TApp& app);
  ~TComputer();
  TComputer(const TComputer&) = delete;
  TComputer& operator=(const TComputer&) = delete;

  // Whether the second player is the computer.
  bool Plays = false;
  // Milliseconds between two steps, the speed's; tests shorten it.
  int StepDelay = COMPUTER_STEP_MS;
  TSpeed Speed() const { return speed_; }
  void SetSpeed(TSpeed speed);

  // The strength it plays at. Changed while it plays, the change holds from its next decision:
  // the player for the new strength is built at once, outside any step.
  TLevel Level() const { return level_; }
  void SetLevel(TLevel level);
  // Builds the player of its strength unless it is built: when the computer is switched on and
  // at start-up when it is on, so that no decision of its turn waits for the tables.
  void Prepare();
  // The player its next decision uses; none before Prepare.
  const TPlayer* Ready() const;
  // The player of any strength, built when first asked for (the hint asks for "Stark").
  const TPlayer& PlayerFor(TLevel level);

  bool AtTurn() const;
  // Starts the timer when the computer is at the turn and no tick is on its way (a dialog's
  // loop may have taken one), stops it when the computer is not.
  void Schedule();
  // Handles a timer tick; false when it was not the computer's.
  bool Tick(int handle);
  // Stops the timer; for the end of the application object.
  void Stop();

private:
  void Step();

  TApp& app_;
  TLevel level_ = TLevel::Stark;
  TSpeed speed_ = TSpeed::Normal;
  std::array<std::unique_ptr<const TPlayer>, 3> players_;
  int timer_ = 0;
  // The holds chosen in this turn and the roll count they were chosen at: the next step throws.
  THolds chosen_{};
  int chosenAt_ = -1;
};
