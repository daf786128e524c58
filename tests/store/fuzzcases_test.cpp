#include "fuzz/checks.h"
#include "tests/support/support.h"

#include <QDir>
#include <QFileInfo>

namespace
{
// Every seed and every input that once found a fault, from the files in the tree.
void CheckAll(const QString& target, QString (*check)(const QByteArray&))
{
  int files = 0;
  for (const char* room : {"/corpus/", "/regressions/"}) {
    const QDir dir(QString(WW_FUZZ_DIR) + room + target);
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files)) {
      EXPECT_EQ(check(ReadAll(file.filePath())), QString()) << file.filePath().toStdString();
      ++files;
    }
  }
  EXPECT_GT(files, 2) << target.toStdString();
}
} // namespace

TEST(FuzzCases, ScoreFilesReadStably)
{
  CheckAll("scores", CheckScoreFile);
}

TEST(FuzzCases, SettingsFilesReadStably)
{
  CheckAll("settings", CheckSettingsFile);
}

TEST(FuzzCases, PicturesLoadOrAreRefused)
{
  CheckAll("png", CheckPng);
}
