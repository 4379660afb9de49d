#include "sim/TransmitterWatch.h"

namespace velmora::sim {

std::function<void(const TransmitEvent&)> TransmitterWatch::Listener(
    meter::Transmitter& transmitter) {
  return [&transmitter](const TransmitEvent& event) {
    if (event.keyed) {
      transmitter.Key(event.frequencyMHz, event.level, meter::ModelClock::now());
    } else {
      transmitter.Unkey();
    }
  };
}

}  // namespace velmora::sim
