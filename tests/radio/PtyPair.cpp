#include "tests/radio/PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <thread>

#include "sim/PseudoTerminal.h"

namespace velmora::test {

PtyPair::PtyPair() { m_master = sim::PseudoTerminal::OpenMaster(m_slavePath, nullptr); }

PtyPair::~PtyPair() { CloseMaster(); }

bool PtyPair::Send(const std::vector<std::uint8_t>& bytes) {
  std::size_t sent = 0;
  while (m_master >= 0 && sent < bytes.size()) {
    const auto n = ::write(m_master, bytes.data() + sent, bytes.size() - sent);
    if (n <= 0) {
      return false;
    }
    sent += static_cast<std::size_t>(n);
  }
  return sent == bytes.size();
}

std::vector<std::uint8_t> PtyPair::Receive(std::size_t n, std::chrono::milliseconds timeout) {
  std::vector<std::uint8_t> got;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (m_master >= 0 && got.size() < n) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd pfd{m_master, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
      break;
    }
    if (!(pfd.revents & POLLIN)) {
      // Nobody holds the device end (yet, or between two opens): wait for it to come.
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    std::uint8_t buffer[256];
    const auto r = ::read(m_master, buffer, std::min(sizeof buffer, n - got.size()));
    if (r <= 0) {
      break;
    }
    got.insert(got.end(), buffer, buffer + r);
  }
  return got;
}

void PtyPair::CloseMaster() {
  if (m_master >= 0) {
    ::close(m_master);
    m_master = -1;
  }
}

}  // namespace velmora::test
