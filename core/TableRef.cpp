#include "core/TableRef.h"

#include <stdexcept>
#include <string>

#include "core/ImageLayout.h"

namespace velmora {

TableRef::TableRef(Band band, int table) : m_band(band), m_table(table) {
  if (!BandAt(BandIndex(band))) throw std::out_of_range("no such band");
  if (table < 0 || table >= layout::kTablesPerBand) {
    throw std::out_of_range("no level table " + std::to_string(table));
  }
}

std::optional<TableRef> TableRef::From(int band, int table) {
  const auto b = BandAt(band);
  if (!b || table < 0 || table >= layout::kTablesPerBand) return std::nullopt;
  return TableRef(*b, table);
}

bool TableRef::IsReceiveTuning() const { return m_table == layout::kReceiveTuningTable; }

int TableRef::MaxLevel() const { return layout::MaxLevel(m_table); }

}  // namespace velmora
