#pragma once

#include <QString>

namespace velmora {

// One try at one transmit point: the level sent live to the radio at the point's frequency.
struct ProbeRequest {
  int band = 0;
  int table = 0;
  int point = 0;
  int mhz = 0;
  int level = 0;
};

// The meter's answer to a try, or the fault that kept it from answering.
struct ProbeReading {
  double watts = 0;
  double keyedSeconds = 0;  // from the live command to the end of the reading
  QString error;            // not empty: no reading
  bool noSignal = false;    // nothing at the sensor: the radio was not transmitting
};

// Keys the radio at a point with a level (one live tune), waits the settling time and reads the
// meter once. The search drives the bench through this alone, so it runs without serial lines.
class PowerProbe {
 public:
  virtual ~PowerProbe() = default;
  virtual ProbeReading Measure(const ProbeRequest& request) = 0;
  // Reads the meter once more while the radio still transmits the level measured last, without
  // a live tune. A bench that cannot tunes again.
  virtual ProbeReading Reread(const ProbeRequest& request) { return Measure(request); }
};

}  // namespace velmora
