#pragma once

#include <chrono>

namespace velmora::meter {

// Every fault the simulated power meter can be told to show; the default is a good meter.
struct MeterFaults {
  bool silent = false;                // answers nothing at all
  int error = 0;                      // this SCPI error joins the queue after every setting command
  bool overrange = false;             // every reading is the over-range value 9.9E37
  bool stuck = false;                 // every reading repeats the first one
  std::chrono::milliseconds slow{0};  // every answer comes this much later
};

}  // namespace velmora::meter
