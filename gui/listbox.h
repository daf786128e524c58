#pragma once

// A list of lines to choose one from, such as the decisions of a game. Choosing a line, with the
// mouse or the arrow keys, posts GadgetSelect with the line's index as data. Each line can have
// its own text for screen readers, shorter than what the eye reads.

#include "gui/gadget.h"

#include <QString>

// Class code of the list gadget.
constexpr int GADGET_LISTBOX = 21;

TGadget* CreateListBox(int x, int y, int w, int h, TGadget* parent);
// Adds a line; spoken is what a screen reader says of it (the text itself when empty).
void AddListLine(TGadget* list, const QString& text, const QString& spoken = QString());
void ClearList(TGadget* list);
int ListLines(TGadget* list);
// The chosen line, -1 when none; choosing one from the program posts no event.
int ListSelection(TGadget* list);
void SelectListLine(TGadget* list, int line);
QString ListLineText(TGadget* list, int line);
QString ListLineSpoken(TGadget* list, int line);
