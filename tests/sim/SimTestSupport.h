#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "radio/ProtocolConstants.h"

namespace velmora::sim::test {

using Bytes = std::vector<std::uint8_t>;

// How long a test client waits for bytes that should come; a missing reply costs only this.
inline constexpr std::chrono::milliseconds kReplyWait{1000};
// How long a test client listens to make sure that nothing comes.
inline constexpr std::chrono::milliseconds kSilenceWait{60};

// The host's side of the substitution, written independently of the simulator from S alone.
inline std::uint8_t HostScramble(std::uint8_t b) {
  const auto& s = protocol::kSubstitution;
  return static_cast<std::uint8_t>(s[b >> 4] << 4 | s[b & 0x0F]);
}
inline std::uint8_t HostUnscramble(std::uint8_t b) {
  auto inverse = [](std::uint8_t nibble) {
    for (std::uint8_t i = 0; i < 16; ++i) {
      if (protocol::kSubstitution[i] == nibble) return i;
    }
    return std::uint8_t{0xFF};
  };
  return static_cast<std::uint8_t>(inverse(b >> 4) << 4 | inverse(b & 0x0F));
}

inline Bytes HandshakeRequest() {
  Bytes b(protocol::kAccessCode.begin(), protocol::kAccessCode.end());
  b.push_back(protocol::kStx);
  return b;
}
inline Bytes ReadRequest(std::uint16_t address) {
  return {protocol::kReadCommand, static_cast<std::uint8_t>(address >> 8),
          static_cast<std::uint8_t>(address), protocol::kReadLength};
}
// A write request: header and the 16 data bytes scrambled the way the host sends them.
inline Bytes WriteRequest(std::uint16_t address, const Bytes& data) {
  Bytes b = {protocol::kWriteCommand, static_cast<std::uint8_t>(address >> 8),
             static_cast<std::uint8_t>(address), protocol::kWriteLength};
  for (const auto d : data) b.push_back(HostScramble(d));
  return b;
}

// A serial client of a pseudo-terminal, as raw as the host's own line.
class RawClient {
 public:
  explicit RawClient(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) return;
    termios tio{};
    ::tcgetattr(m_fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_fd, TCSANOW, &tio);
    ::tcflush(m_fd, TCIOFLUSH);
  }
  ~RawClient() { Close(); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool isOpen() const { return m_fd >= 0; }
  void Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
  }
  bool Send(const Bytes& bytes) {
    return ::write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // Reads until n bytes came, the wait ran out, or the line hung up.
  Bytes Receive(std::size_t n, std::chrono::milliseconds wait = kReplyWait) {
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (out.size() < n) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd fd{m_fd, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) break;
      std::uint8_t buffer[256];
      const ssize_t got = ::read(m_fd, buffer, std::min(sizeof buffer, n - out.size()));
      if (got <= 0) {
        m_hungUp = true;
        break;
      }
      out.insert(out.end(), buffer, buffer + got);
    }
    return out;
  }
  Bytes Exchange(const Bytes& request, std::size_t replySize) {
    Send(request);
    return Receive(replySize);
  }
  // Handshake and identification, as every job starts.
  bool Connect() {
    return Exchange(HandshakeRequest(), 1) == Bytes{0x06} && Exchange({0x02}, 8).size() == 8 &&
           Exchange({0x06}, 1) == Bytes{0x06};
  }
  bool hungUp() const { return m_hungUp; }

 private:
  int m_fd = -1;
  bool m_hungUp = false;
};

}  // namespace velmora::sim::test
