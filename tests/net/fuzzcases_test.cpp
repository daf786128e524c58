// Every seed of the network fuzz target and every input that once found a fault, through the
// same property check (fuzz/netcheck.h).

#include "fuzz/netcheck.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(NetFuzzCases, SeedsAndRegressionsKeepTheProperty)
{
  int files = 0;
  for (const char* folder : {"corpus/netmsg", "regressions/netmsg"}) {
    const QDir dir(QStringLiteral(WW_FUZZ_DIR "/") + QLatin1String(folder));
    for (const QString& name : dir.entryList(QDir::Files)) {
      QFile file(dir.filePath(name));
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      EXPECT_EQ(CheckNetBytes(file.readAll()).toStdString(), "") << name.toStdString();
      ++files;
    }
  }
  EXPECT_GE(files, 16);
}
