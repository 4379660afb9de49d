#pragma once

#include <QString>

namespace velmora {

// Where the window finds the production records: this bench's SQLite file in the data folder,
// as velmora-cli keeps it, and the line's database the settings name.
class RecordsLocation {
 public:
  // Empty when there is no data folder.
  static QString Bench();
  // Empty when no line database is set ([records] url).
  static QString Line();
};

}  // namespace velmora
