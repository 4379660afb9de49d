#pragma once

#include <QByteArray>
#include <vector>

#include "records/LotData.h"
#include "records/ProductionRecord.h"

namespace velmora {

// A point as a lot's statistics read it; reading.point is left for the lot to number.
struct KeyedPointReading {
  LotPointKey key;
  LotReading reading;
};

// A record's points as one value of its own row, so a lot's statistics read one row per radio
// instead of joining every point row: band, table, point, verdict, level, live tunes and the
// confirmed power, 20 bytes a point, little-endian, the power as its exact double. Derived from
// the point rows, which stay the record's content.
class PointReadings {
 public:
  static constexpr int kBytesPerPoint = 20;
  // Empty (null) for a record without points.
  static QByteArray Pack(const std::vector<AlignmentPointRow>& points);
  // Appends the points a packed value holds; false when its length is not whole points.
  static bool Unpack(const QByteArray& packed, std::vector<KeyedPointReading>& out);
  // A point counts as aligned by the search's own verdict name or a record's summary of it.
  static bool Aligned(const std::string& verdict) {
    return verdict == "aligned" || verdict == "pass";
  }
};

}  // namespace velmora
