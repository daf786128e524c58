#pragma once

// Windows that the player can make larger: the least size of a resizable window's client area,
// below which the window system does not shrink it. Its layout is the program's, done again at
// each WindowSize event (whose x and y are the new client width and height).

#include "gui/gadget.h"

void SetMinimumClientSize(TGadget* window, int width, int height);
