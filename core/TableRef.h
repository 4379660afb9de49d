#pragma once

#include <optional>

#include "core/Band.h"

namespace velmora {

// One of a band's four level tables; the last is the receive tuning, never sent live, whose
// levels stop at 63.
class TableRef {
 public:
  // Throws std::out_of_range for a table the band does not have.
  TableRef(Band band, int table);
  // From numbers as a user or a file gives them: none when either is out of range.
  static std::optional<TableRef> From(int band, int table);

  Band band() const { return m_band; }
  int table() const { return m_table; }
  bool IsReceiveTuning() const;
  int MaxLevel() const;

  friend bool operator==(const TableRef&, const TableRef&) = default;

 private:
  Band m_band;
  int m_table;
};

}  // namespace velmora
