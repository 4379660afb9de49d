#include "transfer/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace velmora {
namespace {

// Lock-free, so the handler may touch it on whichever thread the signal lands.
std::atomic<int> g_received{0};
static_assert(std::atomic<int>::is_always_lock_free);
int g_pipe[2] = {-1, -1};  // made once, kept for the program's life: the handler may run late

constexpr char kSecondSignal[] = "velmora: a second signal: stopping at once\n";

// Only async-signal-safe calls: the first signal is written to the pipe, a second one is
// delivered again at its default action once this handler returns.
void OnStopSignal(int signal) {
  const int savedErrno = errno;
  if (g_received != 0) {
    [[maybe_unused]] const auto n = ::write(STDERR_FILENO, kSecondSignal, sizeof kSecondSignal - 1);
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
  if (!EnsurePipe()) return;  // without a pipe the signals keep their default action
  Drain();                    // a byte left by an earlier object's signal is not this one's
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
  for (std::size_t i = 0; i < m_previous.size(); ++i) {
    ::sigaction(m_signals[i], &m_previous[i], nullptr);
  }
}

int StopSignals::Received() { return g_received.load(); }

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
