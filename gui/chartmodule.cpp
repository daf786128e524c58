// The chart module: the only code that uses Qt Charts, built as a library of its own and loaded
// by the chart gadget (gui/chart.cpp) when the first chart opens. Draws a series over time with
// its moving mean, and the course of a game with its marked decisions.

#include "gui/chartview.h"

#include <QAccessible>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace
{
class TQtChartView : public QChartView, public TChartView
{
public:
  explicit TQtChartView(QWidget* parent) : QChartView(new QChart(), parent)
  {
    chart_ = chart();
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    setRenderHint(QPainter::Antialiasing);
    setFocusPolicy(Qt::TabFocus);
  }

  QWidget* Widget() override { return this; }

  void Set(const TChartData& data, int width) override
  {
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes())
      chart_->removeAxis(axis);
    chart_->setTitle(data.title);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    auto* values = new QLineSeries();
    auto* means = new QLineSeries();
    values->setName(data.valueName);
    means->setName(data.meanName);
    QList<QPointF> v, m;
    const size_t n = std::min({data.x.size(), data.values.size(), data.means.size()});
    double high = 1;
    for (size_t i = 0; i < n; ++i)
      high = std::max(high, data.values[i]);
    // More points than the chart has pixels across draw the same picture as, for each column of
    // pixels, its first, lowest, highest and last point: thousands of games open at once.
    const size_t columns = size_t(std::max(64, width));
    if (n <= 4 * columns) {
      for (size_t i = 0; i < n; ++i) {
        v.append(QPointF(double(data.x[i]), data.values[i]));
        m.append(QPointF(double(data.x[i]), data.means[i]));
      }
    } else {
      const double first = double(data.x.front());
      const double span = double(data.x.back()) - first + 1;
      auto columnOf = [&](size_t k) {
        return size_t((double(data.x[k]) - first) / span * double(columns));
      };
      for (size_t i = 0; i < n;) {
        const size_t column = columnOf(i);
        size_t low = i, top = i, end = i;
        for (; end < n && columnOf(end) == column; ++end) {
          if (data.values[end] < data.values[low]) low = end;
          if (data.values[end] > data.values[top]) top = end;
        }
        size_t last = n;
        for (size_t k : {i, std::min(low, top), std::max(low, top), end - 1}) {
          if (k == last) continue;
          v.append(QPointF(double(data.x[k]), data.values[k]));
          last = k;
        }
        m.append(QPointF(double(data.x[i]), data.means[i]));
        if (end - 1 != i) m.append(QPointF(double(data.x[end - 1]), data.means[end - 1]));
        i = end;
      }
    }
    const double low = 0;
    // Whole lists at once: appending point by point redraws at every point.
    values->replace(v);
    means->replace(m);
    values->setPen(QPen(QColor(128, 193, 238), 1));
    means->setPen(QPen(QColor(20, 60, 140), 3));
    chart_->addSeries(values);
    chart_->addSeries(means);
    auto* time = new QDateTimeAxis();
    time->setFormat("dd.MM.yy");
    time->setTickCount(5);
    const qint64 first = n ? data.x.front() : QDateTime::currentMSecsSinceEpoch();
    const qint64 last = n ? data.x.back() : first;
    // One game, or games of one moment, still get a span to stand in.
    time->setRange(QDateTime::fromMSecsSinceEpoch(first - 43200000),
                   QDateTime::fromMSecsSinceEpoch(std::max(last, first) + 43200000));
    auto* points = new QValueAxis();
    points->setRange(low, high * 1.05);
    points->setLabelFormat("%d");
    chart_->addAxis(time, Qt::AlignBottom);
    chart_->addAxis(points, Qt::AlignLeft);
    for (QLineSeries* s : {values, means}) {
      s->attachAxis(time);
      s->attachAxis(points);
    }
    setAccessibleName(data.title);
    setAccessibleDescription(data.summary);
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }

  void SetCourse(const TCourseData& data) override
  {
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes())
      chart_->removeAxis(axis);
    chart_->setTitle(data.title);
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
    }
    for (QAbstractSeries* series : all)
      chart_->addSeries(series);
    // The marks look alike for every line: the legend names them once. A legend at the side
    // leaves the lines the height they need.
    for (size_t i = 3; i < all.size(); i += 2)
      for (QLegendMarker* marker : chart_->legend()->markers(all[i]))
        marker->setVisible(false);
    chart_->legend()->setAlignment(Qt::AlignRight);
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
    chart_->addAxis(rounds, Qt::AlignBottom);
    chart_->addAxis(points, Qt::AlignLeft);
    for (QAbstractSeries* series : all) {
      series->attachAxis(rounds);
      series->attachAxis(points);
    }
    setAccessibleName(data.title);
    setAccessibleDescription(data.summary);
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }

private:
  QChart* chart_;
};
} // namespace

extern "C" Q_DECL_EXPORT TChartView* WwCreateChartView(QWidget* parent)
{
  return new TQtChartView(parent);
}
