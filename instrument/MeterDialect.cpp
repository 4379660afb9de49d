#include "instrument/MeterDialect.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace velmora {
namespace {

QJsonObject Table() {
  QFile file(QStringLiteral(":/instrument/dialects.json"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QJsonDocument::fromJson(file.readAll()).object();
}

}  // namespace

QStringList MeterDialect::Names() { return Table().keys(); }

std::optional<MeterDialect> MeterDialect::Find(const QString& name, QString& error) {
  const QJsonObject table = Table();
  if (!table.contains(name)) {
    error = QStringLiteral("unknown meter dialect %1 (known: %2)")
                .arg(name, QStringList(table.keys()).join(QStringLiteral(", ")));
    return std::nullopt;
  }
  return FromJson(name, QJsonDocument(table.value(name).toObject()).toJson(), error);
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
    if (!value.isString() || value.toString().isEmpty()) {
      error = QStringLiteral("meter dialect %1 has no \"%2\" command").arg(name, key);
      return std::nullopt;
    }
    *field = value.toString().toLatin1();
  }
  return d;
}

QByteArray MeterDialect::Fill(const QByteArray& pattern, const char* placeholder,
                              const QByteArray& value) {
  return QByteArray(pattern).replace(QByteArray("{") + placeholder + "}", value);
}

}  // namespace velmora
