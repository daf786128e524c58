#pragma once

// The referee of a game over the network: knows whose turn it is, how many throws are left,
// which cells of each seat are free and what each seat committed to for the next throw, and
// refuses every step that the rules do not allow. Pure; the link asks it before it sends a step
// of its own and before it takes one of the other computer's, and a resumed game is replayed
// through it step by step.
//
// A recorded step (what the app keeps, opaque to it):
//   throw: 'T', seat, holds, the thrower's tag (16), the reveals of seat 0 and seat 1 (32 each),
//          the commitments of seat 0 and seat 1 for the next throw (32 each)
//   entry: 'E', seat, row, column, the enterer's tag (16)

#include "net/protocol.h"
#include "sheet/rules.h"

#include <QByteArray>
#include <QString>
#include <array>

constexpr int NET_ROWS =
    NUMBER_ROWS + PASCH_ROWS + HOUSE_ROWS + STREET_ROWS + WUMMEL_ROWS + CHANCE_ROWS;
constexpr int NET_COLUMNS = 3;
constexpr int NET_CELLS = NET_ROWS * NET_COLUMNS;
constexpr int NET_THROWS_PER_TURN = 3;
constexpr int NET_THROW_STEP = 3 + NET_TAG + 4 * NET_HASH;
constexpr int NET_ENTRY_STEP = 4 + NET_TAG;

struct TNetStep {
  bool isThrow = false;
  int seat = 0;
  uint8_t holds = 0;
  int row = 0, column = 0;
  QByteArray tag;
  std::array<QByteArray, 2> reveal, next; // throws: by seat
  // What the tag of the step's seat covers.
  QByteArray Marked() const;
  QByteArray Encode() const;
  static bool Decode(const QByteArray& bytes, TNetStep& step, QString& error);
};

class TNetReferee
{
public:
  // A game from its token: the game's id and each seat's commitment for the first throw.
  bool Begin(const QByteArray& token, QString& error);
  static QByteArray MakeToken(const QByteArray& gameId, const QByteArray& commit0,
                              const QByteArray& commit1);

  // Whether the rules allow the step; empty when they do, else the German reason.
  QString CheckThrow(int seat, uint8_t holds) const;
  QString CheckEntry(int seat, int row, int column) const;
  // Takes a whole step: its rules, and for a throw both reveals against the commitments; then
  // the faces. false with the German reason when the step is impossible.
  bool Apply(const QByteArray& bytes, QString& error);

  const QByteArray& GameId() const { return gameId; }
  int Turn() const { return turn; }
  int ThrowsInTurn() const { return throwsInTurn; }
  uint32_t Throws() const { return throws; } // throws so far in the game: the next one's number
  uint32_t Steps() const { return steps; }
  const TFaces& Faces() const { return faces; }
  const QByteArray& Commit(int seat) const { return commit[size_t(seat & 1)]; }
  bool Free(int seat, int row, int column) const;
  bool IsOver() const { return filled[0] == NET_CELLS && filled[1] == NET_CELLS; }

private:
  QByteArray gameId;
  std::array<QByteArray, 2> commit;
  int turn = 0, throwsInTurn = 0;
  uint32_t throws = 0, steps = 0;
  TFaces faces{1, 1, 1, 1, 1, 1};
  std::array<std::array<bool, NET_CELLS>, 2> taken{};
  std::array<int, 2> filled{};
};
