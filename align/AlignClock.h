#pragma once

#include <QDateTime>
#include <chrono>
#include <stop_token>

namespace velmora {

// The time an alignment stamps its report with and waits by (the cool-down between tables), so
// that a run is repeatable under a clock that only pretends.
class AlignClock {
 public:
  virtual ~AlignClock() = default;
  virtual QDateTime Now() = 0;
  // False when stopped before the time was up.
  virtual bool Wait(std::chrono::milliseconds duration, std::stop_token stop) = 0;
};

}  // namespace velmora
