#include "fuzz/checks.h"
#include "gui/pixmap.h"
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

TEST(FuzzCases, RecordsAreReadOrLeftAsTheyWere)
{
  CheckAll("record", CheckRecordFile);
}

// A picture of 1,000,000 x 537 pixels once overflowed a size computation and aborted.
TEST(FuzzCases, AbsurdPictureSizesAreRefused)
{
  const QString dir = QString(WW_FUZZ_DIR) + "/regressions/png/";
  for (const char* name : {"wide.png", "tall.png"})
    EXPECT_EQ(LoadPixmapPNG(dir + name), nullptr) << name;
  EXPECT_EQ(TPixmap::Create(1000000, 537, PF_RGBA8888), nullptr);
  EXPECT_EQ(TPixmap::Create(16385, 1, PF_I8), nullptr);
  EXPECT_EQ(TPixmap::Create(8192, 8192, PF_RGBA8888), nullptr); // beyond the pixel count
  ASSERT_NE(TPixmap::Create(16384, 2, PF_RGBA8888), nullptr);
  EXPECT_NE(LoadPixmapPNG(QString(WW_FUZZ_DIR) + "/corpus/png/tiny.png"), nullptr);
}
