#include "gui/progress.h"

#include "gui/toolkit_p.h"

#include <QProgressBar>
#include <algorithm>

namespace
{
class TProgressGadget : public TGadget
{
public:
  explicit TProgressGadget(QWidget* parentWidget) : TGadget(GADGET_PROGRESS)
  {
    bar_ = new QProgressBar(parentWidget);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    SetWidget(bar_);
  }
  QProgressBar* Bar() const { return bar_; }

private:
  QProgressBar* bar_;
};

QProgressBar* BarOf(TGadget* gadget)
{
  if (!gadget || gadget->Class() != GADGET_PROGRESS) return nullptr;
  return static_cast<TProgressGadget*>(gadget)->Bar();
}
} // namespace

TGadget* CreateProgressBar(int x, int y, int w, int h, TGadget* parent)
{
  auto* gadget = new TProgressGadget(parent ? parent->Container() : nullptr);
  return FinishGadget(gadget, QString(), x, y, w, h, parent, 0);
}

void SetProgress(TGadget* bar, int done, int total)
{
  if (QProgressBar* widget = BarOf(bar)) {
    widget->setRange(0, std::max(1, total));
    widget->setValue(std::clamp(done, 0, std::max(1, total)));
  }
}

int ProgressValue(TGadget* bar)
{
  QProgressBar* widget = BarOf(bar);
  return widget ? widget->value() : 0;
}
