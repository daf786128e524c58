#include "gui/runtime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <random>

TEST(Generator, MatchesMinstdRandOver10000Steps)
{
  // Each random real takes two steps of the Park-Miller generator with multiplier 48271.
  for (int seed : {1, 4660, 123456789, 2147483646}) {
    SeedRnd(seed);
    std::minstd_rand oracle(static_cast<std::minstd_rand::result_type>(seed));
    std::minstd_rand::result_type last = 0;
    for (int i = 0; i < 5000; ++i) { // two steps each: 10,000 steps
      const int hi = int(oracle()) & 0x1FFFFFFC;
      const int lo = int(last = oracle()) & 0x1FFFFFF8;
      const double expected = hi / 536870912.0 + lo / 72057594037927936.0;
      ASSERT_EQ(Rnd(), expected) << "seed " << seed << " call " << i;
    }
    EXPECT_EQ(RndState(), int(last));
  }
}

TEST(Generator, FirstStepsFromOne)
{
  SeedRnd(1);
  Rnd();
  // Two steps: 48271, then 48271 * 48271 mod (2^31 - 1).
  std::minstd_rand oracle(1);
  oracle();
  EXPECT_EQ(RndState(), int(oracle()));
  EXPECT_EQ(RndState(), 182605794);
}

TEST(Generator, SeedingRules)
{
  for (int seed : {0, -1, 0x7FFFFFFF, int(0x80000000u)}) {
    SeedRnd(seed);
    EXPECT_EQ(RndState(), 4660) << seed;
  }
  SeedRnd(-2); // only the low 31 bits count
  EXPECT_EQ(RndState(), 0x7FFFFFFE);
  SeedRnd(4660);
  std::vector<double> a;
  for (int i = 0; i < 10; ++i)
    a.push_back(Rnd());
  SeedRnd(0);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(Rnd(), a[size_t(i)]);
}

TEST(Generator, RandomIntegerBoundsInBothOrders)
{
  SeedRnd(99);
  int seen[8] = {};
  for (int i = 0; i < 60000; ++i) {
    const int a = Rand(1, 6);
    const int b = Rand(6, 1);
    ASSERT_TRUE(a >= 1 && a <= 6) << a;
    ASSERT_TRUE(b >= 1 && b <= 6) << b;
    ++seen[a];
    ++seen[b];
  }
  for (int f = 1; f <= 6; ++f)
    EXPECT_GT(seen[f], 18000) << f; // roughly uniform
  // The largest real, 1 - 2^-53, still gives 6.
  EXPECT_EQ(1 + RealToInt((1.0 - 1.0 / 9007199254740992.0) * 6), 6);
  EXPECT_EQ(Rand(3, 3), 3);
  EXPECT_EQ(RealToInt(3.99), 3);
  EXPECT_EQ(RealToInt(-3.99), -3);
}

TEST(Strings, TextToIntegerExamples)
{
  EXPECT_EQ(StrToInt("  42"), 42);
  EXPECT_EQ(StrToInt("12abc"), 12);
  EXPECT_EQ(StrToInt("-7"), -7);
  EXPECT_EQ(StrToInt("-"), 0);
  EXPECT_EQ(StrToInt(""), 0);
  EXPECT_EQ(StrToInt("$ff"), 255);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("%101"), 5);
  EXPECT_EQ(StrToInt("\t  8"), 8);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("5 6"), 5);
  EXPECT_EQ(StrToInt("0x10"), 0);
  EXPECT_EQ(StrToInt("   "), 0);
  EXPECT_EQ(StrToInt("4294967297"), 1); // 32-bit wrap
  EXPECT_EQ(StrToInt("2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
}

TEST(Strings, IntegerToTextCompareFindSortCeil)
{
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToStr(1234), "1234");
  EXPECT_EQ(Compare("abc", "abd"), 'c' - 'd');
  EXPECT_EQ(Compare("ab", "abcd"), -2);
  EXPECT_EQ(Compare("B", "a"), 'B' - 'a');
  EXPECT_EQ(Compare("same", "same"), 0);
  EXPECT_EQ(Find("1234", "23", 0), 1);
  EXPECT_EQ(Find("1234", "23", 2), -1);
  EXPECT_EQ(Find("1234", "1", -5), 0);
  std::vector<int> v{3, -1, 7, 0};
  SortInts(v, true);
  EXPECT_EQ(v, (std::vector<int>{-1, 0, 3, 7}));
  SortInts(v, false);
  EXPECT_EQ(v, (std::vector<int>{7, 3, 0, -1}));
  EXPECT_EQ(Ceil(2.1), 3.0);
  EXPECT_EQ(Ceil(-2.1), -2.0);
}

TEST(Strings, SplitBothModes)
{
  EXPECT_EQ(Split("a,,b", ","), (QStringList{"a", "", "b"}));
  EXPECT_EQ(Split("", ","), (QStringList{""}));
  EXPECT_EQ(Split("a,", ","), (QStringList{"a", ""}));
  EXPECT_EQ(Split("12,Anna,Berta", ","), (QStringList{"12", "Anna", "Berta"}));
  EXPECT_EQ(Split("  one\ttwo\n\nthree ", ""), (QStringList{"one", "two", "three"}));
  EXPECT_TRUE(Split(" \t\r\n", "").isEmpty());
}

TEST(Files, FileTypeAndRecursiveFolders)
{
  QTemporaryDir tmp;
  const QString base = tmp.path();
  EXPECT_EQ(FileType(base), 2);
  EXPECT_EQ(FileType(base + "/missing"), 0);
  EXPECT_EQ(FileType(base + "/a<b"), 0);
  // Parents exist: only the last folder is made.
  EXPECT_EQ(CreateDir(base + "/one", true), 1);
  EXPECT_EQ(FileType(base + "/one"), 2);
  EXPECT_EQ(CreateDir(base + "/two/three/four/", true), 1);
  EXPECT_EQ(FileType(base + "\\two\\three\\four"), 2);
  // A file in the way stops it.
  QFile file(base + "/blocker");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_EQ(FileType(base + "/blocker"), 1);
  EXPECT_EQ(CreateDir(base + "/blocker", true), 0);
  EXPECT_EQ(CreateDir(base + "/blocker/below", true), 0);
  EXPECT_EQ(CreateDir(base + "/x/y", false), 0); // not recursive: the parent must exist
  EXPECT_EQ(CreateDir(base + "/x", false), 1);
  // Relative paths are made from the current folder.
  const QString old = QDir::currentPath();
  QDir::setCurrent(base);
  EXPECT_EQ(CreateDir("rel/sub", true), 1);
  QDir::setCurrent(old);
  EXPECT_EQ(FileType(base + "/rel/sub"), 2);
}

TEST(Clock, MillisecondsAdvance)
{
  const int a = MilliSecs();
  QThread::msleep(20);
  const int b = MilliSecs();
  EXPECT_GE(b - a, 15);
  EXPECT_FALSE(GetUserAppDir().endsWith('/'));
}
