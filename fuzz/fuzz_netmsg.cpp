// libFuzzer target: see fuzz/netcheck.h for the property.

#include "fuzz/netcheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString fault = CheckNetBytes(bytes);
  if (!fault.isEmpty()) {
    std::fprintf(stderr, "%s\n", fault.toUtf8().constData());
    std::abort();
  }
  return 0;
}
