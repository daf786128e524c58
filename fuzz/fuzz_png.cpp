// libFuzzer target: see fuzz/checks.h for the property.

#include "fuzz/checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString fault = CheckPng(bytes);
  if (!fault.isEmpty()) {
    std::fprintf(stderr, "%s\n", fault.toUtf8().constData());
    std::abort();
  }
  return 0;
}
