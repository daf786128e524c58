// The chart module: the only code that uses Qt Charts, built as a library of its own and loaded
// by the chart gadget (gui/chart.cpp) when the first chart opens. Draws a series over time or by
// number with its moving mean, each point telling what it is when the pointer rests on it, and a
// histogram; the course of a game is drawn by gui/chartcourse.cpp.

#include "gui/chartview.h"

#include <QAccessible>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QPen>
#include <QToolTip>
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
    // Few points are drawn each as a dot, for the pointer to rest on.
    values->setPointsVisible(n <= size_t(std::max(64, width / 4)));
    chart_->addSeries(values);
    chart_->addSeries(means);
    const qint64 first = n ? data.x.front() : QDateTime::currentMSecsSinceEpoch();
    const qint64 last = n ? data.x.back() : first;
    QAbstractAxis* across = nullptr;
    if (data.xName.isEmpty()) {
      auto* time = new QDateTimeAxis();
      time->setFormat("dd.MM.yy");
      time->setTickCount(5);
      // One game, or games of one moment, still get a span to stand in.
      time->setRange(QDateTime::fromMSecsSinceEpoch(first - 43200000),
                     QDateTime::fromMSecsSinceEpoch(std::max(last, first) + 43200000));
      across = time;
    } else {
      auto* numbers = new QValueAxis();
      // Whole numbers only, about eight of them, with half a step of room at either end.
      const double span = double(std::max(last, first) - first);
      numbers->setRange(double(first) - 0.5, double(std::max(last, first)) + 0.5);
      numbers->setTickType(QValueAxis::TicksDynamic);
      numbers->setTickAnchor(double(first));
      numbers->setTickInterval(std::max(1.0, std::ceil(span / 8)));
      numbers->setLabelFormat("%d");
      numbers->setTitleText(data.xName);
      across = numbers;
    }
    auto* points = new QValueAxis();
    points->setRange(low, high * 1.05);
    points->applyNiceNumbers(); // 1000, 2000, ... rather than 1319, 2639, ...
    points->setLabelFormat("%d");
    chart_->addAxis(across, Qt::AlignBottom);
    chart_->addAxis(points, Qt::AlignLeft);
    for (QLineSeries* s : {values, means}) {
      s->attachAxis(across);
      s->attachAxis(points);
    }
    // What a point is, where the pointer rests on it or a click chooses it: the nearest point of
    // the data, on the screen, as the axes have scales far apart.
    points_.clear();
    for (size_t i = 0; i < n; ++i)
      points_.append(QPointF(double(data.x[i]), data.values[i]));
    labels_ = data.labels;
    QObject::connect(values, &QXYSeries::hovered, values,
                     [this, values](const QPointF& at, bool state) {
                       const int i = state ? Nearest(values, at) : -1;
                       if (i >= 0 && size_t(i) < labels_.size())
                         QToolTip::showText(QCursor::pos(), labels_[size_t(i)], this);
                       else
                         QToolTip::hideText();
                     });
    QObject::connect(values, &QXYSeries::clicked, values, [this, values](const QPointF& at) {
      const int i = Nearest(values, at);
      if (i >= 0 && picked) picked(0, i);
    });
    setAccessibleName(data.title);
    setAccessibleDescription(data.summary);
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }

  void SetCourse(const TCourseData& data) override { DrawCourse(chart_, this, data, picked); }

  void SetHistogram(const THistogramData& data) override
  {
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes())
      chart_->removeAxis(axis);
    chart_->setTitle(data.title);
    // Beside the bars the names of the series stand whole, one under the other.
    chart_->legend()->setAlignment(Qt::AlignRight);
    size_t bars = 0;
    for (const THistogramSeries& series : data.series)
      bars = std::max(bars, series.counts.size());
    auto* all = new QBarSeries();
    int high = 1;
    static const QColor colours[] = {QColor(20, 60, 140),  QColor(30, 130, 60),
                                     QColor(230, 150, 20), QColor(200, 60, 40),
                                     QColor(120, 60, 160), QColor(100, 100, 100)};
    for (size_t k = 0; k < data.series.size(); ++k) {
      auto* set = new QBarSet(data.series[k].name);
      QList<qreal> counts;
      for (size_t b = 0; b < bars; ++b) {
        const int count = b < data.series[k].counts.size() ? data.series[k].counts[b] : 0;
        counts.append(count);
        high = std::max(high, count);
      }
      set->append(counts);
      set->setColor(colours[k % std::size(colours)]);
      set->setBorderColor(colours[k % std::size(colours)]);
      all->append(set);
    }
    all->setBarWidth(0.9);
    chart_->addSeries(all);
    // The bars' bounds stand at their edges, as a histogram reads: bar b from b - 0.5 to
    // b + 0.5 on the axis.
    auto* bounds = new QCategoryAxis();
    bounds->setMin(-0.5);
    bounds->setMax(double(bars) - 0.5);
    bounds->setStartValue(-0.5);
    for (size_t b = 0; b <= bars; ++b)
      bounds->append(QString::number(data.from + int(b) * data.width), double(b) - 0.5);
    bounds->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    bounds->setTitleText(data.xName);
    auto* counts = new QValueAxis();
    counts->setRange(0, high + std::max(1, high / 10));
    counts->setTickType(QValueAxis::TicksDynamic);
    counts->setTickAnchor(0);
    counts->setTickInterval(std::max(1.0, std::ceil(double(high) / 5)));
    counts->setLabelFormat("%d");
    counts->setTitleText(data.yName);
    chart_->addAxis(bounds, Qt::AlignBottom);
    chart_->addAxis(counts, Qt::AlignLeft);
    all->attachAxis(bounds);
    all->attachAxis(counts);
    setAccessibleName(data.title);
    setAccessibleDescription(data.summary);
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }

private:
  // The index of the data's point nearest to `at` on the screen, -1 without points.
  int Nearest(QXYSeries* series, const QPointF& at) const
  {
    const QPointF there = chart_->mapToPosition(at, series);
    int best = -1;
    double distance = 0;
    for (int i = 0; i < points_.size(); ++i) {
      const QPointF d = chart_->mapToPosition(points_[i], series) - there;
      const double squared = d.x() * d.x() + d.y() * d.y();
      if (best < 0 || squared < distance) {
        distance = squared;
        best = i;
      }
    }
    return best;
  }

  QChart* chart_;
  QList<QPointF> points_;
  std::vector<QString> labels_;
};
} // namespace

extern "C" Q_DECL_EXPORT TChartView* WwCreateChartView(QWidget* parent)
{
  return new TQtChartView(parent);
}
