#pragma once

// The messages two computers exchange in a game over the network: their bytes, a writer and a
// reader that takes every byte as hostile. Pure: no sockets, no Qt Network, no cryptography.
// The connection (net/link.cpp) frames, encrypts and sends what is written here, and reads
// back through ReadMessage alone.

#include <QByteArray>
#include <QString>
#include <cstdint>

// Bounds that every reader enforces.
constexpr int NET_VERSION = 1;
constexpr int NET_MAX_FRAME = 4096; // bytes of one frame on the wire, after its length prefix
constexpr int NET_MAX_NAME = 64;    // bytes of a player's name in UTF-8
constexpr int NET_MAX_STEPS = 1024; // steps of one game; a full game has 504 at most
constexpr int NET_HASH = 32;        // commitments, reveals, hashes, nonces
constexpr int NET_TAG = 16;         // a seat's mark on its own step
constexpr int NET_SALT = 16;        // the salt of the key made from the join code
constexpr int NET_GAME_ID = 16;     // the random part of a game's token
constexpr int NET_TOKEN = NET_GAME_ID + 2 * NET_HASH; // id and the first commitment of each seat

enum class TNetKind : uint8_t {
  // Before the key is agreed, in the clear.
  OfferHello = 0x10, // the offering side: protocol version, salt, nonce
  JoinProof = 0x11,  // the joining side: its nonce and proof that it knows the code
  OfferProof = 0x12, // the offering side proves the same
  Refuse = 0x13,     // the offering side refuses: wrong code, offer over, busy
  // Encrypted, once both sides have proven the code.
  Hello = 0x01,     // name, the game's token and what this side holds of it
  Throw = 0x02,     // the thrower: holds, its mark, its reveal and its next commitment
  Reveal = 0x03,    // the other side: its reveal and its next commitment
  Entry = 0x04,     // the enterer: row, column and its mark
  Ack = 0x05,       // an entry was taken
  KeepAlive = 0x06, // nothing happened for a while
  Bye = 0x07,       // the game or the connection ends
};

enum class TNetRefusal : uint8_t { WrongCode = 1, OfferOver = 2, Busy = 3 };
enum class TNetByeReason : uint8_t { Closed = 1, GameOver = 2, Fault = 3 };

// One message; which fields count depends on the kind.
struct TNetMessage {
  TNetKind kind = TNetKind::KeepAlive;
  // OfferHello, JoinProof, OfferProof
  int version = NET_VERSION;
  QByteArray salt, nonce, proof;
  uint8_t reason = 0; // Refuse, Bye
  // Hello
  QString name;
  uint8_t seat = 0;       // the seat this side plays: 0 or 1
  QByteArray token;       // empty or NET_TOKEN bytes: the game this side resumes
  QByteArray start;       // a new game: offer NET_GAME_ID + NET_HASH bytes, join NET_HASH
  uint32_t count = 0;     // steps this side holds
  QByteArray hashAll;     // of all those steps
  QByteArray hashButLast; // of all but the last
  QByteArray last;        // the last step itself (empty when none)
  // Throw, Reveal, Entry, Ack
  uint32_t index = 0; // the step this message makes
  uint8_t holds = 0;
  QByteArray tag, reveal, next;
  uint8_t row = 0, column = 0;
};

QByteArray WriteMessage(const TNetMessage& message);
// Reads one message. On failure returns false and says in German what was wrong with it.
bool ReadMessage(const QByteArray& bytes, TNetMessage& message, QString& error);
// Whether a kind may come before the key is agreed.
bool IsHandshake(TNetKind kind);
