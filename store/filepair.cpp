#include "store/filepair.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QByteArray JOURNAL_HEADER = "wurfwummel pair 1\n";
const QByteArray JOURNAL_END = "end\n";

QByteArray NameOf(const QByteArray& path)
{
  return path.mid(path.lastIndexOf('/') + 1);
}

TFilePair::TView::TId IdOf(const QByteArray& path)
{
  TFilePair::TView::TId id;
  struct stat st {
  };
  if (::lstat(path.constData(), &st) != 0) return id;
  id.exists = true;
  id.dev = st.st_dev;
  id.ino = st.st_ino;
  id.size = st.st_size;
  id.mtime = st.st_mtim;
  id.ctime = st.st_ctim;
  return id;
}

bool SameTime(const timespec& a, const timespec& b)
{
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}
} // namespace

bool TFilePair::TView::TId::operator==(const TId& o) const
{
  return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
         SameTime(mtime, o.mtime) && SameTime(ctime, o.ctime);
}

QByteArray WriteJournal(const std::vector<QByteArray>& names, const TParts& parts)
{
  QByteArray bytes = JOURNAL_HEADER;
  for (size_t i = 0; i < names.size(); ++i) {
    bytes += names[i] + ' ';
    if (i < parts.size() && parts[i])
      bytes += QByteArray::number(parts[i]->size()) + '\n' + *parts[i] + '\n';
    else
      bytes += "-\n";
  }
  return bytes + JOURNAL_END;
}

bool ParseJournal(const QByteArray& bytes, const std::vector<QByteArray>& names, TParts& parts)
{
  if (!bytes.startsWith(JOURNAL_HEADER)) return false;
  qsizetype pos = JOURNAL_HEADER.size();
  TParts read(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    const QByteArray head = names[i] + ' ';
    if (bytes.mid(pos, head.size()) != head) return false;
    pos += head.size();
    const qsizetype eol = bytes.indexOf('\n', pos);
    if (eol < 0) return false;
    const QByteArray count = bytes.mid(pos, eol - pos);
    pos = eol + 1;
    if (count == "-") continue;
    bool ok = false;
    const qlonglong size = count.toLongLong(&ok);
    // Digits only, as the journal writes them.
    if (!ok || size < 0 || count != QByteArray::number(size) || size > bytes.size() - pos - 1)
      return false;
    read[i] = bytes.mid(pos, qsizetype(size));
    pos += qsizetype(size);
    if (bytes[pos] != '\n') return false;
    ++pos;
  }
  if (bytes.mid(pos) != JOURNAL_END) return false;
  parts = read;
  return true;
}

QByteArray WritePairJournal(const std::array<QByteArray, 2>& names, const TPairParts& parts)
{
  return WriteJournal({names[0], names[1]}, {parts[0], parts[1]});
}

bool ParsePairJournal(const QByteArray& bytes, const std::array<QByteArray, 2>& names,
                      TPairParts& parts)
{
  TParts read;
  if (!ParseJournal(bytes, {names[0], names[1]}, read)) return false;
  parts = {read[0], read[1]};
  return true;
}

TFilePair::TFilePair(const QByteArray& journal, const std::array<QByteArray, 2>& paths)
    : journal_(journal), paths_(paths), names_{NameOf(paths[0]), NameOf(paths[1])}
{
}

bool TFilePair::ReadJournal(TPairParts& parts) const
{
  QByteArray bytes;
  if (ReadFileHead(journal_, PAIR_JOURNAL_LIMIT + 1, bytes) != TFileState::Read) return false;
  return bytes.size() <= PAIR_JOURNAL_LIMIT && ParsePairJournal(bytes, names_, parts);
}

TFilePair::TView TFilePair::Begin() const
{
  TView view;
  view.journal = ReadJournal(view.parts);
  if (!view.journal)
    for (size_t i = 0; i < paths_.size(); ++i)
      view.ids[i] = IdOf(paths_[i]);
  return view;
}

bool TFilePair::Consistent(const TView& view) const
{
  // Read from a journal: that is the pair, whatever the files hold. Otherwise no journal may
  // have come meanwhile, and neither file may have been replaced.
  if (view.journal) return true;
  TPairParts ignored;
  if (ReadJournal(ignored)) return false;
  for (size_t i = 0; i < paths_.size(); ++i)
    if (!(IdOf(paths_[i]) == view.ids[i])) return false;
  return true;
}

void TFilePair::Apply(const TPairParts& parts) const
{
  bool done = true;
  for (size_t i = 0; i < paths_.size(); ++i) {
    if (!parts[i]) continue;
    QByteArray now;
    if (ReadFileHead(paths_[i], parts[i]->size() + 1, now) == TFileState::Read && now == *parts[i])
      continue;
    done = WriteFileSafely(paths_[i], *parts[i]) && done;
  }
  // A journal that could not be carried out stays: it is still what the pair holds.
  if (done) RemoveFile(journal_);
}

bool TFilePair::Write(const TPairParts& parts, size_t first) const
{
  TPairParts pending;
  const bool journal = ReadJournal(pending);
  const int changes = int(bool(parts[0])) + int(bool(parts[1]));
  if (!journal) {
    if (changes == 0) return true;
    if (changes == 1) {
      const size_t i = parts[0] ? 0 : 1;
      return WriteFileSafely(paths_[i], *parts[i]);
    }
  }
  // An unfinished journal holds the pair as it is now: what this save leaves alone is taken
  // from it, so that the new journal holds all of the pair's new state.
  for (size_t i = 0; i < parts.size(); ++i)
    if (parts[i]) pending[i] = parts[i];
  if (!WriteFileSafely(journal_, WritePairJournal(names_, pending))) {
    // No journal: there is none to finish either (only a readable one is one), so each file is
    // replaced on its own, in the order asked for.
    if (journal) return false;
    // The second only after the first: the other way round is the state half-way to avoid.
    for (size_t k = 0; k < pending.size(); ++k) {
      const size_t i = (first + k) % pending.size();
      if (pending[i] && !WriteFileSafely(paths_[i], *pending[i])) return false;
    }
    return true;
  }
  Apply(pending);
  return true;
}

void TFilePair::Finish() const
{
  TPairParts pending;
  if (ReadJournal(pending)) Apply(pending);
}
