#pragma once

// Visits one player's sheet sections in the fixed order of the main loop: the six scoring
// sections, then (for ForSections) the totals section, which reads what the others show.

#include "app/app.h"
#include "sheet/patternfield.h"
#include "sheet/pointfield.h"
#include "sheet/winpointfield.h"
#include "sheet/wummelfield.h"

template <class F> void ForScoringSections(TApp& app, size_t p, F f)
{
  f(*app.Pointfield[p]);
  f(*app.Paschfield[p]);
  f(*app.Numfield[p]);
  f(*app.Streetfield[p]);
  f(*app.Wummelfield[p]);
  f(*app.Chancefield[p]);
}

template <class F> void ForSections(TApp& app, size_t p, F f)
{
  ForScoringSections(app, p, f);
  f(*app.Winpointfield[p]);
}
