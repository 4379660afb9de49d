#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>

namespace velmora {

// Every wait of the serial line and the protocol. The program always runs kRealTiming; tests may
// run a scaled copy.
struct ProtocolTiming {
  std::chrono::milliseconds readInterval;        // gap between two received bytes
  std::chrono::milliseconds readTotalPerByte;    // read total = perByte * n + constant
  std::chrono::milliseconds readTotalConstant;
  std::chrono::milliseconds writeTotalPerByte;   // write total = perByte * n + constant
  std::chrono::milliseconds writeTotalConstant;
  std::chrono::milliseconds handshakePause;      // before the purge of every handshake
  std::chrono::milliseconds liveRetryPause;      // between live-command attempts
  std::chrono::milliseconds recoveryPause;       // after the recovery identification

  std::chrono::milliseconds ReadTotal(std::size_t n) const {
    return readTotalPerByte * static_cast<long>(n) + readTotalConstant;
  }
  std::chrono::milliseconds WriteTotal(std::size_t n) const {
    return writeTotalPerByte * static_cast<long>(n) + writeTotalConstant;
  }
  // Every wait divided by the divisor (at least 1 ms where the real value is not zero).
  ProtocolTiming ScaledDown(int divisor) const;
};

inline constexpr ProtocolTiming kRealTiming{
    std::chrono::milliseconds(388), std::chrono::milliseconds(1000),
    std::chrono::milliseconds(1000), std::chrono::milliseconds(2000),
    std::chrono::milliseconds(2),   std::chrono::milliseconds(200),
    std::chrono::milliseconds(100), std::chrono::milliseconds(2),
};

inline ProtocolTiming ProtocolTiming::ScaledDown(int divisor) const {
  auto scale = [divisor](std::chrono::milliseconds d) {
    return d.count() == 0 ? d : std::max(std::chrono::milliseconds(1), d / divisor);
  };
  return {scale(readInterval),      scale(readTotalPerByte), scale(readTotalConstant),
          scale(writeTotalPerByte), scale(writeTotalConstant), scale(handshakePause),
          scale(liveRetryPause),    scale(recoveryPause)};
}

}  // namespace velmora
