#include "instrument/MeterDialect.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>

#include "core/SafeFile.h"
#include "instrument/FileKind.h"
#include "instrument/InstrumentText.h"
#include "instrument/SettingsFile.h"

namespace velmora {
namespace {

struct Table {
  QString source;
  QJsonObject entries;
};

// A table file of the user or the bench: a regular file of JSON; a missing one is no table.
std::optional<Table> ReadTable(const QString& path, QString& error) {
  if (FileKind::Of(path) == FileKind::Kind::Missing) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uintmax_t size = 0;
  const SafeFile::Result read = SafeFile::Read(QFile::encodeName(path).toStdString(),
                                               MeterDialect::kMostTableBytes + 1, bytes, size);
  QJsonParseError parse{};
  const QJsonDocument doc = QJsonDocument::fromJson(
      QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), &parse);
  if (!read.ok()) {
    error =
        InstrumentText::Shown(path) + QStringLiteral(": ") + QString::fromStdString(read.Text());
  } else if (size > MeterDialect::kMostTableBytes) {
    error =
        InstrumentText::Shown(path) + QStringLiteral(": larger than a table of dialects can be");
  } else if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
    error = InstrumentText::Shown(path) +
            QStringLiteral(": not a JSON object of dialects (%1)").arg(parse.errorString());
  } else {
    return Table{path, doc.object()};
  }
  return std::nullopt;
}

// The tables in the order they are looked up in; error names the first that cannot be read.
std::vector<Table> Tables(QString& error) {
  std::vector<Table> tables;
  const QString name = QString::fromLatin1(MeterDialect::kTableName);
  for (const QString& path :
       {SettingsFile::Folder() + name, QString::fromLatin1(MeterDialect::kSystemFolder) + name}) {
    if (auto table = ReadTable(path, error)) tables.push_back(std::move(*table));
  }
  QFile builtIn(QStringLiteral(":/instrument/dialects.json"));
  if (builtIn.open(QIODevice::ReadOnly)) {
    tables.push_back({QString::fromLatin1(MeterDialect::kBuiltIn),
                      QJsonDocument::fromJson(builtIn.readAll()).object()});
  }
  return tables;
}

std::optional<MeterDialect> FromTable(const Table& table, const QString& name, QString& error) {
  auto dialect = MeterDialect::FromJson(
      name, QJsonDocument(table.entries.value(name).toObject()).toJson(), error);
  if (dialect) dialect->source = table.source;
  if (!dialect) error = InstrumentText::Shown(table.source) + QStringLiteral(": ") + error;
  return dialect;
}

}  // namespace

QStringList MeterDialect::Names() {
  QString error;
  QStringList names;
  for (const MeterDialect& dialect : All(error)) names << dialect.name;
  return names;
}

std::vector<MeterDialect> MeterDialect::All(QString& error) {
  std::vector<MeterDialect> all;
  QSet<QString> seen;
  for (const Table& table : Tables(error)) {
    for (const QString& name : table.entries.keys()) {
      if (seen.contains(name)) continue;
      seen.insert(name);
      if (auto dialect = FromTable(table, name, error)) all.push_back(std::move(*dialect));
    }
  }
  std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return all;
}

std::optional<MeterDialect> MeterDialect::Find(const QString& name, QString& error) {
  QString unreadable;
  const std::vector<Table> tables = Tables(unreadable);
  if (!unreadable.isEmpty()) {
    error = unreadable;
    return std::nullopt;
  }
  for (const Table& table : tables) {
    if (table.entries.contains(name)) return FromTable(table, name, error);
  }
  error = QStringLiteral("unknown meter dialect %1 (known: %2)")
              .arg(InstrumentText::Shown(name), Names().join(QStringLiteral(", ")));
  return std::nullopt;
}

std::optional<MeterDialect> MeterDialect::FromJson(const QString& name, const QByteArray& json,
                                                   QString& error) {
  const QJsonObject entry = QJsonDocument::fromJson(json).object();
  MeterDialect d;
  d.name = name;
  d.description = entry.value(QStringLiteral("description")).toString();
  const std::pair<const char*, QByteArray*> templates[] = {{"identify", &d.identify},
                                                           {"reset", &d.reset},
                                                           {"clearStatus", &d.clearStatus},
                                                           {"configure", &d.configure},
                                                           {"unitsWatts", &d.unitsWatts},
                                                           {"averaging", &d.averaging},
                                                           {"offset", &d.offset},
                                                           {"frequency", &d.frequency},
                                                           {"zero", &d.zero},
                                                           {"waitDone", &d.waitDone},
                                                           {"read", &d.read},
                                                           {"nextError", &d.nextError}};
  for (const auto& [key, field] : templates) {
    const QJsonValue value = entry.value(QLatin1String(key));
    // A line break in a template would send the meter two commands where one is meant.
    const QByteArray command = value.toString().toUtf8();
    if (!value.isString() || command.isEmpty() || !InstrumentText::IsPrintable(command)) {
      error = QStringLiteral("meter dialect %1 has no \"%2\" command in printable ASCII")
                  .arg(InstrumentText::Shown(name), QLatin1String(key));
      return std::nullopt;
    }
    *field = command;
  }
  return d;
}

QByteArray MeterDialect::Fill(const QByteArray& pattern, const char* placeholder,
                              const QByteArray& value) {
  return QByteArray(pattern).replace(QByteArray("{") + placeholder + "}", value);
}

}  // namespace velmora
