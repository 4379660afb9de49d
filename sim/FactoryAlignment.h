#pragma once

#include "sim/SimulatedRadio.h"

namespace velmora::sim {

// A plausible factory alignment for a fresh simulated radio: erased memory (0xFF) with the four
// regions the host reads by default filled with values that differ from the host's own defaults
// (varying power tables, receiver tuning, band plans and limits, power-on texts).
class FactoryAlignment {
 public:
  static RadioMemory Make();
};

}  // namespace velmora::sim
