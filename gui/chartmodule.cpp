// The chart module: the only code that uses Qt Charts, built as a library of its own and loaded
// by the chart gadget (gui/chart.cpp) when the first chart opens. Draws a series over time with
// its moving mean; the course of a game is drawn by gui/chartcourse.cpp.

#include "gui/chartview.h"

#include <QAccessible>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPen>
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

  void SetCourse(const TCourseData& data) override { DrawCourse(chart_, this, data, picked); }

private:
  QChart* chart_;
};
} // namespace

extern "C" Q_DECL_EXPORT TChartView* WwCreateChartView(QWidget* parent)
{
  return new TQtChartView(parent);
}
