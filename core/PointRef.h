#pragma once

#include <cstddef>
#include <optional>

#include "core/TableRef.h"

namespace velmora {

// One point of one level table of a band: the byte a slider, a live command and an alignment step
// all name.
class PointRef {
 public:
  // Throw std::out_of_range for a table or a point past a table's end.
  PointRef(TableRef table, int point);
  PointRef(Band band, int table, int point);
  // From numbers as a user or a file gives them: none when any is out of range.
  static std::optional<PointRef> From(int band, int table, int point);

  const TableRef& tableRef() const { return m_table; }
  Band band() const { return m_table.band(); }
  int table() const { return m_table.table(); }
  int point() const { return m_point; }
  // Where the point's level lies in the image.
  std::size_t Offset() const;

  friend bool operator==(const PointRef&, const PointRef&) = default;

 private:
  TableRef m_table;
  int m_point;
};

}  // namespace velmora
