#pragma once

#include <QSettings>
#include <QString>

namespace velmora {

// Where the records go, as the program's settings keep it in group [records]: the line's
// database (url=postgresql://user@host/db, empty for a bench alone) and this bench's name.
struct RecordsSettings {
  QString url;
  QString bench;

  static RecordsSettings Load(const QSettings& settings);
};

}  // namespace velmora
