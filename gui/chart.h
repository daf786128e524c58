#pragma once

// A chart control: points over time joined by a thin line, with a second, bold line over them
// (such as a moving mean). Qt Charts draws it; the game sees a gadget like any other. Its
// accessible name is its title, its description the text summary a screen reader reads.

#include "gui/gadget.h"

#include <QString>
#include <cstdint>
#include <vector>

// Class code of the chart gadget.
constexpr int GADGET_CHART = 20;

TGadget* CreateChart(int x, int y, int w, int h, TGadget* parent);

struct TChartData {
  QString title;          // also the accessible name
  QString valueName;      // the first line's name in the legend
  QString meanName;       // the second line's name
  std::vector<int64_t> x; // milliseconds since 1970
  std::vector<double> values;
  std::vector<double> means;
  QString summary; // what a screen reader says of it
};
// Draws the data; the lines keep the order of x.
void SetChartData(TGadget* chart, const TChartData& data);

// A course through a game: for each line (a player) its values over the rounds, with some
// points marked (such as the decisions that lost most).
struct TCourseLine {
  QString name;
  std::vector<double> x; // the round, with the steps of a round in between
  std::vector<double> values;
  std::vector<size_t> marked; // indices into x and values
};
struct TCourseData {
  QString title;           // also the accessible name
  QString xName, markName; // the rounds' axis, the marks in the legend
  std::vector<TCourseLine> lines;
  QString summary; // what a screen reader says of it
};
void SetCourseData(TGadget* chart, const TCourseData& data);
