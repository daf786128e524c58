#include "gui/windowsize.h"

#include "gui/widgets_p.h"

void SetMinimumClientSize(TGadget* window, int width, int height)
{
  if (!window || window->Class() != GADGET_WINDOW || !window->Native()) return;
  auto* native = static_cast<TWindowWidget*>(window->Native());
  native->setMinimumSize(width, height + native->MenuHeight());
}
