#pragma once

#include <QString>

#include "instrument/InstrumentSettings.h"

namespace velmora {

// Whether the meter the settings name answers, and who it says it is: the bench's first check
// before an alignment. Blocking; the window runs it on a worker thread.
struct MeterCheck {
  QString identification;  // the meter's own answer to its identify query
  QString error;           // not empty: the dialect, the URL, the link or the meter failed

  bool ok() const { return error.isEmpty(); }

  // Makes the link on the calling thread (a socket belongs to the thread that makes it).
  static MeterCheck Identify(const InstrumentSettings& settings);
};

}  // namespace velmora
