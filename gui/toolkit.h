#pragma once

// Starts the toolkit: the native GUI, the desktop gadget, the event queue, hot keys, picture
// loaders, embedded streams and the terminate request. Call once, before any gadget.

void InitToolkit();
// Waits up to the given time, outside the event loop, for the system's terminate request (a
// SIGTERM, SIGINT or SIGHUP) and takes it; true when one came.
bool WaitForTerminateRequest(int milliseconds);

#include <QString>

// The application id under which the desktop knows the program: its desktop entry's name
// without ".desktop", which matches windows to their launcher and icon (on Wayland the
// window's app id). Call before the first window is shown.
void SetDesktopFileName(const QString& id);
