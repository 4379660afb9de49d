#pragma once

#include "align/AlignClock.h"

namespace velmora {

// The wall clock in UTC; a wait ends early when its stop is requested.
class SystemAlignClock : public AlignClock {
 public:
  QDateTime Now() override;
  bool Wait(std::chrono::milliseconds duration, std::stop_token stop) override;
};

}  // namespace velmora
