#pragma once

// Private constructors of the gadget kinds that live in their own sources.

#include "gui/gadget.h"

TGadget* NewMenuGadget(TGadget* parent, const QString& text, int tag);
TGadget* NewTextAreaGadget(TGadget* parent, int style);
TGadget* NewHyperlinkGadget(TGadget* parent, const QString& url, int style);
void InitHotKeys();
// Gives a new gadget its text, parent, shape, default font and visibility.
TGadget* FinishGadget(TGadget* g, const QString& text, int x, int y, int w, int h, TGadget* parent,
                      int style);
// Answers an open message box with Cancel, and every later one at once, for the terminate
// request: the program is about to save and end.
void CancelMessageBoxes();
