// The chart module: a start does not load Qt Charts; without the module the windows with a
// chart still open, the chart's place saying why it is missing and what it would show; with
// the module beside the program the first chart loads it and draws. This test program stands
// in a folder of its own, where the module is only once the test has put it there.

#include "tests/app/opponent.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <memory>

namespace
{
bool QtChartsLoaded()
{
  return ReadAll("/proc/self/maps").contains("libQt6Charts");
}

// Pixels near the colour, which the antialiased lines blend at their edges.
int PixelsNear(const QImage& image, QColor colour)
{
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      n += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
               std::abs(c.blue() - colour.blue()) <
           40;
    }
  return n;
}

class ChartModule : public Opponent
{
protected:
  void TearDown() override
  {
    QFile::remove(beside_);
    Opponent::TearDown();
  }
  const QString beside_ = QCoreApplication::applicationDirPath() + "/" WW_CHART_MODULE;
};
} // namespace

TEST_F(ChartModule, LoadsWithTheFirstChartAndTheWindowsOpenWithoutIt)
{
  QFile::remove(beside_); // left over from a run that crashed
  ASSERT_FALSE(QFile::exists(beside_));
  StartApp();
  EXPECT_FALSE(QtChartsLoaded());
  // Two turns, something decided in each, for the analysis's course.
  for (int turn = 0; turn < 2; ++turn) {
    TDicefield& dice = *app_->DiceField[0];
    Click(dice.Panel[2]);
    Click(dice.Button);
    Click(FirstFree(0));
    Click(dice.Fill);
  }

  // Without the module: the statistics window opens and closes as ever.
  QString missing, summary;
  WhenWindow("Wurfwummel - Statistik", [&](QWidget* w) {
    if (auto* chart = qobject_cast<QLabel*>(Named(w, "Gesamtpunkte jedes beendeten Spiels"))) {
      missing = chart->text();
      summary = chart->accessibleDescription();
    }
    w->close();
  });
  ChooseMenu("Statistik");
  EXPECT_TRUE(missing.startsWith("Das Diagramm kann nicht gezeigt werden, weil das Programmteil "
                                 "„wurfwummel-chart.so“ fehlt"))
      << missing.toStdString();
  // What the chart would show, in words, as a screen reader hears it.
  EXPECT_FALSE(summary.isEmpty());
  EXPECT_TRUE(missing.endsWith(summary)) << missing.toStdString();
  EXPECT_FALSE(QtChartsLoaded());

  // The module beside the program, where a build puts it.
  ASSERT_TRUE(QFile::copy(WW_CHART_MODULE_FILE, beside_));
  bool chartView = false;
  int drawn = -1;
  WhenWindow("Wurfwummel - Spielanalyse", [&](QWidget* w) {
    Poll([&, w]() {
      auto* list = qobject_cast<QTableWidget*>(Named(w, "Entscheidungen"));
      if (!list || list->rowCount() == 0) return false;
      if (QWidget* chart = Named(w, "Erwarteter Endstand im Lauf des Spiels")) {
        chartView = chart->inherits("QChartView");
        // The first player's course, in its colour.
        drawn = PixelsNear(chart->grab().toImage(), QColor(20, 60, 140));
      }
      w->close();
      return true;
    });
  });
  ChooseMenu("Spielanalyse");
  EXPECT_TRUE(chartView);
  EXPECT_GT(drawn, 50);
  EXPECT_TRUE(QtChartsLoaded());
}
