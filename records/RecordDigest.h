#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <string>

#include "records/ProductionRecord.h"

namespace velmora {

// The record's content in one canonical form, and the tamper chain's hash over it.
class RecordDigest {
 public:
  // Every field but the hashes, as JSON with sorted keys: the same record gives the same bytes.
  static QJsonObject Content(const ProductionRecord& record);
  // SHA-256 (hex) of the canonical content followed by the previous record's hash.
  static std::string Hash(const ProductionRecord& record);
  // The record back from Content's JSON (the hashes are not part of it).
  static ProductionRecord FromContent(const QJsonObject& json);
};

}  // namespace velmora
