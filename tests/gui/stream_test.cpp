#include "gui/stream.h"

#include "tests/support/support.h"

#include <QTemporaryDir>

namespace
{
QStringList ReadAllLines(const QString& path)
{
  QStringList lines;
  TStreamPtr s = OpenFileRead(path);
  if (!s) return lines;
  while (!s->Eof())
    lines << ReadLine(*s);
  EXPECT_EQ(ReadLine(*s), ""); // reading at the end gives the empty text
  return lines;
}
} // namespace

TEST(LineFiles, LineEndsNulAndLastLine)
{
  QTemporaryDir tmp;
  const QString p = tmp.path() + "/f";
  ASSERT_TRUE(WriteAll(p, QByteArray("one\r\ntwo\nthr\ree\r\n", 17)));
  EXPECT_EQ(ReadAllLines(p), (QStringList{"one", "two", "three"}));
  // A byte 0 cuts the line; the rest comes as the next line. No final line end: still a line.
  ASSERT_TRUE(WriteAll(p, QByteArray("ab\0cd\nlast", 10)));
  EXPECT_EQ(ReadAllLines(p), (QStringList{"ab", "cd", "last"}));
  // Bytes above 127 are ISO 8859-1 characters.
  ASSERT_TRUE(WriteAll(p, QByteArray("\xfc\xdf\xff")));
  EXPECT_EQ(ReadAllLines(p), (QStringList{QString::fromUtf8("üßÿ")}));
}

TEST(LineFiles, LongLineIsReadWhole)
{
  QTemporaryDir tmp;
  const QString p = tmp.path() + "/long";
  ASSERT_TRUE(WriteAll(p, QByteArray(3000, 'x') + "\r\n"));
  const QStringList lines = ReadAllLines(p);
  ASSERT_EQ(lines.size(), 1);
  EXPECT_EQ(lines[0].size(), 3000);
}

TEST(LineFiles, WriteLineBytesAndRoundTrip)
{
  QTemporaryDir tmp;
  const QString p = tmp.path() + "/w";
  {
    auto s = OpenFileWrite(p);
    ASSERT_TRUE(s);
    EXPECT_EQ(WriteLine(*s, QString::fromUtf8("Jürgen")), 1);
    EXPECT_EQ(WriteLine(*s, QString::fromUtf8("Ł€")), 1); // above U+00FF: low 8 bits only
    EXPECT_EQ(WriteLine(*s, ""), 1);
    EXPECT_TRUE(s->Close());
  }
  EXPECT_EQ(ReadAll(p), QByteArray("J\xfcrgen\r\nA\xac\r\n\r\n", 14));
  const QStringList lines = ReadAllLines(p);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], QString::fromUtf8("Jürgen"));
  EXPECT_EQ(lines[1], QString::fromUtf8("A¬")); // a different character comes back
  EXPECT_EQ(lines[2], "");
}

TEST(LineFiles, OpeningFailures)
{
  QTemporaryDir tmp;
  EXPECT_EQ(OpenFileRead(tmp.path() + "/missing"), nullptr);
  EXPECT_EQ(OpenFileRead(tmp.path()), nullptr); // a folder is no file
  EXPECT_EQ(OpenFileWrite(tmp.path() + "/no/such/folder/f"), nullptr);
  EXPECT_EQ(ReadStream("nosuchprotocol::x"), nullptr);
}
