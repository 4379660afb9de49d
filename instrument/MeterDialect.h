#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace velmora {

// The command templates one family of power meters understands, read from tables of dialects
// (dialects.json): the user's (in the settings' folder), the bench's (/etc/velmora/) and the one
// built into the program, looked up in that order, so adding a meter family is adding an entry
// to a file. Templates carry their values as {hz}, {count} and {db}.
struct MeterDialect {
  static constexpr const char* kTableName = "dialects.json";
  static constexpr const char* kSystemFolder = "/etc/velmora/";
  static constexpr const char* kBuiltIn = "built in";
  static constexpr std::size_t kMostTableBytes = 1024 * 1024;

  QString name;
  QString description;
  QString source;  // the table it came from: a file's path, or kBuiltIn
  QByteArray identify, reset, clearStatus, configure, unitsWatts, averaging, offset, frequency,
      zero, waitDone, read, nextError;

  static constexpr const char* kDefault = "scpi-1999";

  static QStringList Names();
  // Every dialect a lookup can find, by name, each from the first table that holds it; error
  // names a table that exists but cannot be read.
  static std::vector<MeterDialect> All(QString& error);
  // Nothing, with the reason in error, for a name no table holds or a table that cannot be read.
  static std::optional<MeterDialect> Find(const QString& name, QString& error);
  // A dialect from one entry of such a table; nothing when a template is missing.
  static std::optional<MeterDialect> FromJson(const QString& name, const QByteArray& json,
                                              QString& error);

  // The template with its placeholder replaced by the value.
  static QByteArray Fill(const QByteArray& pattern, const char* placeholder,
                         const QByteArray& value);
};

}  // namespace velmora
