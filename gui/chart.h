#pragma once

// A chart control: points over time or by number joined by a thin line, with a second, bold line
// over them (such as a moving mean); the course of a game; or a histogram. Qt Charts draws it;
// the game sees a gadget like any other. Its accessible name is its title, its description the
// text summary a screen reader reads. A clicked point posts GadgetSelect with its index as data
// and its line as x.

#include "gui/gadget.h"

#include <QString>
#include <cstdint>
#include <vector>

// Class code of the chart gadget.
constexpr int GADGET_CHART = 20;

TGadget* CreateChart(int x, int y, int w, int h, TGadget* parent);

struct TChartData {
  QString title;     // also the accessible name
  QString valueName; // the first line's name in the legend
  QString meanName;  // the second line's name
  // Empty: x is milliseconds since 1970, on an axis of dates. Else the name of an axis of plain
  // numbers that x holds (such as the games' numbers).
  QString xName;
  std::vector<int64_t> x;
  std::vector<double> values;
  std::vector<double> means;
  // Where given, what is shown of a point (of the first line) when the pointer rests on it.
  std::vector<QString> labels;
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

// How values are spread: for each series (such as a kind of game) the count of values in each of
// the same bars, the bars side by side; bar i takes the values from `from + i * width` up to
// the next bar's.
struct THistogramSeries {
  QString name; // in the legend
  std::vector<int> counts;
};
struct THistogramData {
  QString title; // also the accessible name
  QString xName, yName;
  int from = 0, width = 1;
  std::vector<THistogramSeries> series;
  QString summary; // what a screen reader says of it
};
void SetHistogramData(TGadget* chart, const THistogramData& data);
