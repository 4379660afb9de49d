#pragma once

#include <QSqlDatabase>
#include <string>

namespace velmora {

// The records' tables in either engine, and the steps that bring an older database up to date.
class RecordSchema {
 public:
  static constexpr int kVersion = 2;
  // Creates or migrates the schema in one transaction; refuses a database made by a newer
  // program, naming both versions.
  static bool Migrate(QSqlDatabase db, bool postgres, std::string& error);
};

}  // namespace velmora
