#pragma once

#include <functional>

#include "model/Transmitter.h"
#include "sim/SimulatedRadio.h"

namespace velmora::sim {

// The simulated radio's transmitter as the simulated meter measures it: a live command of a
// transmit table keys it at its point's frequency and level, the end of transmitting unkeys it.
class TransmitterWatch {
 public:
  // For PtyRadioServer::SetTransmitListener; the transmitter must outlive the radio's server.
  static std::function<void(const TransmitEvent&)> Listener(meter::Transmitter& transmitter);
};

}  // namespace velmora::sim
