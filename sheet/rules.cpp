#include "sheet/rules.h"

#include <cstddef>
#include <numeric>

using std::size_t;

TCounts CountFaces(const TFaces& faces)
{
  TCounts counts{};
  for (int face : faces)
    if (face >= 1 && face <= 6) ++counts[size_t(face - 1)];
  return counts;
}

int FaceSum(const TFaces& faces)
{
  return std::accumulate(faces.begin(), faces.end(), 0);
}

int NumberPoints(const TFaces& faces, int row)
{
  int n = 0;
  for (int face : faces)
    if (face == row + 1) ++n;
  return n * (row + 1);
}

int PaschPoints(const TCounts& counts, int sum, int row)
{
  if (row < 0 || row >= PASCH_ROWS) return 0;
  for (int count : counts)
    if (count >= row + 3) return sum;
  return 0;
}

int HousePoints(const TCounts& counts, int row)
{
  int m = 0;
  switch (row) {
  case 0: // three pairs
    for (int c : counts)
      m += c == 2;
    return m == 3 ? 30 : 0;
  case 1: // faces on two or four dice: a pair with a four, or two pairs with two singles
    for (int c : counts)
      m += c == 2 || c == 4;
    return m == 2 ? 30 : 0;
  case 2: // two triples
    for (int c : counts)
      m += c == 3;
    return m == 2 ? 30 : 0;
  default:
    return 0;
  }
}

int StreetPoints(const TFaces& faces, int row)
{
  struct TStreet {
    int first, last, points;
  };
  static constexpr TStreet streets[STREET_ROWS] = {{1, 4, 30}, {2, 5, 30}, {3, 6, 30},
                                                   {1, 5, 40}, {2, 6, 40}, {1, 6, 50}};
  if (row < 0 || row >= STREET_ROWS) return 0;
  const TCounts counts = CountFaces(faces);
  for (int face = streets[row].first; face <= streets[row].last; ++face)
    if (counts[size_t(face - 1)] == 0) return 0;
  return streets[row].points;
}

int WummelPoints(const TCounts& counts)
{
  for (int count : counts)
    if (count == 6) return 50;
  return 0;
}

int ChancePoints(int sum)
{
  return sum;
}

int NumberBonus(int rawSum)
{
  if (rawSum >= 105) return 90;
  if (rawSum >= 84) return 60;
  if (rawSum >= 63) return 30;
  return 0;
}

int PatternBonus(int cellsWithPoints, int cells)
{
  return cellsWithPoints == cells ? PATTERN_BONUS : 0;
}
