// The chart gadget. Its drawing comes from the chart module (gui/chartmodule.cpp, see
// gui/chartview.h), loaded when the first chart opens: beside the program (the build folder),
// else where the installation puts it relative to the program. Without the module the windows
// still open, and the chart's place says in words why it is missing and what it would show.

#include "gui/chart.h"

#include "gui/chartview.h"
#include "gui/event.h"
#include "gui/toolkit_p.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLibrary>

namespace
{
// Why the chart's place holds a sentence instead.
const char* const NO_CHART = "Das Diagramm kann nicht gezeigt werden, weil das Programmteil "
                             "„" WW_CHART_MODULE "“ fehlt oder nicht geladen werden kann.";

// The module's entry point, or null when it cannot be loaded. A module found once stays loaded
// for the life of the process (its views live in it); a failure is tried again with the next
// chart, so that a module installed meanwhile is found.
TCreateChartView ChartModule()
{
  static TCreateChartView create = nullptr;
  if (create) return create;
  const QString dir = QCoreApplication::applicationDirPath();
  for (const QString& path : {dir + "/" WW_CHART_MODULE,
                              QDir::cleanPath(dir + "/" WW_CHART_MODULE_DIR "/" WW_CHART_MODULE)}) {
    QLibrary library(path);
    if (!library.load()) continue;
    create = reinterpret_cast<TCreateChartView>(library.resolve(CHART_MODULE_ENTRY));
    if (create) return create;
    library.unload();
  }
  return nullptr;
}

class TChartGadget : public TGadget
{
public:
  explicit TChartGadget(QWidget* parentWidget) : TGadget(GADGET_CHART)
  {
    if (const TCreateChartView create = ChartModule()) {
      view_ = create(parentWidget);
      // A clicked point is chosen like a line of a list: GadgetSelect with the point's index
      // as data and its line as x.
      view_->picked = [this](int line, int index) {
        TEvent e;
        e.id = EVENT_GADGETSELECT;
        e.source = this;
        e.data = index;
        e.x = line;
        TEvent::Emit(e);
      };
      SetWidget(view_->Widget());
    } else {
      missing_ = new QLabel(parentWidget);
      missing_->setWordWrap(true);
      missing_->setAlignment(Qt::AlignCenter);
      missing_->setFrameShape(QFrame::StyledPanel);
      missing_->setFocusPolicy(Qt::TabFocus);
      missing_->setText(NO_CHART);
      SetWidget(missing_);
    }
  }

  void Free() override
  {
    view_ = nullptr;
    missing_ = nullptr;
    TGadget::Free();
  }

  void Set(const TChartData& data)
  {
    if (view_) view_->Set(data, width);
    Describe(data.title, data.summary);
  }

  void SetCourse(const TCourseData& data)
  {
    if (view_) view_->SetCourse(data);
    Describe(data.title, data.summary);
  }

  void SetHistogram(const THistogramData& data)
  {
    if (view_) view_->SetHistogram(data);
    Describe(data.title, data.summary);
  }

private:
  // What a screen reader says of the chart, with or without the module; without it the
  // summary is also what the chart's place shows.
  void Describe(const QString& title, const QString& summary)
  {
    QWidget* widget = Native();
    if (!widget) return;
    if (missing_) missing_->setText(QString(NO_CHART) + "\n\n" + summary);
    widget->setAccessibleName(title);
    widget->setAccessibleDescription(summary);
    QAccessibleEvent event(widget, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }

  TChartView* view_ = nullptr; // owned by its widget
  QLabel* missing_ = nullptr;
};
} // namespace

TGadget* CreateChart(int x, int y, int w, int h, TGadget* parent)
{
  auto* gadget = new TChartGadget(parent ? parent->Container() : nullptr);
  return FinishGadget(gadget, QString(), x, y, w, h, parent, 0);
}

void SetChartData(TGadget* chart, const TChartData& data)
{
  if (chart && chart->Class() == GADGET_CHART) static_cast<TChartGadget*>(chart)->Set(data);
}

void SetCourseData(TGadget* chart, const TCourseData& data)
{
  if (chart && chart->Class() == GADGET_CHART) static_cast<TChartGadget*>(chart)->SetCourse(data);
}

void SetHistogramData(TGadget* chart, const THistogramData& data)
{
  if (chart && chart->Class() == GADGET_CHART)
    static_cast<TChartGadget*>(chart)->SetHistogram(data);
}
