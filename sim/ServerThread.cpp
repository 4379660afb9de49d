#include "sim/ServerThread.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace velmora::sim {

bool ServerThread::Start(std::function<void()> serve, std::string* error) {
  Stop();
  if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (error) *error = std::string("pipe2: ") + std::strerror(errno);
    return false;
  }
  m_stop = false;
  m_thread = std::thread(std::move(serve));
  return true;
}

void ServerThread::Stop() {
  m_stop = true;
  if (m_thread.joinable()) {
    const char wake = 1;
    [[maybe_unused]] const auto n = ::write(m_wake[1], &wake, 1);
    m_thread.join();
  }
  for (int& fd : m_wake) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

ServerThread::Woken ServerThread::Wait(std::vector<pollfd>& fds,
                                       std::chrono::milliseconds timeout) {
  fds.push_back({m_wake[0], POLLIN, 0});
  const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
  const bool woken = fds.back().revents != 0;
  fds.pop_back();
  if (m_stop || woken || (ready < 0 && errno != EINTR)) return Woken::Stopped;
  return ready > 0 ? Woken::Ready : Woken::TimedOut;
}

}  // namespace velmora::sim
