#include "gui/timer.h"

#include "gui/event.h"

#include <QCoreApplication>
#include <QTimer>
#include <map>
#include <vector>

namespace
{
int nextHandle = 1;

// The running timers by handle.
std::map<int, QTimer*>& Timers()
{
  static std::map<int, QTimer*> timers;
  return timers;
}

// Timers that have fired. A timer cannot be deleted inside its own signal, and the game's loops
// never return to one that would carry out a deferred deletion, so they go at the next start.
std::vector<QTimer*>& Fired()
{
  static std::vector<QTimer*> fired;
  return fired;
}
} // namespace

int StartTimer(int milliseconds)
{
  for (QTimer* old : Fired())
    delete old;
  Fired().clear();
  const int handle = nextHandle++;
  if (nextHandle <= 0) nextHandle = 1;
  auto* timer = new QTimer(QCoreApplication::instance());
  timer->setSingleShot(true);
  timer->setInterval(milliseconds < 0 ? 0 : milliseconds);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, handle]() {
    Timers().erase(handle);
    Fired().push_back(timer);
    TEvent e;
    e.id = EVENT_TIMERTICK;
    e.data = handle;
    TEvent::Emit(e);
  });
  Timers()[handle] = timer;
  timer->start();
  return handle;
}

void StopTimer(int handle)
{
  if (handle == 0) return;
  const auto it = Timers().find(handle);
  if (it != Timers().end()) {
    delete it->second;
    Timers().erase(it);
  }
  ForgetEvents(EVENT_TIMERTICK, handle);
}

bool TimerPending(int handle)
{
  return Timers().count(handle) != 0;
}
