#pragma once

// Events: the record every user action becomes, the emit hooks and the one queue that the
// program's loops drain.

#include <QString>
#include <functional>

class TGadget;

enum : int {
  EVENT_APPSUSPEND = 0x101,
  EVENT_APPRESUME = 0x102,
  EVENT_APPTERMINATE = 0x103,
  EVENT_APPOPENFILE = 0x104,
  EVENT_APPIDLE = 0x105,
  EVENT_KEYDOWN = 0x201,
  EVENT_KEYUP = 0x202,
  EVENT_KEYCHAR = 0x203,
  EVENT_KEYREPEAT = 0x204,
  EVENT_MOUSEDOWN = 0x401,
  EVENT_MOUSEUP = 0x402,
  EVENT_MOUSEMOVE = 0x403,
  EVENT_MOUSEWHEEL = 0x404,
  EVENT_MOUSEENTER = 0x405,
  EVENT_MOUSELEAVE = 0x406,
  EVENT_TIMERTICK = 0x801,
  EVENT_HOTKEYHIT = 0x1001,
  EVENT_GADGETACTION = 0x2001,
  EVENT_GADGETPAINT = 0x2002,
  EVENT_GADGETSELECT = 0x2003,
  EVENT_GADGETMENU = 0x2004,
  EVENT_GADGETOPEN = 0x2005,
  EVENT_GADGETCLOSE = 0x2006,
  EVENT_GADGETDONE = 0x2007,
  EVENT_GADGETLOSTFOCUS = 0x2008,
  EVENT_GADGETSHAPE = 0x2009,
  EVENT_WINDOWMOVE = 0x4001,
  EVENT_WINDOWSIZE = 0x4002,
  EVENT_WINDOWCLOSE = 0x4003,
  EVENT_WINDOWACTIVATE = 0x4004,
  EVENT_WINDOWACCEPT = 0x4005,
  EVENT_MENUACTION = 0x8001,
  EVENT_STREAMEOF = 0x10001,
  EVENT_STREAMAVAIL = 0x10002,
  EVENT_PROCESSEXIT = 0x20001,
};

// Modifier bits of an event's mods.
enum : int { MODIFIER_SHIFT = 1, MODIFIER_CONTROL = 2, MODIFIER_ALT = 4, MODIFIER_SYSTEM = 8 };

// The queue holds at most this many waiting events; more are dropped.
constexpr int EVENT_QUEUE_CAPACITY = 256;
constexpr int QUEUE_HOOK_PRIORITY = -10000;

struct TEvent {
  int id = 0;
  TGadget* source = nullptr;
  int data = 0;
  int mods = 0;
  int x = 0;
  int y = 0;
  QString extra;

  static void RegisterId(int id, const QString& description);
  static QString DescriptionForId(int id);
  // Passes the event through the hooks, the queue being the last of them.
  static void Emit(const TEvent& event);
};

// A hook sees an event before lower priorities do; it may change it, and returns false to
// swallow it.
using THookFunction = std::function<bool(TEvent&)>;
int AddHook(int priority, THookFunction hook);
void RemoveHook(int handle);

int WaitEvent();
int PollEvent();
const TEvent& CurrentEvent();
inline int EventID()
{
  return CurrentEvent().id;
}
inline TGadget* EventSource()
{
  return CurrentEvent().source;
}
inline int EventData()
{
  return CurrentEvent().data;
}
inline int EventMods()
{
  return CurrentEvent().mods;
}
inline int EventX()
{
  return CurrentEvent().x;
}
inline int EventY()
{
  return CurrentEvent().y;
}

// Waiting events, for tests and for freeing gadgets.
int QueuedEvents();
void FlushEvents();
// A freed gadget's waiting events are dropped, so that no stale source is ever seen.
void ForgetEventSource(const TGadget* gadget);
// Drops the waiting events of one kind with this data, such as a stopped timer's tick.
void ForgetEvents(int id, int data);

void InitEvents();
