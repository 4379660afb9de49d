#include "cli/FieldJson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace velmora {

QJsonObject FieldJson::Place(const ImageField& field) {
  return {{"name", QString::fromStdString(ImageFields::UniqueName(field))},
          {"offset", qint64(field.offset)},
          {"size", qint64(field.size)}};
}

QJsonObject FieldJson::Content(const ImageField& field, const CalibrationImage& image) {
  return {{"raw", QString::fromStdString(ImageFields::Hex(image, field.offset, field.size))},
          {"value", Value(ImageFields::Value(field, image))}};
}

QJsonObject FieldJson::Field(const ImageField& field, const CalibrationImage& image) {
  QJsonObject entry = Place(field);
  const QJsonObject content = Content(field, image);
  for (auto it = content.begin(); it != content.end(); ++it) entry.insert(it.key(), it.value());
  return entry;
}

QJsonValue FieldJson::Value(const FieldValue& value) {
  switch (value.type) {
    case FieldValue::Type::Number:
      return qint64(value.number);
    case FieldValue::Type::Levels: {
      QJsonArray points;
      for (std::size_t k = 0; k < value.levels.size(); ++k) {
        points.append(QJsonObject{{"mhz", value.pointMhz[k]}, {"level", value.levels[k]}});
      }
      return points;
    }
    case FieldValue::Type::Text:
    case FieldValue::Type::Raw:
      break;
  }
  return QString::fromStdString(value.text);
}

void FieldJson::Print(const QJsonObject& document, std::ostream& out) {
  out << QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace velmora
