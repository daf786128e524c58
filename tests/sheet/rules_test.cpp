#include "sheet/rules.h"

#include <gtest/gtest.h>
#include <map>

namespace
{
// Calls f with every one of the 46,656 throws of six dice.
template <class F> void ForEveryThrow(F f)
{
  TFaces faces{};
  for (int n = 0; n < 46656; ++n) {
    int v = n;
    for (int& face : faces) {
      face = v % 6 + 1;
      v /= 6;
    }
    f(faces);
  }
}

struct TRowStats {
  long qualifying = 0;
  long points = 0;
};

template <class Score> TRowStats Stats(Score score)
{
  TRowStats s;
  ForEveryThrow([&](const TFaces& faces) {
    const int p = score(faces);
    s.qualifying += p > 0;
    s.points += p;
  });
  return s;
}
} // namespace

// Expected counts are combinatorial facts: e.g. 6!/(3!3!) orders of two triples of 15 pairs.
TEST(RulesOverAllThrows, QualifyingCountsAndPointSums)
{
  auto pasch = [](int row) {
    return Stats([row](const TFaces& f) { return PaschPoints(CountFaces(f), FaceSum(f), row); });
  };
  auto house = [](int row) {
    return Stats([row](const TFaces& f) { return HousePoints(CountFaces(f), row); });
  };
  auto street = [](int row) {
    return Stats([row](const TFaces& f) { return StreetPoints(f, row); });
  };

  EXPECT_EQ(pasch(0).qualifying, 46656 - 29520); // throws with no face three times: 29,520
  EXPECT_EQ(pasch(1).qualifying, 2250 + 180 + 6);
  EXPECT_EQ(pasch(2).qualifying, 186);
  EXPECT_EQ(pasch(2).points, 6 * 630 + 126); // 5a + b over a, b != a, six places; plus 6a
  EXPECT_EQ(house(0).qualifying, 1800);
  EXPECT_EQ(house(1).qualifying, 450 + 16200); // pair with four; two pairs with two singles
  EXPECT_EQ(house(2).qualifying, 300);
  for (int r = 0; r < 3; ++r)
    EXPECT_EQ(house(r).points, 30 * house(r).qualifying);
  // Throws that show a given set of k faces, by inclusion and exclusion.
  for (int r = 0; r < 3; ++r)
    EXPECT_EQ(street(r).qualifying, 5880) << r;
  for (int r = 3; r < 5; ++r)
    EXPECT_EQ(street(r).qualifying, 2520) << r;
  EXPECT_EQ(street(5).qualifying, 720);
  EXPECT_EQ(street(0).points, 30 * 5880);
  EXPECT_EQ(street(4).points, 40 * 2520);
  EXPECT_EQ(street(5).points, 50 * 720);
  const TRowStats wummel = Stats([](const TFaces& f) { return WummelPoints(CountFaces(f)); });
  EXPECT_EQ(wummel.qualifying, 6);
  EXPECT_EQ(wummel.points, 300);
  const TRowStats chance = Stats([](const TFaces& f) { return ChancePoints(FaceSum(f)); });
  EXPECT_EQ(chance.qualifying, 46656);
  EXPECT_EQ(chance.points, 979776);
  for (int r = 0; r < 6; ++r) {
    const TRowStats number = Stats([r](const TFaces& f) { return NumberPoints(f, r); });
    EXPECT_EQ(number.points, (r + 1) * 46656L); // each die shows r + 1 in 7,776 throws
    EXPECT_EQ(number.qualifying, 46656 - 15625);
  }
  // Rows that do not exist score nothing.
  const TFaces any{1, 2, 3, 4, 5, 6};
  EXPECT_EQ(PaschPoints(CountFaces(any), 21, 3), 0);
  EXPECT_EQ(HousePoints(CountFaces(any), 3), 0);
  EXPECT_EQ(StreetPoints(any, 6), 0);
  EXPECT_EQ(StreetPoints(any, -1), 0);
}

// Cross-check of the n-of-a-kind sums by a different route: multisets with their orderings.
TEST(RulesOverAllThrows, PaschSumsByMultisets)
{
  long expected[3] = {};
  const long fact[7] = {1, 1, 2, 6, 24, 120, 720};
  int c[6];
  for (c[0] = 0; c[0] <= 6; ++c[0])
    for (c[1] = 0; c[0] + c[1] <= 6; ++c[1])
      for (c[2] = 0; c[0] + c[1] + c[2] <= 6; ++c[2])
        for (c[3] = 0; c[0] + c[1] + c[2] + c[3] <= 6; ++c[3])
          for (c[4] = 0; c[0] + c[1] + c[2] + c[3] + c[4] <= 6; ++c[4]) {
            c[5] = 6 - c[0] - c[1] - c[2] - c[3] - c[4];
            long orders = 720, sum = 0;
            int most = 0;
            for (int k = 0; k < 6; ++k) {
              orders /= fact[c[k]];
              sum += (k + 1) * c[k];
              most = std::max(most, c[k]);
            }
            for (int r = 0; r < 3; ++r)
              if (most >= r + 3) expected[r] += orders * sum;
          }
  for (int r = 0; r < 3; ++r) {
    long points = 0;
    ForEveryThrow([&](const TFaces& f) { points += PaschPoints(CountFaces(f), FaceSum(f), r); });
    EXPECT_EQ(points, expected[r]) << r;
  }
}

TEST(Rules, ExamplesOfTheRows)
{
  const TFaces five3{3, 3, 3, 3, 3, 6};
  for (int r = 0; r < 3; ++r)
    EXPECT_EQ(PaschPoints(CountFaces(five3), FaceSum(five3), r), 21);
  const TFaces six5{5, 5, 5, 5, 5, 5};
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(PaschPoints(CountFaces(six5), FaceSum(six5), r), 30);
    EXPECT_EQ(HousePoints(CountFaces(six5), r), 0);
  }
  auto houses = [](TFaces f) {
    const TCounts c = CountFaces(f);
    return std::array<int, 3>{HousePoints(c, 0), HousePoints(c, 1), HousePoints(c, 2)};
  };
  EXPECT_EQ(houses({2, 2, 4, 4, 6, 6}), (std::array<int, 3>{30, 0, 0}));
  EXPECT_EQ(houses({1, 1, 2, 2, 3, 4}), (std::array<int, 3>{0, 30, 0}));
  EXPECT_EQ(houses({4, 4, 4, 4, 1, 1}), (std::array<int, 3>{0, 30, 0}));
  EXPECT_EQ(houses({3, 3, 3, 2, 2, 2}), (std::array<int, 3>{0, 0, 30}));
  auto streets = [](TFaces f) {
    std::array<int, 6> s{};
    for (int r = 0; r < 6; ++r)
      s[size_t(r)] = StreetPoints(f, r);
    return s;
  };
  EXPECT_EQ(streets({1, 2, 3, 4, 2, 3}), (std::array<int, 6>{30, 0, 0, 0, 0, 0}));
  EXPECT_EQ(streets({1, 2, 3, 4, 5, 5}), (std::array<int, 6>{30, 30, 0, 40, 0, 0}));
  EXPECT_EQ(streets({6, 5, 4, 3, 2, 1}), (std::array<int, 6>{30, 30, 30, 40, 40, 50}));
  const TFaces numbers{3, 3, 3, 5, 6, 1};
  EXPECT_EQ(NumberPoints(numbers, 2), 9);
  EXPECT_EQ(NumberPoints(numbers, 4), 5);
  EXPECT_EQ(NumberPoints(numbers, 1), 0);
  EXPECT_EQ(WummelPoints(CountFaces({4, 4, 4, 4, 4, 4})), 50);
  EXPECT_EQ(WummelPoints(CountFaces({4, 4, 4, 4, 4, 1})), 0);
  EXPECT_EQ(ChancePoints(FaceSum({4, 5, 2, 6, 3, 5})), 25);
  EXPECT_EQ(CountFaces({4, 5, 2, 6, 3, 5}), (TCounts{0, 1, 1, 1, 2, 1}));
  EXPECT_EQ(CountFaces({1, 1, 1, 1, 1, 1}), (TCounts{6, 0, 0, 0, 0, 0}));
}

TEST(NumberBonus, ThresholdsAt63_84_105)
{
  const std::map<int, int> edges{{0, 0},   {62, 0},   {63, 30},  {83, 30},
                                 {84, 60}, {104, 60}, {105, 90}, {126, 90}};
  for (auto [sum, bonus] : edges)
    EXPECT_EQ(NumberBonus(sum), bonus) << sum;
  EXPECT_EQ(PatternBonus(3, 3), 50);
  EXPECT_EQ(PatternBonus(2, 3), 0);
  EXPECT_EQ(PatternBonus(6, 6), 50);
}
