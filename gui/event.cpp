#include "gui/event.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <deque>
#include <map>
#include <vector>

namespace
{
struct THook {
  int handle;
  int priority;
  THookFunction function;
};

std::vector<THook>& Hooks()
{
  static std::vector<THook> hooks;
  return hooks;
}

std::deque<TEvent>& Queue()
{
  static std::deque<TEvent> queue;
  return queue;
}

std::map<int, QString>& Descriptions()
{
  static std::map<int, QString> descriptions;
  return descriptions;
}

TEvent current;
int nextHandle = 1;

bool Coalesces(int id)
{
  return id == EVENT_GADGETACTION || id == EVENT_WINDOWMOVE || id == EVENT_WINDOWSIZE ||
         id == EVENT_TIMERTICK;
}

bool QueueHook(TEvent& event)
{
  auto& queue = Queue();
  if (Coalesces(event.id)) {
    for (TEvent& waiting : queue) {
      // Ticks of different one-shot timers share the empty source and stay apart by handle.
      if (waiting.id == event.id && waiting.source == event.source &&
          (event.id != EVENT_TIMERTICK || waiting.data == event.data)) {
        waiting.data = event.data;
        waiting.mods = event.mods;
        waiting.x = event.x;
        waiting.y = event.y;
        waiting.extra = event.extra;
        return false;
      }
    }
  }
  if (int(queue.size()) >= EVENT_QUEUE_CAPACITY) return false;
  queue.push_back(event);
  return false;
}

bool TakeEvent()
{
  if (Queue().empty()) return false;
  current = Queue().front();
  Queue().pop_front();
  return true;
}
} // namespace

void TEvent::RegisterId(int id, const QString& description)
{
  Descriptions()[id] = description;
}

QString TEvent::DescriptionForId(int id)
{
  const auto it = Descriptions().find(id);
  return it == Descriptions().end() ? QString() : it->second;
}

void TEvent::Emit(const TEvent& event)
{
  TEvent e = event;
  // Copy, since a hook may add or remove hooks while it runs.
  const std::vector<THook> hooks = Hooks();
  for (const THook& hook : hooks)
    if (!hook.function(e)) return;
}

int AddHook(int priority, THookFunction hook)
{
  auto& hooks = Hooks();
  const int handle = nextHandle++;
  const auto at = std::find_if(hooks.begin(), hooks.end(),
                               [priority](const THook& h) { return h.priority < priority; });
  hooks.insert(at, THook{handle, priority, std::move(hook)});
  return handle;
}

void RemoveHook(int handle)
{
  auto& hooks = Hooks();
  hooks.erase(std::remove_if(hooks.begin(), hooks.end(),
                             [handle](const THook& h) { return h.handle == handle; }),
              hooks.end());
}

int WaitEvent()
{
  // Blocks in the system's own wait: an idle program takes no CPU time.
  while (!TakeEvent())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  return current.id;
}

int PollEvent()
{
  if (!TakeEvent()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!TakeEvent()) current = TEvent();
  }
  return current.id;
}

const TEvent& CurrentEvent()
{
  return current;
}

int QueuedEvents()
{
  return int(Queue().size());
}

void FlushEvents()
{
  Queue().clear();
}

void ForgetEventSource(const TGadget* gadget)
{
  auto& queue = Queue();
  queue.erase(std::remove_if(queue.begin(), queue.end(),
                             [gadget](const TEvent& e) { return e.source == gadget; }),
              queue.end());
  if (current.source == gadget) current.source = nullptr;
}

void ForgetEvents(int id, int data)
{
  auto& queue = Queue();
  queue.erase(std::remove_if(queue.begin(), queue.end(),
                             [id, data](const TEvent& e) { return e.id == id && e.data == data; }),
              queue.end());
}

void InitEvents()
{
  static bool done = false;
  if (done) return;
  done = true;
  const std::pair<int, const char*> names[] = {
      {EVENT_APPSUSPEND, "AppSuspend"},
      {EVENT_APPRESUME, "AppResume"},
      {EVENT_APPTERMINATE, "AppTerminate"},
      {EVENT_APPOPENFILE, "AppOpenFile"},
      {EVENT_APPIDLE, "AppIdle"},
      {EVENT_KEYDOWN, "KeyDown"},
      {EVENT_KEYUP, "KeyUp"},
      {EVENT_KEYCHAR, "KeyChar"},
      {EVENT_KEYREPEAT, "KeyRepeat"},
      {EVENT_MOUSEDOWN, "MouseDown"},
      {EVENT_MOUSEUP, "MouseUp"},
      {EVENT_MOUSEMOVE, "MouseMove"},
      {EVENT_MOUSEWHEEL, "MouseWheel"},
      {EVENT_MOUSEENTER, "MouseEnter"},
      {EVENT_MOUSELEAVE, "MouseLeave"},
      {EVENT_TIMERTICK, "TimerTick"},
      {EVENT_HOTKEYHIT, "HotkeyHit"},
      {EVENT_GADGETACTION, "GadgetAction"},
      {EVENT_GADGETPAINT, "GadgetPaint"},
      {EVENT_GADGETSELECT, "GadgetSelect"},
      {EVENT_GADGETMENU, "GadgetMenu"},
      {EVENT_GADGETOPEN, "GadgetOpen"},
      {EVENT_GADGETCLOSE, "GadgetClose"},
      {EVENT_GADGETDONE, "GadgetDone"},
      {EVENT_GADGETLOSTFOCUS, "GadgetLostFocus"},
      {EVENT_GADGETSHAPE, "GadgetShape"},
      {EVENT_WINDOWMOVE, "WindowMove"},
      {EVENT_WINDOWSIZE, "WindowSize"},
      {EVENT_WINDOWCLOSE, "WindowClose"},
      {EVENT_WINDOWACTIVATE, "WindowActivate"},
      {EVENT_WINDOWACCEPT, "WindowAccept"},
      {EVENT_MENUACTION, "MenuAction"},
      {EVENT_STREAMEOF, "StreamEof"},
      {EVENT_STREAMAVAIL, "StreamAvail"},
      {EVENT_PROCESSEXIT, "ProcessExit"},
  };
  for (const auto& [id, name] : names)
    TEvent::RegisterId(id, QString::fromLatin1(name));
  AddHook(QUEUE_HOOK_PRIORITY, QueueHook);
}
