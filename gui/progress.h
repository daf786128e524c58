#pragma once

// A progress bar for work that takes a while, such as the analysis of a game.

#include "gui/gadget.h"

// Class code of the progress bar.
constexpr int GADGET_PROGRESS = 22;

TGadget* CreateProgressBar(int x, int y, int w, int h, TGadget* parent);
// done steps out of total.
void SetProgress(TGadget* bar, int done, int total);
int ProgressValue(TGadget* bar);
