#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <ostream>

#include "core/ImageFields.h"

namespace velmora {

// Image fields as JSON, for `show --json` and `diff --json`.
class FieldJson {
 public:
  // {"name", "offset", "size"}: where the field lies; a name several fields share is followed
  // by "@offset", so every name occurs once.
  static QJsonObject Place(const ImageField& field);
  // {"raw", "value"}: its bytes in hex and its decoded value; a level table's value lists its
  // points as {"mhz", "level"}.
  static QJsonObject Content(const ImageField& field, const CalibrationImage& image);
  // Both of the above in one object.
  static QJsonObject Field(const ImageField& field, const CalibrationImage& image);
  static QJsonValue Value(const FieldValue& value);
  static void Print(const QJsonObject& document, std::ostream& out);
};

}  // namespace velmora
