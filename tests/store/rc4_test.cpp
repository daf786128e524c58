#include "store/rc4.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace
{
QString Latin1(const QByteArray& bytes)
{
  QString s;
  for (char c : bytes)
    s += QChar(ushort(static_cast<unsigned char>(c)));
  return s;
}

QByteArray Bytes(const QString& s)
{
  QByteArray b;
  for (QChar c : s)
    b.append(char(c.unicode() & 0xFF));
  return b;
}
} // namespace

TEST(RC4, PublishedTestVectors)
{
  EXPECT_EQ(Bytes(RC4("Plaintext", "Key")).toHex(), "bbf316e8d940af0ad3");
  EXPECT_EQ(Bytes(RC4("pedia", "Wiki")).toHex(), "1021bf0420");
  EXPECT_EQ(Bytes(RC4("Attack at dawn", "Secret")).toHex(), "45a01f645fc35b383552544b9bf5");
  // RFC 6229: the keystream of the 40-bit key 0102030405 starts b2 39 63 05 f0 3d c0 27.
  const QString key = Latin1(QByteArray::fromHex("0102030405"));
  EXPECT_EQ(Bytes(RC4(QString(8, QChar(0)), key)).toHex(), "b2396305f03dc027");
}

TEST(RC4, ScramblingTwiceGivesTheInputAndHighBitsPass)
{
  const QString plain = QString::fromUtf8("150,Jürgen, der Große €");
  const QString once = RC4(plain, ScoreKey);
  EXPECT_NE(once, plain);
  EXPECT_EQ(once.size(), plain.size());
  EXPECT_EQ(RC4(once, ScoreKey), plain);
  EXPECT_EQ(once[plain.size() - 1].unicode() & 0xFF00, 0x2000); // the euro's high byte stays
  // Every record starts the keystream afresh: equal records scramble equally.
  EXPECT_EQ(RC4("0,Spieler1", ScoreKey), RC4("0,Spieler1", ScoreKey));
}

TEST(RC4, ScoreKeyShape)
{
  EXPECT_EQ(ScoreKey.size(), 154);
  EXPECT_EQ(ScoreKey.count(','), 2);
  for (QChar c : ScoreKey)
    EXPECT_TRUE(c == ',' || (c >= 'a' && c <= 'z'));
  for (const QString& run : ScoreKey.split(','))
    EXPECT_FALSE(run.isEmpty());
}
