#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace velmora {

// The command templates one family of power meters understands, read from the table of
// dialects that ships with the program (dialects.json): adding a meter family is adding an
// entry there. Templates carry their values as {hz}, {count} and {db}.
struct MeterDialect {
  QString name;
  QString description;
  QByteArray identify, reset, clearStatus, configure, unitsWatts, averaging, offset, frequency,
      zero, waitDone, read, nextError;

  static constexpr const char* kDefault = "scpi-1999";

  static QStringList Names();
  // Nothing, with the reason in error, for a name the table does not hold.
  static std::optional<MeterDialect> Find(const QString& name, QString& error);
  // A dialect from one entry of such a table; nothing when a template is missing.
  static std::optional<MeterDialect> FromJson(const QString& name, const QByteArray& json,
                                              QString& error);

  // The template with its placeholder replaced by the value.
  static QByteArray Fill(const QByteArray& pattern, const char* placeholder,
                         const QByteArray& value);
};

}  // namespace velmora
