// The record as the rest of the game reads it: the statistics, a game of the history, the
// finished games whose high-score entries wait, the problems said to the player, and the game
// shown as the record holds it.

#include "app/recorder.h"

#include "app/app.h"
#include "app/computer.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "gui/driver.h"
#include "sheet/cells.h"
#include "store/ownerrights.h"

#include <QFile>

namespace
{
// How long the high-score list waits for the record to take a game's listing.
constexpr int LISTING_WAIT_MS = 1000;
} // namespace

QString RecordProblemText(TRecordProblem problem)
{
  const QString file = QString::fromLatin1(RECORD_FILE + 1);
  switch (problem) {
  case TRecordProblem::None:
    return QString();
  case TRecordProblem::Locked:
    return "Die Spielchronik " + file +
           " ist gerade anderweitig gesperrt, darum spielt Wurfwummel diesmal ohne Fortsetzen "
           "und ohne Statistik.";
  case TRecordProblem::ReadOnly:
    return "Die Spielchronik " + file +
           " ist schreibgeschützt, darum spielt Wurfwummel diesmal ohne Fortsetzen und ohne "
           "Statistik.";
  case TRecordProblem::Newer:
    return "Die Spielchronik " + file +
           " stammt von einer neueren Wurfwummel-Version, darum spielt Wurfwummel diesmal ohne "
           "Fortsetzen und ohne Statistik.";
  case TRecordProblem::Unwritable:
    return "Die Spielchronik " + file +
           " kann gerade nicht geschrieben werden, weil der Datenträger voll oder "
           "schreibgeschützt ist, darum spielt Wurfwummel diesmal ohne Fortsetzen und ohne "
           "Statistik.";
  case TRecordProblem::Foreign:
  case TRecordProblem::Unreadable:
    break;
  }
  return "Die Spielchronik " + file +
         " ist beschädigt oder keine Wurfwummel-Datei, darum spielt Wurfwummel diesmal ohne "
         "Fortsetzen und ohne Statistik.";
}

QString RecordTroubleText(TRecordProblem trouble)
{
  const QString file = QString::fromLatin1(RECORD_FILE + 1);
  if (trouble == TRecordProblem::Locked)
    return "Die Spielchronik " + file +
           " ist gerade anderweitig gesperrt; Wurfwummel behält die Züge so lange "
           "im Speicher und trägt sie ein, sobald die Sperre aufgehoben ist.";
  return "Die Spielchronik " + file +
         " kann gerade nicht geschrieben werden, weil der Datenträger voll oder schreibgeschützt "
         "ist; Wurfwummel behält die Züge so lange im Speicher und trägt sie ein, sobald es "
         "wieder geht.";
}

TRecordDb* TRecorder::Reader()
{
  if (!writer_) return nullptr;
  const TOwnerRights rights;
  if (!reader_) {
    // Made by the writing thread at the first start: it is there once the writer is done.
    writer_->Flush();
    reader_ = TRecordDb::Open(path_, START_BUSY_MS, problem_);
  }
  return reader_.get();
}

bool TRecorder::ReadStatistics(TStatistics& stats)
{
  const TOwnerRights rights; // SQLite opens its journal files on the first read
  TRecordDb* reader = Reader();
  return reader && reader->ReadStatistics(stats);
}

std::vector<TAction> TRecorder::ActionsToAnalyse()
{
  // A game just begun has nothing decided yet: the one before it tells more.
  for (const TAction& action : actions_)
    if (action.kind == TActionKind::Hold || action.kind == TActionKind::Entry ||
        (action.kind == TActionKind::Throw && action.roll > 0))
      return actions_;
  if (!finished_.empty()) return finished_;
  // Finished in an earlier run: the record has it, the newest first.
  std::vector<TStatsRow> rows;
  std::vector<TAction> actions;
  if (FinishedGames(0, 1, rows) && !rows.empty() && LoadGame(rows[0].game, actions))
    return actions;
  return actions_;
}

bool TRecorder::LoadGame(int64_t id, std::vector<TAction>& actions)
{
  const TOwnerRights rights; // SQLite opens its journal files on the first read
  TRecordDb* reader = Reader();
  if (!reader) return false;
  // The game's last actions may still be on their way to the disk.
  writer_->Flush();
  return reader->LoadActions(id, actions);
}

bool TRecorder::FinishedGames(std::vector<TStatsRow>& rows)
{
  const TOwnerRights rights; // SQLite opens its journal files on the first read
  TRecordDb* reader = Reader();
  return reader && reader->StatsRows(rows);
}

bool TRecorder::FinishedGames(int skip, int count, std::vector<TStatsRow>& rows)
{
  const TOwnerRights rights; // SQLite opens its journal files on the first read
  TRecordDb* reader = Reader();
  return reader && reader->FinishedPage(skip, count, rows);
}

void TApp::OpenRecord()
{
  Record = std::make_unique<TRecorder>(*this);
  Record->Start();
  // Games finished in a run that ended before their entries reached the list get them now.
  ListFinishedGames();
  // Said once, and only about a file that is there but cannot be used; a folder where nothing
  // can be written is as silent as for the other files.
  if (Record->Problem() != TRecordProblem::None) {
    if (QFile::exists(AppPath + RECORD_FILE) || QFile::symLinkTarget(AppPath + RECORD_FILE) != "")
      Notify(RecordProblemText(Record->Problem()));
  }
  // A game resumed in the computer's turn goes on with the computer playing.
  if (Computer) Computer->Schedule();
}

bool TApp::ShowGame(const TGameState& state)
{
  if (int(state.seats.size()) != PlayerCount || int(DiceField.size()) != PlayerCount) return false;
  Last = nullptr;
  const int turn = state.turn;
  bool changed = false;
  for (int p = 0; p < PlayerCount; ++p) {
    const TSeatState& seat = state.seats[size_t(p)];
    const size_t i = size_t(p);
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int column = 0; column < SHEET_COLUMNS; ++column) {
        TGadget* cell = SheetCell(*this, p, row, column);
        if (!cell) return false;
        // A start's sheets are empty: only what the record changes is touched.
        if (seat.sheet.IsFree(row, column)) {
          if (!GadgetDisabled(cell) && cell->GetText() == CELL_FREE) continue;
          cell->SetText(CELL_FREE);
          cell->SetEnabled(1);
        } else {
          cell->SetText(QString::number(seat.sheet.Cell(row, column)));
          cell->SetEnabled(0);
        }
        changed = true;
      }
    TDicefield& dice = *DiceField[i];
    dice.Count = seat.rolls;
    for (int d = 1; d <= DICE; ++d) {
      dice.Dice[size_t(d)] = seat.dice[size_t(d - 1)];
      dice.Active[size_t(d)] = seat.holds[size_t(d - 1)] ? 1 : 0;
    }
    dice.Button->SetEnabled(seat.rolls < MAX_ROLLS ? 1 : 0);
    dice.Fill->SetEnabled(0);
    for (int d = 1; d <= DICE; ++d)
      dice.ShowDie(d);
    if (!changed) continue;
    // The sums and totals follow the cells, as after the player's own last action.
    CurrentPlayer = p;
    ForScoringSections(*this, i, [](auto& section) {
      if constexpr (requires { section.Refresh(); }) section.Refresh();
    });
    Winpointfield[i]->Procedure(TEvent());
  }
  for (int p = 0; p < PlayerCount; ++p) {
    CurrentPlayer = p;
    UpdateOpponentLine();
  }
  CurrentPlayer = turn == 0 ? 1 : 0;
  if (PlayerCount == 1) CurrentPlayer = 0;
  ShowTurn(turn);
  if (changed) Describe();
  return true;
}

std::vector<TRecordDb::TUnlisted> TRecorder::Unlisted()
{
  std::vector<TRecordDb::TUnlisted> games, free;
  // A record made by this start has no finished games, and the window does not wait for its
  // tables.
  if (!writer_ || (!reader_ && fresh_)) return free;
  const TOwnerRights rights;
  TRecordDb* reader = Reader();
  // A game that the start ended is read once its end is on disk.
  if (!reader || (lastFinished_ != 0 && !writer_->Flush(LISTING_WAIT_MS)) ||
      !reader->Unlisted(games))
    return free;
  for (TRecordDb::TUnlisted& game : games)
    if (!locks_->HeldElsewhere(game.game)) free.push_back(std::move(game));
  return free;
}

void TRecorder::Listing(const std::vector<int64_t>& games, const std::string& digest)
{
  if (!writer_ || games.empty()) return;
  for (int64_t id : games) {
    locks_->Keep(id);
    writer_->Post([id, digest](TRecordDb& db) { return db.SetListing(id, digest); });
  }
  // On disk before the score file changes: should the process die in between, the next start
  // tells by the digest whether the file was written.
  writer_->Flush(LISTING_WAIT_MS);
}

void TRecorder::Listed(const std::vector<int64_t>& games)
{
  if (!writer_ || games.empty()) return;
  for (int64_t id : games) {
    writer_->Post([id](TRecordDb& db) { return db.SetListed(id); });
    locks_->Drop(id);
    if (id == lastFinished_) lastFinished_ = 0;
  }
  writer_->Flush(LISTING_WAIT_MS);
}
