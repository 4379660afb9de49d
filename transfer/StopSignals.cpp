#include "transfer/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>

namespace velmora {
namespace {

// Lock-free, so the handler may touch it on whichever thread the signal lands.
std::atomic<int> g_received{0};
static_assert(std::atomic<int>::is_always_lock_free);
int g_pipe[2] = {-1, -1};  // made once, kept for the program's life: the handler may run late

constexpr char kSecondSignal[] = "velmora: a second signal: stopping at once\n";

std::atomic<int> g_installed{0};

// Every version of the last words is kept for the program's life: the handler may be reading an
// older one while a thread publishes the next.
struct LastWords {
  std::mutex mutex;
  std::map<int, std::string> texts;
  std::vector<std::unique_ptr<const std::string>> versions;
  std::atomic<const std::string*> current{nullptr};
};

LastWords& Words() {
  static LastWords words;
  return words;
}

// Only async-signal-safe calls: the first signal is written to the pipe, a second one is
// delivered again at its default action once this handler returns.
void OnStopSignal(int signal) {
  const int savedErrno = errno;
  if (g_received != 0) {
    [[maybe_unused]] const auto n = ::write(STDERR_FILENO, kSecondSignal, sizeof kSecondSignal - 1);
    if (const std::string* words = Words().current.load(); words && !words->empty()) {
      [[maybe_unused]] const auto m = ::write(STDERR_FILENO, words->data(), words->size());
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  } else {
    g_received = signal;
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
  }
  errno = savedErrno;
}

bool EnsurePipe() { return g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0; }

}  // namespace

StopSignals::StopSignals(Stop stop, Delivery delivery, std::vector<int> caught)
    : m_stop(std::move(stop)), m_signals(std::move(caught)) {
  Words();                    // made before any handler may look at it
  if (!EnsurePipe()) return;  // without a pipe the signals keep their default action
  ++g_installed;
  m_installed = true;
  Drain();  // a byte left by an earlier object's signal is not this one's
  g_received = 0;
  if (delivery == Delivery::EventLoop) {
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::Deliver);
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (const int s : m_signals) sigaddset(&action.sa_mask, s);
  for (const int s : m_signals) {
    struct sigaction previous {};
    ::sigaction(s, nullptr, &previous);
    m_previous.push_back(previous);
    if (previous.sa_handler != SIG_IGN) ::sigaction(s, &action, nullptr);
  }
}

StopSignals::~StopSignals() {
  if (m_installed) --g_installed;
  for (std::size_t i = 0; i < m_previous.size(); ++i) {
    ::sigaction(m_signals[i], &m_previous[i], nullptr);
  }
}

int StopSignals::Received() { return g_received.load(); }

bool StopSignals::Installed() { return g_installed.load() > 0; }

void StopSignals::SetLastWords(int key, const std::string& text) {
  LastWords& words = Words();
  const std::lock_guard lock(words.mutex);
  if (text.empty()) {
    words.texts.erase(key);
  } else {
    words.texts[key] = text;
  }
  std::string all;
  for (const auto& [k, t] : words.texts) all += t;
  words.versions.push_back(std::make_unique<const std::string>(std::move(all)));
  words.current = words.versions.back().get();
}

void StopSignals::Deliver() {
  Drain();
  if (const int signal = g_received.load(); signal != 0 && m_stop) m_stop(signal);
}

void StopSignals::Drain() {
  char bytes[16];
  while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
  }
}

}  // namespace velmora
