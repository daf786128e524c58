#pragma once

// What the dialogs' own event loops share.

#include "gui/event.h"

// True when the event closes a dialog: a close request of any window, or the system's
// terminate request. The terminate request is handed on to the main loop as well, so that a
// logout or a kill while a dialog is open still saves the files and ends the program.
inline bool ClosesDialog(int id)
{
  if (id == EVENT_APPTERMINATE) TEvent::Emit(CurrentEvent());
  return id == EVENT_WINDOWCLOSE || id == EVENT_APPTERMINATE;
}
