// Times the window from process start to its first map on the X server, beside a bare Qt Widgets
// window, in turns within one run so that both see the same machine. Needs an X display (for
// example under xvfb-run); the programs run as a user starts them and are ended once mapped.
// velmora-startup-bench [VELMORA]
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 15;
constexpr double kTarget = 1.5;  // the window against the bare one
constexpr std::chrono::seconds kMapWait{20};

struct Program {
  const char* name;
  std::vector<std::string> argv;
  std::vector<double> milliseconds;
};

// Waits for a top-level window to be mapped; false when none was within the wait.
bool WaitForMap(xcb_connection_t* x, Clock::time_point deadline) {
  pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
  for (;;) {
    while (auto* raw = xcb_poll_for_event(x)) {
      const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(raw, &std::free);
      if ((event->response_type & ~0x80) != XCB_MAP_NOTIFY) continue;
      if (!reinterpret_cast<xcb_map_notify_event_t*>(raw)->override_redirect) return true;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (xcb_connection_has_error(x) || left.count() <= 0 ||
        ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
      return false;
    }
  }
}

// One start of the program: milliseconds from spawn to its first mapped window, or -1.
double TimeToFirstMap(xcb_connection_t* x, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  while (auto* stale = xcb_poll_for_event(x)) std::free(stale);
  const auto start = Clock::now();
  posix_spawn_file_actions_t quiet;  // the programs' own warnings would bury the table
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return -1;
  const bool mapped = WaitForMap(x, start + kMapWait);
  const auto end = Clock::now();
  ::kill(pid, SIGKILL);  // mapped is all it was started for
  ::waitpid(pid, nullptr, 0);
  return mapped ? std::chrono::duration<double, std::milli>(end - start).count() : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

// An argument names another build of the window to time instead of this one.
int main(int argc, char** argv) {
  xcb_connection_t* x = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(x)) {
    std::fprintf(stderr, "no X display: run under xvfb-run -a\n");
    return 2;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(x);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  Program programs[] = {{"velmora", {argc > 1 ? argv[1] : VELMORA_PATH}, {}},
                        {"bare Qt window", {VELMORA_BARE_WINDOW_PATH}, {}}};
  std::vector<double> ratios;
  for (int run = -1; run < kRuns; ++run) {  // run -1 warms the caches and is not counted
    double pair[2];
    for (int p = 0; p < 2; ++p) {
      pair[p] = TimeToFirstMap(x, programs[p].argv);
      if (pair[p] < 0) {
        std::fprintf(stderr, "%s: no window mapped\n", programs[p].name);
        return 1;
      }
      if (run >= 0) programs[p].milliseconds.push_back(pair[p]);
    }
    if (run >= 0) ratios.push_back(pair[0] / pair[1]);
  }
  xcb_disconnect(x);
  std::printf("%-16s %10s %10s %10s   (start to first map, %d runs in turns)\n", "program",
              "median ms", "min ms", "max ms", kRuns);
  for (const Program& p : programs) {
    std::printf("%-16s %10.1f %10.1f %10.1f\n", p.name, Median(p.milliseconds),
                *std::min_element(p.milliseconds.begin(), p.milliseconds.end()),
                *std::max_element(p.milliseconds.begin(), p.milliseconds.end()));
  }
  const double ratio = Median(ratios);
  std::printf("ratio velmora / bare (median of pairs): %.2f; target <= %.2f: %s\n", ratio, kTarget,
              ratio <= kTarget ? "met" : "missed");
  return ratio <= kTarget ? 0 : 1;
}
