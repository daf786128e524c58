// The names and the computer choice changing together, the folder lock as one copy sees it,
// files that are not written when nothing changed, and score files as an editor leaves them.

#include "forms/highscoreform.h"
#include "sheet/winpointfield.h"
#include "store/filepair.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "store/safefile.h"
#include "store/scorefile.h"
#include "tests/support/support.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{
const std::array<QByteArray, 2> NAMES = {"wurfwummel.cfg", "wurfwummel.cpu"};

class Pair : public TWithApp
{
protected:
  QByteArray Path(const char* file) const { return QFile::encodeName(DataPath()) + file; }
  TFilePair Files() const
  {
    return TFilePair(Path("/wurfwummel.new"), {Path("/wurfwummel.cfg"), Path("/wurfwummel.cpu")});
  }
  ino_t Inode(const char* file) const
  {
    struct stat st {
    };
    return ::stat(Path(file).constData(), &st) == 0 ? st.st_ino : 0;
  }
  // Another copy in the middle of its save: it holds the folder's lock.
  int HoldLock() const
  {
    const int fd = ::open(Path("/wurfwummel.lock").constData(), O_RDWR | O_CREAT, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX), 0);
    return fd;
  }
};
} // namespace

TEST(PairJournal, ReadsBackWhatItWroteAndRefusesAnythingElse)
{
  const TPairParts both = {QByteArray("Anna\r\nComputer\r\n"), QByteArray("1\r\n\0x", 5)};
  const TPairParts one = {std::nullopt, QByteArray()};
  for (const TPairParts& parts : {both, one}) {
    const QByteArray bytes = WritePairJournal(NAMES, parts);
    TPairParts read;
    ASSERT_TRUE(ParsePairJournal(bytes, NAMES, read));
    EXPECT_EQ(read, parts);
    // Every cut, a byte more, other file names: none is a journal.
    for (qsizetype cut = 0; cut < bytes.size(); ++cut)
      EXPECT_FALSE(ParsePairJournal(bytes.left(cut), NAMES, read)) << cut;
    EXPECT_FALSE(ParsePairJournal(bytes + "x", NAMES, read));
    EXPECT_FALSE(ParsePairJournal(bytes, {"wurfwummel.cfg", "other"}, read));
  }
  TPairParts read;
  EXPECT_FALSE(
      ParsePairJournal("wurfwummel pair 1\nwurfwummel.cfg 99999999999999999999\n", NAMES, read));
  EXPECT_FALSE(ParsePairJournal("wurfwummel pair 1\nwurfwummel.cfg -1\n", NAMES, read));
}

// Killed after the journal was renamed into place: every reader takes the journal, and the next
// save or start carries it out.
TEST_F(Pair, AJournalLeftByACrashIsThePairUntilItIsCarriedOut)
{
  ASSERT_TRUE(MakeFolders(Path("")));
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cfg", "Spieler1\r\n"));
  const TPairParts after = {QByteArray("Spieler1\r\nComputer\r\n"), QByteArray("1\r\nstark\r\n")};
  ASSERT_TRUE(WriteFileSafely(Path("/wurfwummel.new"), WritePairJournal(NAMES, after)));
  const TFilePair::TView view = Files().Begin();
  EXPECT_TRUE(view.journal);
  EXPECT_EQ(view.parts, after);
  StartApp(); // finishes it
  EXPECT_EQ(app_->PlayerName, (std::vector<QString>{"Spieler1", "Computer"}));
  EXPECT_TRUE(app_->ComputerPlays());
  EXPECT_FALSE(QFile::exists(DataPath() + "/wurfwummel.new"));
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), after[0]);
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cpu"), after[1]);
  // A reading that another copy's save overtook is seen as such.
  const TFilePair::TView old = Files().Begin();
  EXPECT_TRUE(Files().Consistent(old));
  ASSERT_TRUE(WriteFileSafely(Path("/wurfwummel.cpu"), "0\r\n"));
  EXPECT_FALSE(Files().Consistent(old));
}

TEST_F(Pair, OneChangedFileIsWrittenAloneAndTwoThroughTheJournal)
{
  StartApp();
  const ino_t cfg = Inode("/wurfwummel.cfg");
  app_->ChooseComputer(); // both change
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Spieler1\r\nComputer\r\n"));
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cpu"), QByteArray("1\r\nstark\r\n"));
  EXPECT_FALSE(QFile::exists(DataPath() + "/wurfwummel.new"));
  EXPECT_NE(Inode("/wurfwummel.cfg"), cfg);
  const ino_t cpu = Inode("/wurfwummel.cpu");
  app_->PlayerName[0] = "Anna"; // only the names change
  app_->SaveGame();
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Anna\r\nComputer\r\n"));
  EXPECT_EQ(Inode("/wurfwummel.cpu"), cpu);
}

// The names file was rewritten by every save, even by a start as root that changed nothing.
TEST_F(Pair, FilesThatWouldNotChangeAreNotWritten)
{
  ASSERT_TRUE(MakeFolders(Path("")));
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cfg", "Anna\nBerta")); // an editor's line ends
  StartApp();
  const ino_t cfg = Inode("/wurfwummel.cfg"), scr = Inode("/wurfwummel.scr");
  app_->SaveGame();
  app_->Quit();
  EXPECT_EQ(Inode("/wurfwummel.cfg"), cfg);
  EXPECT_EQ(Inode("/wurfwummel.scr"), scr);
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Anna\nBerta"));
  EXPECT_FALSE(QFile::exists(DataPath() + "/wurfwummel.cpu"));
}

// Every save waited up to 2 s for the lock and start-up 4.2 s, the window frozen, and then
// wrote without it. Now start-up and saves during play leave the files to a later save.
TEST_F(Pair, WhileAnotherCopySavesStartUpAndSavesDuringPlayLeaveTheFilesAlone)
{
  ASSERT_TRUE(MakeFolders(Path("")));
  const int held = HoldLock();
  StartApp(); // a first start: it would write both files at once
  EXPECT_FALSE(QFile::exists(DataPath() + "/wurfwummel.cfg"));
  EXPECT_FALSE(QFile::exists(DataPath() + "/wurfwummel.scr"));
  app_->Winpointfield[0]->Bonus[GRAND_TOTAL]->SetText("250");
  ASSERT_TRUE(app_->CheckScore());
  app_->PlayerName[0] = "Anna";
  app_->SaveGame();
  EXPECT_FALSE(QFile::exists(DataPath() + "/wurfwummel.cfg"));
  ::close(held);
  app_->SaveGame();
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Anna\r\n"));
  const std::vector<QString> list = ParseScoreFile(ReadAll(DataPath() + "/wurfwummel.scr"));
  ASSERT_EQ(list.size(), 20u);
  EXPECT_EQ(RC4(list[0], ScoreKey), "250,Spieler1"); // entered before the name changed
}

// The copy that ends waits for the other copy's save with its window gone, then saves.
TEST_F(Pair, TheEndingCopyWaitsForTheOtherSaveWithoutItsWindow)
{
  StartApp();
  app_->Winpointfield[0]->Bonus[GRAND_TOTAL]->SetText("250");
  ASSERT_TRUE(app_->CheckScore());
  const int held = HoldLock();
  std::atomic<bool> released{false};
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // The other copy's save writes its own entry before it lets go.
    std::vector<QString> list = ParseScoreFile(ReadAll(DataPath() + "/wurfwummel.scr"));
    InsertScore(list, 500, "Andere");
    WriteFileSafely(Path("/wurfwummel.scr"), WriteScoreFile(list));
    released = true;
    ::close(held);
  });
  app_->Quit();
  const bool waited = released;
  other.join();
  EXPECT_TRUE(waited);
  EXPECT_EQ(driver_->exits, std::vector<int>{0});
  EXPECT_TRUE(GadgetHidden(app_->Window));
  const std::vector<QString> list = ParseScoreFile(ReadAll(DataPath() + "/wurfwummel.scr"));
  ASSERT_EQ(list.size(), 20u);
  EXPECT_EQ(RC4(list[0], ScoreKey), "500,Andere");
  EXPECT_EQ(RC4(list[1], ScoreKey), "250,Spieler1");
}

// A score file that ends with an empty line, as an editor leaves it, showed the 20th name with
// two stray characters. Whatever the length of the 20th record, the empty line is no part of
// it, and the next save drops it; a record whose own last byte is a line feed still reads whole.
TEST_F(Pair, AnEditorsEmptyLastLineIsNoPartOfTheTwentiethRecord)
{
  const QString keystream = RC4(QString(256, QChar(0)), ScoreKey);
  int endsInLineFeed = 0;
  for (int length = 1; length <= 40; ++length) {
    QString name = QString(length, 'z');
    // Where the keystream allows it, a name whose record's last byte is scrambled to LF.
    const int last = 4 + length - 1; // "123," and the name
    const ushort lf = ushort('\n' ^ keystream[last].unicode());
    const bool lineFeed = length % 2 == 0 && lf >= 0x20 && lf < 0x7F;
    if (lineFeed) name[length - 1] = QChar(lf);
    std::vector<QString> list(SCORE_ENTRIES - 1, RC4(ScoreRecord(900, "Erster"), ScoreKey));
    list.push_back(RC4(ScoreRecord(123, name), ScoreKey));
    endsInLineFeed += list.back().endsWith('\n') ? 1 : 0;
    const QByteArray file = WriteScoreFile(list);
    for (const QByteArray& extra : {QByteArray("\r\n"), QByteArray("\n")}) {
      EXPECT_EQ(ParseScoreFile(file + extra), list) << length;
      EXPECT_EQ(WriteScoreFile(ParseScoreFile(file + extra)), file) << length;
    }
    // Empty lines between records are no records either.
    EXPECT_EQ(ParseScoreFile(WriteScoreFile({list[0]}) + "\r\n\n" + WriteScoreFile({list[1]})),
              (std::vector<QString>{list[0], list[1]}));
    if (length != 14) continue;
    ASSERT_TRUE(MakeFolders(Path("")));
    ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.scr", file + "\r\n"));
    StartApp();
    THighscoreForm form;
    RunSteps({[&] {
      ASSERT_EQ(form.Name.size(), 21u);
      EXPECT_EQ(form.Name[20]->GetText(), name);
      EXPECT_EQ(form.Score[20]->GetText(), "123");
      ClickWidget(form.Okay);
    }});
    form.Open(app_.get());
  }
  EXPECT_GT(endsInLineFeed, 0);
}
