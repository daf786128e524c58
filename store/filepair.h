#pragma once

// Two files of the data folder that must never disagree: the player names and the computer
// choice. A save that changes only one of them replaces that file, which is one step. A save
// that changes both first writes the new contents of both into a journal file and renames it
// into place: that rename is the moment of the change. Then each file is replaced and the
// journal removed. While a journal is there, it is what the pair holds, for every reader; the
// next save or start finishes it. So after a crash at any point the pair shows either the
// state before or the state after the change. The files' own formats stay as they are.

#include "store/safefile.h"

#include <QByteArray>
#include <array>
#include <optional>
#include <vector>

// New contents for each file of the pair; none leaves that file as it is.
using TPairParts = std::array<std::optional<QByteArray>, 2>;

// The journal's bytes, and back; the names are the two files' names in the folder.
QByteArray WritePairJournal(const std::array<QByteArray, 2>& names, const TPairParts& parts);
// False for anything that is not a whole journal for exactly these names.
bool ParsePairJournal(const QByteArray& bytes, const std::array<QByteArray, 2>& names,
                      TPairParts& parts);
// The same format for any number of files, as a copy's kept-aside file uses it.
using TParts = std::vector<std::optional<QByteArray>>;
QByteArray WriteJournal(const std::vector<QByteArray>& names, const TParts& parts);
bool ParseJournal(const QByteArray& bytes, const std::vector<QByteArray>& names, TParts& parts);

class TFilePair
{
public:
  // The journal and the two files, as paths.
  TFilePair(const QByteArray& journal, const std::array<QByteArray, 2>& paths);

  // A reading of the pair. Begin, then read each file whose Part is none from disk, then ask
  // Consistent: false means another copy changed the pair meanwhile, so read it again.
  struct TView {
    TPairParts parts; // the journal's contents, while there is one
    struct TId {
      bool exists = false;
      dev_t dev = 0;
      ino_t ino = 0;
      off_t size = 0;
      timespec mtime{}, ctime{};
      bool operator==(const TId& o) const;
    };
    std::array<TId, 2> ids{};
    bool journal = false;
  };
  TView Begin() const;
  bool Consistent(const TView& view) const;

  // Gives the files the parts that are set, both visible at once. The caller holds the
  // folder's lock. False when nothing could be committed; the pair then is as before.
  //
  // Where no journal can be written (something that cannot be replaced stands at its name, a
  // folder say), the two files are replaced one after the other, the file first first: the
  // caller chooses the order whose state half-way is harmless.
  bool Write(const TPairParts& parts, size_t first = 0) const;
  // Finishes a journal that an interrupted save left; the caller holds the folder's lock.
  void Finish() const;

private:
  bool ReadJournal(TPairParts& parts) const;
  // Replaces each file whose part is set and differs, then removes the journal.
  void Apply(const TPairParts& parts) const;
  QByteArray journal_;
  std::array<QByteArray, 2> paths_;
  std::array<QByteArray, 2> names_;
};

// How many bytes a journal may hold; more is not one of the game's.
constexpr qsizetype PAIR_JOURNAL_LIMIT = 64 * 1024;
