#include "core/PointRef.h"

#include <stdexcept>
#include <string>

#include "core/ImageLayout.h"

namespace velmora {

PointRef::PointRef(TableRef table, int point) : m_table(table), m_point(point) {
  if (point < 0 || point >= layout::kPointsPerTable) {
    throw std::out_of_range("no level point " + std::to_string(point));
  }
}

PointRef::PointRef(Band band, int table, int point) : PointRef(TableRef(band, table), point) {}

std::optional<PointRef> PointRef::From(int band, int table, int point) {
  const auto t = TableRef::From(band, table);
  if (!t || point < 0 || point >= layout::kPointsPerTable) return std::nullopt;
  return PointRef(*t, point);
}

std::size_t PointRef::Offset() const {
  return layout::LevelTableOffset(BandIndex(band()), table(), m_point);
}

}  // namespace velmora
