// The scoring rules over every throw of six dice, for every row of the sheet.

#include "sheet/rules.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr int THROWS = 46656; // 6^6

void BM_ScoringAllThrows(benchmark::State& state)
{
  for (auto _ : state) {
    long total = 0;
    for (int t = 0; t < THROWS; ++t) {
      TFaces faces{};
      for (int k = 0, x = t; k < 6; ++k, x /= 6)
        faces[size_t(k)] = x % 6 + 1;
      const TCounts counts = CountFaces(faces);
      const int sum = FaceSum(faces);
      for (int r = 0; r < NUMBER_ROWS; ++r)
        total += NumberPoints(faces, r);
      for (int r = 0; r < PASCH_ROWS; ++r)
        total += PaschPoints(counts, sum, r);
      for (int r = 0; r < HOUSE_ROWS; ++r)
        total += HousePoints(counts, r);
      for (int r = 0; r < STREET_ROWS; ++r)
        total += StreetPoints(faces, r);
      total += WummelPoints(counts) + ChancePoints(sum);
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * THROWS);
}
BENCHMARK(BM_ScoringAllThrows)->Unit(benchmark::kMicrosecond);
} // namespace
