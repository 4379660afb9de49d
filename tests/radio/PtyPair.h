#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// A pseudo-terminal whose master end the test holds; the code under test opens slavePath() as
// its serial device, and the test plays the radio on the master.
class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return m_master >= 0; }
  const std::string& slavePath() const { return m_slavePath; }
  int masterFd() const { return m_master; }

  // Sends bytes towards the serial device; true when all went out.
  bool Send(const std::vector<std::uint8_t>& bytes);
  // Collects what the serial device sent until n bytes are in or the timeout passes.
  std::vector<std::uint8_t> Receive(std::size_t n, std::chrono::milliseconds timeout);
  // Hangs up: the serial device loses its other end.
  void CloseMaster();

 private:
  int m_master = -1;
  std::string m_slavePath;
};

}  // namespace velmora::test
