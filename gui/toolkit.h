#pragma once

// Starts the toolkit: the native GUI, the desktop gadget, the event queue, hot keys, picture
// loaders, embedded streams and the terminate request. Call once, before any gadget.

void InitToolkit();
