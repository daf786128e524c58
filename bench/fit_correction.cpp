// Fits the strong player's sheet-model correction (TSheetCorrection) by value iteration over
// positions from self-play, and writes it as the source of the shipped table.
//
//   fit_correction POSITIONS ITERATIONS [--every N] [--ridge R] [--out FILE]
//
// POSITIONS is written by `simulate --positions`: each sheet just after an entry, 63 signed
// bytes, rows top to bottom and the x1, x2, x3 columns of each row (-1: free). Every N-th is used
// (default 8). Each iteration works out, for every position, what playing one more turn on it
// is worth with the current correction, exactly over every throw, and fits the correction anew
// to that: least squares within each number of free cells, whose level is no matter for any
// decision, with a small ridge R (default 0.001, relative to the mean diagonal). The result goes
// to FILE (default ai/sheetcorrection_table.cpp).

#include "ai/sheetcorrection.h"
#include "ai/strategy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace
{
using std::size_t;
constexpr int P = TSheetCorrection::FEATURES;
constexpr int LEVELS = TSheetCorrection::LEVELS;

std::vector<TSheetState> ReadPositions(const char* path, int every)
{
  std::vector<TSheetState> sheets;
  FILE* f = std::fopen(path, "rb");
  if (!f) return sheets;
  signed char cells[SHEET_ROWS * SHEET_COLUMNS];
  for (long i = 0; std::fread(cells, sizeof cells, 1, f) == 1; ++i) {
    if (i % every) continue;
    TSheetState sheet;
    bool valid = true;
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int column = 0; column < SHEET_COLUMNS; ++column) {
        const int v = cells[row * SHEET_COLUMNS + column];
        valid = valid && v >= FREE_CELL;
        sheet.Enter(row, column, v);
      }
    if (valid && sheet.FreeCount() > 0) sheets.push_back(sheet);
  }
  std::fclose(f);
  return sheets;
}

// Solves (A + ridge) x = b for a symmetric positive definite A (Cholesky).
std::vector<double> Solve(std::vector<double> a, const std::vector<double>& b, double ridge)
{
  double diagonal = 0;
  for (int i = 0; i < P; ++i)
    diagonal += a[size_t(i * P + i)];
  for (int i = 0; i < P; ++i)
    a[size_t(i * P + i)] += ridge * diagonal / P + 1e-9;
  std::vector<double> l(size_t(P * P), 0.0), z(P), x(P);
  for (int i = 0; i < P; ++i)
    for (int j = 0; j <= i; ++j) {
      double s = a[size_t(i * P + j)];
      for (int k = 0; k < j; ++k)
        s -= l[size_t(i * P + k)] * l[size_t(j * P + k)];
      l[size_t(i * P + j)] = i == j ? std::sqrt(std::max(s, 1e-12)) : s / l[size_t(j * P + j)];
    }
  for (int i = 0; i < P; ++i) {
    double s = b[size_t(i)];
    for (int k = 0; k < i; ++k)
      s -= l[size_t(i * P + k)] * z[size_t(k)];
    z[size_t(i)] = s / l[size_t(i * P + i)];
  }
  for (int i = P - 1; i >= 0; --i) {
    double s = z[size_t(i)];
    for (int k = i + 1; k < P; ++k)
      s -= l[size_t(k * P + i)] * x[size_t(k)];
    x[size_t(i)] = s / l[size_t(i * P + i)];
  }
  return x;
}

// Levels that make the correction average zero over the positions with each free count.
std::vector<double> ZeroMeanLevels(const std::vector<TSheetState>& sheets,
                                   const std::vector<double>& weights)
{
  std::vector<double> sum(LEVELS, 0.0), n(LEVELS, 0.0);
  std::vector<std::pair<int, double>> x;
  for (const TSheetState& sheet : sheets) {
    TSheetCorrection::Features(sheet, x);
    double v = 0;
    for (auto [i, xi] : x)
      v += weights[size_t(i)] * xi;
    sum[size_t(sheet.FreeCount())] += v;
    n[size_t(sheet.FreeCount())] += 1;
  }
  std::vector<double> levels(LEVELS, 0.0);
  for (int f = TSheetCorrection::MIN_FREE; f < LEVELS; ++f)
    if (n[size_t(f)] > 0) levels[size_t(f)] = -sum[size_t(f)] / n[size_t(f)];
  return levels;
}

bool Write(const std::string& path, const TSheetCorrection& c, int iterations, size_t positions)
{
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  std::fprintf(f,
               "// Written by bench/fit_correction: %d iterations of value iteration over %zu "
               "positions from\n// self-play. Do not edit by hand.\n\n"
               "#include \"ai/sheetcorrection.h\"\n\nnamespace\n{\n"
               "constexpr double FITTED_WEIGHTS[TSheetCorrection::FEATURES] = {\n",
               iterations, positions);
  for (int i = 0; i < P; ++i)
    std::fprintf(f, "%s%.4f,%s", i % 6 ? " " : "    ", c.Weights()[size_t(i)],
                 i % 6 == 5 || i == P - 1 ? "\n" : "");
  std::fprintf(f, "};\nconstexpr double FITTED_LEVELS[TSheetCorrection::LEVELS] = {\n");
  for (int i = 0; i < LEVELS; ++i)
    std::fprintf(f, "%s%.4f,%s", i % 6 ? " " : "    ", c.Levels()[size_t(i)],
                 i % 6 == 5 || i == LEVELS - 1 ? "\n" : "");
  std::fprintf(f, "};\n} // namespace\n\nconst TSheetCorrection& TSheetCorrection::Fitted()\n{\n"
                  "  static const TSheetCorrection fitted(FITTED_WEIGHTS, FITTED_LEVELS);\n  "
                  "return fitted;\n}\n");
  return std::fclose(f) == 0;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc < 3) {
    std::fprintf(stderr, "usage: fit_correction POSITIONS ITERATIONS [--every N] [--ridge R] "
                         "[--out FILE]\n");
    return 2;
  }
  int every = 8;
  double ridge = 0.001;
  std::string out = "ai/sheetcorrection_table.cpp";
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--every")
      every = std::max(1, std::atoi(argv[i + 1]));
    else if (arg == "--ridge")
      ridge = std::atof(argv[i + 1]);
    else if (arg == "--out")
      out = argv[i + 1];
  }
  const int iterations = std::max(1, std::atoi(argv[2]));
  const std::vector<TSheetState> sheets = ReadPositions(argv[1], every);
  if (sheets.empty()) {
    std::fprintf(stderr, "no positions in %s\n", argv[1]);
    return 1;
  }
  const size_t n = sheets.size();
  std::printf("%zu positions, %d features\n", n, P);
  const TStrategy plain(DEFAULT_MOST_TRIES, false, nullptr);
  TSheetCorrection current;
  std::vector<double> target(n);
  for (int iteration = 1; iteration <= iterations; ++iteration) {
    // Targets: one more turn's worth, less the plain model's, by two threads.
    std::vector<std::thread> workers;
    for (int t = 0; t < 2; ++t)
      workers.emplace_back([&, t] {
        const TStrategy corrected(DEFAULT_MOST_TRIES, false, &current);
        for (size_t i = size_t(t); i < n; i += 2)
          target[i] = corrected.NextTurnValue(sheets[i]) - plain.ValueAfterEntry(sheets[i]);
      });
    for (std::thread& worker : workers)
      worker.join();
    // Least squares within each free count: features and targets less their means there.
    std::vector<double> count(LEVELS, 0.0), meanTarget(LEVELS, 0.0);
    std::vector<std::vector<double>> meanX(LEVELS, std::vector<double>(P, 0.0));
    std::vector<std::pair<int, double>> x;
    for (size_t i = 0; i < n; ++i) {
      const size_t f = size_t(sheets[i].FreeCount());
      count[f] += 1;
      meanTarget[f] += target[i];
      TSheetCorrection::Features(sheets[i], x);
      for (auto [k, xk] : x)
        meanX[f][size_t(k)] += xk;
    }
    for (int f = 0; f < LEVELS; ++f)
      if (count[size_t(f)] > 0) {
        meanTarget[size_t(f)] /= count[size_t(f)];
        for (double& v : meanX[size_t(f)])
          v /= count[size_t(f)];
      }
    std::vector<double> a(size_t(P * P), 0.0), b(P, 0.0);
    double residual = 0, spread = 0;
    for (size_t i = 0; i < n; ++i) {
      const size_t f = size_t(sheets[i].FreeCount());
      TSheetCorrection::Features(sheets[i], x);
      const double y = target[i] - meanTarget[f];
      const double fitted = current.Value(sheets[i]);
      double fittedMean = current.Levels()[f];
      for (int k = 0; k < P; ++k)
        fittedMean += current.Weights()[size_t(k)] * meanX[f][size_t(k)];
      residual += (y - fitted + fittedMean) * (y - fitted + fittedMean);
      spread += y * y;
      for (auto [k, xk] : x) {
        b[size_t(k)] += xk * y;
        for (auto [j, xj] : x)
          a[size_t(k * P + j)] += xk * xj;
      }
    }
    for (int f = 0; f < LEVELS; ++f)
      for (int k = 0; k < P; ++k) {
        const double mk = meanX[size_t(f)][size_t(k)];
        if (mk == 0) continue;
        for (int j = 0; j < P; ++j)
          a[size_t(k * P + j)] -= count[size_t(f)] * mk * meanX[size_t(f)][size_t(j)];
      }
    const std::vector<double> weights = Solve(std::move(a), b, ridge);
    current = TSheetCorrection(weights, ZeroMeanLevels(sheets, weights));
    std::printf("iteration %d: one turn more differs from the corrected model by %.3f points "
                "(rms, within each free count); the targets spread %.3f\n",
                iteration, std::sqrt(residual / double(n)), std::sqrt(spread / double(n)));
    std::fflush(stdout);
  }
  if (!Write(out, current, iterations, n)) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("wrote %s\n", out.c_str());
  return 0;
}
