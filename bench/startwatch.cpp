// Times the start of a whole program on an X server: from the moment it is spawned until the
// server maps its window with the given title, then, once the program has had time to paint
// and settle, reads its resident memory; then ends it with SIGTERM. Prints one line:
//   <wall ms to the map> <CPU ms of its threads at the map> <VmRSS KiB> <ms they waited for a CPU>
// The last says how busy the machine was: on a quiet one it is near 0 and the wall time is the
// processor time plus what the program waited for (the X server, the disk).
// The map is watched as the server reports it (SubstructureNotify on the root window, which
// sees every top-level window of a server without a window manager), so nothing polls and the
// watcher takes no processor time while the program starts.
// Usage: startwatch [--settle MS] TITLE PROGRAM [ARGUMENTS...]

#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace
{
using Clock = std::chrono::steady_clock;

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
  XcbReply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr),
      &std::free);
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::string Property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type)
{
  XcbReply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 256), nullptr),
      &std::free);
  if (!reply) return {};
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     size_t(xcb_get_property_value_length(reply.get())));
}

// Processor time of every thread of the process so far, and the time they waited on a run
// queue, in nanoseconds (the scheduler's own counts, not the coarse ticks of /proc/PID/stat).
struct TSched {
  long long runNs = 0;
  long long waitNs = 0;
};

TSched Sched(pid_t pid)
{
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  TSched sum;
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return sum;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream stat(tasks + "/" + entry->d_name + "/schedstat");
    long long run = 0, wait = 0;
    if (stat >> run >> wait) {
      sum.runNs += run;
      sum.waitNs += wait;
    }
  }
  closedir(dir);
  return sum;
}

long RssKib(pid_t pid)
{
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      long kib = -1;
      status >> kib;
      return kib;
    }
    status.ignore(1 << 20, '\n');
  }
  return -1;
}

int Fail(const char* what, pid_t pid)
{
  std::fprintf(stderr, "startwatch: %s\n", what);
  if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  return 1;
}
} // namespace

int main(int argc, char** argv)
{
  int settleMs = 500;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--settle") == 0) {
    settleMs = std::atoi(argv[2]);
    first = 3;
  }
  if (argc - first < 2) {
    std::fprintf(stderr, "usage: %s [--settle MS] TITLE PROGRAM [ARGUMENTS...]\n", argv[0]);
    return 2;
  }
  const std::string title = argv[first];

  // A server busy with the previous program may refuse a connection for a moment.
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  for (int tries = 1; xcb_connection_has_error(c) && tries < 20; ++tries) {
    xcb_disconnect(c);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    c = xcb_connect(nullptr, nullptr);
  }
  if (xcb_connection_has_error(c)) return Fail("cannot connect to the X server", 0);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const xcb_atom_t netWmName = Atom(c, "_NET_WM_NAME");
  const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  // Checked, so that the watch is in place before the program starts.
  if (xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask)))
    return Fail("cannot watch the root window", 0);

  pid_t pid = 0;
  const Clock::time_point start = Clock::now();
  if (posix_spawnp(&pid, argv[first + 1], nullptr, nullptr, argv + first + 1, environ) != 0)
    return Fail("cannot start the program", 0);

  const Clock::time_point deadline = start + std::chrono::seconds(30);
  pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
  for (;;) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      const bool map = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
      const xcb_window_t window =
          map ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
      std::free(event);
      if (!map) continue;
      // The moment is taken before the window's title is asked for, which costs a round trip.
      const Clock::time_point mapped = Clock::now();
      const TSched sched = Sched(pid);
      std::string name = Property(c, window, netWmName, utf8);
      if (name.empty()) name = Property(c, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
      if (name != title) continue;
      std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
      const long rss = RssKib(pid);
      kill(pid, SIGTERM);
      int status = 0;
      waitpid(pid, &status, 0);
      xcb_disconnect(c);
      std::printf("%.3f %.3f %ld %.3f\n",
                  std::chrono::duration<double, std::milli>(mapped - start).count(),
                  double(sched.runNs) / 1e6, rss, double(sched.waitNs) / 1e6);
      return 0;
    }
    if (xcb_connection_has_error(c)) return Fail("lost the X server", pid);
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid)
      return Fail("the program ended before its window", 0);
    if (Clock::now() > deadline) return Fail("no window within 30 s", pid);
    if (poll(&fd, 1, 100) < 0 && errno != EINTR) return Fail("poll", pid);
  }
}
