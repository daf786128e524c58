// A copy of the game for the tests that run several of them at once: the real application
// object, files and main loop, with the end of a game already played. Its arguments, in order:
//   score N     the first player's grand total is N, entered into the list as at the end of a game
//   computer    the menu item "Gegen den Computer" (which saves)
//   save        a save during play, as closing the player dialog makes
//   play N      N actions of the first player (hold, throw, entry in turn), each followed by
//               "state <the game as shown>", then by "saved" once the record holds it
//   timed N     N such actions without waiting for the record, then "slowest <ms>": the
//               longest any of them kept the window busy
//   wait        prints "waiting", then waits for a line on standard input
//   offer PORT CODE, join HOST PORT CODE
//               a game over the network: offers it (printing "offering <port>") or joins it,
//               with the code; "resume" right after continues the open game of the record.
//               The copy then plays its own seat by itself through the window's events, prints
//               "connected <seat>" and "closed <sentence>", and, with "killafter N" given before,
//               kills itself once N steps of the game went over the link.
// It prints "record <game id>" and "state <the game as shown>" when it has started, and
// "notify <text>" for every message instead of showing a box; every question is answered yes.
// Then it prints "ready <pid> <names, joined by |> <1 when the computer plays, else 0>" and
// runs the main loop until it is ended like the game (SIGTERM ends and saves).

#include "app/app.h"
#include "app/computer.h"
#include "app/images.h"
#include "app/netgame.h"
#include "app/recorder.h"
#include "dice/dicefield.h"
#include "gui/driver.h"
#include "gui/event.h"
#include "gui/toolkit.h"
#include "net/link.h"
#include "sheet/cells.h"
#include "sheet/winpointfield.h"

#include <QElapsedTimer>
#include <sqlite3.h>

#include <QStringList>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace
{
class TPrintingDriver : public TSystemDriver
{
public:
  void Notify(const QString& text, int) override
  {
    std::printf("notify %s\n", text.toUtf8().replace('\n', ' ').constData());
    std::fflush(stdout);
  }
  int Confirm(const QString& text, int) override
  {
    std::printf("confirm %s\n", text.toUtf8().replace('\n', ' ').constData());
    std::fflush(stdout);
    return 1;
  }
};

void Emit(TGadget* source)
{
  TEvent event;
  event.id = EVENT_GADGETACTION;
  event.source = source;
  TEvent::Emit(event);
}

// The copy's own seat in a game over the network, played as a person would through the
// window's events: in a turn's first throw the sixes are held and the others thrown again, then
// the free cell that scores most is entered.
void PlayOwnSeat(TApp& app)
{
  TNetGame& net = *app.Net;
  if (!net.Connected() || app.PersonBlocked() || QueuedEvents() > 0) return;
  TDicefield& dice = *app.DiceField[size_t(net.OwnSeat())];
  if (dice.Count == 0) {
    for (int i = 1; i <= 6; ++i)
      if ((dice.Dice[size_t(i)] == 6) != (dice.Active[size_t(i)] != 0)) dice.Hold(i);
    Emit(dice.Button);
    return;
  }
  const TFaces faces = app.SummDices();
  TGadget* best = nullptr;
  int most = -1;
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      TGadget* cell = SheetCell(app, net.OwnSeat(), row, column);
      if (!cell || GadgetDisabled(cell) || RowPoints(row, faces) <= most) continue;
      most = RowPoints(row, faces);
      best = cell;
    }
  if (!best) return;
  if (app.Last != best) Emit(best);
  Emit(dice.Fill);
}

// A game over the network from the arguments at i; runs until the copy is ended.
[[noreturn]] void PlayOverNetwork(TApp& app, int argc, char** argv, int i, int killAfter)
{
  const bool offer = std::strcmp(argv[i], "offer") == 0;
  QString host;
  if (!offer) host = QString::fromLocal8Bit(argv[++i]);
  const uint16_t port = uint16_t(std::atoi(argv[++i]));
  const QString code = QString::fromLocal8Bit(argv[++i]);
  TNetSaved saved;
  const bool resume = i + 1 < argc && std::strcmp(argv[i + 1], "resume") == 0;
  if (resume && !app.Net->Resumable(saved)) {
    std::printf("nothing to resume\n");
    std::fflush(stdout);
  }
  app.Net->StepDelay = 0;
  const TNetResume resumeWith = resume ? TNetGame::ResumeOf(saved) : TNetResume();
  TNetLink& link = app.Net->NewLink();
  if (offer) {
    if (!link.Offer(port, code, app.PlayerName[0], resumeWith)) {
      std::printf("closed %s\n", link.Error().toUtf8().constData());
      std::fflush(stdout);
      std::exit(2);
    }
    std::printf("offering %d\n", int(link.Port()));
  } else {
    link.Join(host, port, code, app.PlayerName[0], resumeWith);
  }
  std::printf("ready %d %s %d\n", int(::getpid()), app.PlayerName[0].toLocal8Bit().constData(), 0);
  std::fflush(stdout);
  bool begun = false;
  for (;;) {
    WaitEvent();
    const TEvent event = CurrentEvent();
    if (!begun && app.Net->TakeConnected()) {
      begun = app.Net->Begin(resume ? &saved : nullptr);
      std::printf("connected %d\n", begun ? app.Net->OwnSeat() : -1);
      std::fflush(stdout);
    }
    QString sentence;
    if (!begun && app.Net->TakeClosed(sentence)) {
      std::printf("closed %s\n", sentence.toUtf8().constData());
      std::fflush(stdout);
    }
    app.Dispatch(event);
    if (killAfter > 0 && int(app.Net->Steps()) >= killAfter) {
      // As a power cut would: no save, no goodbye to the other computer.
      if (app.Record) app.Record->Flush();
      ::raise(SIGKILL);
    }
    if (begun) PlayOwnSeat(app);
  }
}

// The first player's sheet, dice, holds and throws, in one word.
QByteArray State(TApp& app)
{
  QByteArray state;
  const TSheetState sheet = SheetOf(app, 0);
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      if (!sheet.IsFree(row, column))
        state += QByteArray::number(row) + "." + QByteArray::number(column) + "=" +
                 QByteArray::number(sheet.Cell(row, column)) + ",";
  const TDicefield& dice = *app.DiceField[0];
  state += "dice:";
  for (int i = 1; i <= 6; ++i)
    state += char('0' + dice.Dice[size_t(i)]);
  state += ",held:";
  for (int i = 1; i <= 6; ++i)
    state += dice.Active[size_t(i)] ? '1' : '0';
  state += ",throws:" + QByteArray::number(dice.Count);
  return state;
}

// Action i of a turn: hold a die, throw, or enter the first free cell that scores.
void Act(TApp& app, int i)
{
  TDicefield& dice = *app.DiceField[0];
  const int step = i % 3;
  if (step == 0 && dice.Count < MAX_ROLLS) {
    dice.Hold(i % 6 + 1);
  } else if (step == 1 && dice.Count < MAX_ROLLS) {
    app.Act(dice.Button);
  } else {
    const TFaces faces = app.SummDices();
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int column = 0; column < SHEET_COLUMNS; ++column) {
        TGadget* cell = SheetCell(app, 0, row, column);
        if (GadgetDisabled(cell) || RowPoints(row, faces) == 0) continue;
        app.Act(cell);
        app.Act(dice.Fill);
        row = SHEET_ROWS;
        break;
      }
  }
  if (app.Record) app.Record->Observe();
}
} // namespace

int main(int argc, char** argv)
{
  RegisterImages();
  InitToolkit();
  SetSystemDriver(std::make_unique<TPrintingDriver>());
  static TApp app;
  app.Create();
  std::printf("record %lld\nstate %s\n", app.Record ? (long long)app.Record->Game() : 0LL,
              State(app).constData());
  int killAfter = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "killafter") == 0 && i + 1 < argc) {
      killAfter = std::atoi(argv[++i]);
    } else if ((std::strcmp(argv[i], "offer") == 0 && i + 2 < argc) ||
               (std::strcmp(argv[i], "join") == 0 && i + 3 < argc)) {
      PlayOverNetwork(app, argc, argv, i, killAfter);
    } else if (std::strcmp(argv[i], "score") == 0 && i + 1 < argc) {
      app.Winpointfield[0]->Bonus[GRAND_TOTAL]->SetText(argv[++i]);
      app.CheckScore();
    } else if (std::strcmp(argv[i], "computer") == 0) {
      app.ChooseComputer();
    } else if (std::strcmp(argv[i], "play") == 0 && i + 1 < argc) {
      const int n = std::atoi(argv[++i]);
      // The record's writer waits behind this connection's write lock until the state is
      // printed: a kill in its write then always comes after the state it writes was shown.
      sqlite3* gate = nullptr;
      sqlite3_open((AppDir + RECORD_FILE).constData(), &gate);
      for (int a = 0; a < n; ++a) {
        sqlite3_exec(gate, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        Act(app, a);
        std::printf("state %s\n", State(app).constData());
        std::fflush(stdout);
        sqlite3_exec(gate, "ROLLBACK", nullptr, nullptr, nullptr);
        if (app.Record) app.Record->Flush();
        std::printf("saved\n");
        std::fflush(stdout);
      }
    } else if (std::strcmp(argv[i], "timed") == 0 && i + 1 < argc) {
      const int n = std::atoi(argv[++i]);
      qint64 slowest = 0;
      for (int a = 0; a < n; ++a) {
        QElapsedTimer clock;
        clock.start();
        Act(app, a);
        slowest = std::max(slowest, clock.elapsed());
        std::printf("state %s\n", State(app).constData());
      }
      std::printf("slowest %lld\n", (long long)slowest);
      std::fflush(stdout);
    } else if (std::strcmp(argv[i], "wait") == 0) {
      // Until the test says go on (a line on standard input); the writing thread runs on.
      std::printf("waiting\n");
      std::fflush(stdout);
      char line[16];
      if (!std::fgets(line, sizeof line, stdin)) break;
    } else if (std::strcmp(argv[i], "save") == 0) {
      app.SaveGame();
      std::printf("saved\n");
    }
  }
  QStringList names;
  for (const QString& name : app.PlayerName)
    names << name;
  std::printf("ready %d %s %d\n", int(::getpid()), names.join('|').toLocal8Bit().constData(),
              app.ComputerPlays() ? 1 : 0);
  std::fflush(stdout);
  app.Start();
}
