#pragma once

#include <QHash>
#include <QWidget>
#include <vector>

#include "res/DialogTemplate.h"
#include "ui/kit/DialogUnits.h"

namespace velmora {

// The widgets a template builder made, reachable by control id.
class DialogControls {
 public:
  struct Entry {
    const res::ControlTemplate* control;
    QWidget* widget;
  };

  DialogControls() : m_units(0, 0) {}
  DialogControls(const DialogUnits& units, std::vector<Entry> entries);

  QWidget* Widget(int id) const { return m_byId.value(id, nullptr); }
  template <class T>
  T* Get(int id) const {
    return qobject_cast<T*>(Widget(id));
  }
  // Every control in template order, statics without an id included.
  const std::vector<Entry>& All() const { return m_entries; }
  const DialogUnits& units() const { return m_units; }

 private:
  DialogUnits m_units;
  std::vector<Entry> m_entries;
  QHash<int, QWidget*> m_byId;
};

}  // namespace velmora
