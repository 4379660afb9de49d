#include "ui/kit/DialogControls.h"

namespace velmora {

DialogControls::DialogControls(const DialogUnits& units, std::vector<Entry> entries)
    : m_units(units), m_entries(std::move(entries)) {
  for (const Entry& entry : m_entries) {
    if (entry.control->id != res::kNoId) m_byId.insert(entry.control->id, entry.widget);
  }
}

}  // namespace velmora
