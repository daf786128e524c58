#pragma once

// One-shot timers: after the given time a timer posts one TimerTick into the event queue, with
// the timer's handle as data and no source. The program's loops keep waiting in the system's
// own wait meanwhile, so a pending timer costs no CPU time and needs no thread.

// Starts a timer that fires once after milliseconds (0 or less: at the next pass of the loop);
// returns its handle, never 0.
int StartTimer(int milliseconds);
// Stops a timer before it fires, and drops its tick if it is already waiting in the queue. A
// handle of 0, or of a timer that has fired or was stopped, is ignored.
void StopTimer(int handle);
// True while the timer has neither fired nor been stopped.
bool TimerPending(int handle);
