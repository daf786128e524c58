// libFuzzer target: see fuzz/checks.h for the property. The seeds in fuzz/corpus/record were
// written by the game's own record code (a new record; games, actions and ends; a finished game
// waiting for the high-score list) and, for versions 1 and 2, by the tests' SQL for version 1 and
// the migration's SQL for version 2; each then got page size 512 and a VACUUM. The hostile
// records in fuzz/regressions/record were made by hand with SQLite: triggers and indexes the game
// never makes, huge strings, a game of a thousand actions, migrations that cannot end.

#include "fuzz/checks.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  // The records are written and synced for every input: in memory when the system has a folder
  // there.
  struct stat st {
  };
  if (!std::getenv("TMPDIR") && ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) &&
      ::access("/dev/shm", W_OK) == 0)
    setenv("TMPDIR", "/dev/shm", 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString fault = CheckRecordFile(bytes);
  if (!fault.isEmpty()) {
    std::fprintf(stderr, "%s\n", fault.toUtf8().constData());
    std::abort();
  }
  return 0;
}
