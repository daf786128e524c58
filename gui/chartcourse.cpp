// The course of a game in the chart module: each player's expected total over the rounds, with
// the decisions that lost most marked. A click on a line or a mark picks the point nearest to
// it on the screen, and the view reports that point as the data gave it: its line and index.

#include "gui/chartview.h"

#include <QAccessible>
#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
// The index of the point nearest to where the series was clicked, in pixels: rounds and points
// are on scales far apart. -1 for a series without points.
int Nearest(QChart* chart, QXYSeries* series, const QPointF& clicked)
{
  const QPointF at = chart->mapToPosition(clicked, series);
  const QList<QPointF> points = series->points();
  int best = -1;
  double distance = std::numeric_limits<double>::max();
  for (int i = 0; i < points.size(); ++i) {
    const QPointF d = chart->mapToPosition(points[i], series) - at;
    const double squared = d.x() * d.x() + d.y() * d.y();
    if (squared < distance) {
      distance = squared;
      best = i;
    }
  }
  return best;
}
} // namespace

void DrawCourse(QChart* chart, QWidget* view, const TCourseData& data, const TChartPicked& picked)
{
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes())
    chart->removeAxis(axis);
  chart->setTitle(data.title);
  static const QColor colours[] = {QColor(20, 60, 140), QColor(30, 130, 60)};
  double low = 0, high = 1, right = 1;
  bool any = false;
  std::vector<QAbstractSeries*> all;
  for (size_t l = 0; l < data.lines.size(); ++l) {
    const TCourseLine& line = data.lines[l];
    auto* values = new QLineSeries();
    values->setName(line.name);
    QList<QPointF> v;
    const size_t n = std::min(line.x.size(), line.values.size());
    for (size_t i = 0; i < n; ++i) {
      v.append(QPointF(line.x[i], line.values[i]));
      low = any ? std::min(low, line.values[i]) : line.values[i];
      high = any ? std::max(high, line.values[i]) : line.values[i];
      right = std::max(right, line.x[i]);
      any = true;
    }
    values->replace(v);
    values->setPen(QPen(colours[l % 2], 2));
    all.push_back(values);
    auto* marks = new QScatterSeries();
    marks->setName(data.markName);
    marks->setMarkerSize(9);
    marks->setColor(QColor(200, 40, 30));
    marks->setBorderColor(colours[l % 2]);
    QList<QPointF> m;
    for (size_t k : line.marked)
      if (k < n) m.append(QPointF(line.x[k], line.values[k]));
    marks->replace(m);
    all.push_back(marks);
    // A mark stands for the point it marks; the line for its nearest point.
    const int lineIndex = int(l);
    std::vector<int> markedPoints;
    for (size_t k : line.marked)
      if (k < n) markedPoints.push_back(int(k));
    QObject::connect(values, &QXYSeries::clicked, values,
                     [chart, values, lineIndex, picked](const QPointF& point) {
                       const int i = Nearest(chart, values, point);
                       if (i >= 0 && picked) picked(lineIndex, i);
                     });
    QObject::connect(marks, &QXYSeries::clicked, marks,
                     [chart, marks, lineIndex, markedPoints, picked](const QPointF& point) {
                       const int i = Nearest(chart, marks, point);
                       if (i >= 0 && i < int(markedPoints.size()) && picked)
                         picked(lineIndex, markedPoints[size_t(i)]);
                     });
  }
  for (QAbstractSeries* series : all)
    chart->addSeries(series);
  // The marks look alike for every line: the legend names them once. A legend at the side
  // leaves the lines the height they need.
  for (size_t i = 3; i < all.size(); i += 2)
    for (QLegendMarker* marker : chart->legend()->markers(all[i]))
      marker->setVisible(false);
  chart->legend()->setAlignment(Qt::AlignRight);
  auto* rounds = new QValueAxis();
  rounds->setRange(0, std::ceil(right));
  // Whole rounds only, about eight of them: a fractional tick would print a round twice.
  rounds->setTickType(QValueAxis::TicksDynamic);
  rounds->setTickAnchor(0);
  rounds->setTickInterval(std::max(1.0, std::ceil(std::ceil(right) / 8)));
  rounds->setLabelFormat("%d");
  rounds->setTitleText(data.xName);
  auto* points = new QValueAxis();
  const double pad = std::max(10.0, (high - low) * 0.05);
  points->setRange(std::floor(low - pad), std::ceil(high + pad));
  points->setLabelFormat("%d");
  chart->addAxis(rounds, Qt::AlignBottom);
  chart->addAxis(points, Qt::AlignLeft);
  for (QAbstractSeries* series : all) {
    series->attachAxis(rounds);
    series->attachAxis(points);
  }
  view->setAccessibleName(data.title);
  view->setAccessibleDescription(data.summary);
  QAccessibleEvent event(view, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&event);
}
