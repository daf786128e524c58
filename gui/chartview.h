#pragma once

// The contract between the chart gadget (gui/chart.cpp) and the chart module
// (gui/chartmodule.cpp). Qt Charts pulls in Qt OpenGL and the OpenGL widgets, which cost a
// start their loading, relocation and memory; most starts never open a chart. So Qt Charts is
// linked only into the module, a library of its own that the gadget loads when the first chart
// opens. The module makes views through one C function, looked up by name.

#include "gui/chart.h"

#include <functional>

class QChart;
class QWidget;

// Called by a view when the player clicks a point: the line (a series) and the point's index
// in it, as the data gave them.
using TChartPicked = std::function<void(int line, int index)>;

// A chart view made by the module. Its widget owns it: freeing the widget frees the view.
class TChartView
{
public:
  virtual QWidget* Widget() = 0;
  // Draws a series over time; `width` is the chart's width in pixels, which bounds how many
  // points are worth drawing.
  virtual void Set(const TChartData& data, int width) = 0;
  virtual void SetCourse(const TCourseData& data) = 0;
  virtual void SetHistogram(const THistogramData& data) = 0;
  // Set by the chart gadget, called by the view.
  TChartPicked picked;

protected:
  ~TChartView() = default;
};

// The module's entry point: a new view whose widget is a child of the given parent.
using TCreateChartView = TChartView* (*)(QWidget* parent);
constexpr const char* CHART_MODULE_ENTRY = "WwCreateChartView";

// Draws the course of a game into a chart of the module (gui/chartcourse.cpp).
void DrawCourse(QChart* chart, QWidget* view, const TCourseData& data, const TChartPicked& picked);
