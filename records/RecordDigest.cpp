#include "records/RecordDigest.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>

namespace velmora {
namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }
std::string Text(const QJsonValue& v) { return v.toString().toStdString(); }

QString Hex(const std::vector<std::uint8_t>& bytes) {
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())).toHex());
}

std::vector<std::uint8_t> Bytes(const QJsonValue& v) {
  const QByteArray raw = QByteArray::fromHex(v.toString().toLatin1());
  return {raw.begin(), raw.end()};
}

QJsonObject PointJson(const AlignmentPointRow& p) {
  return {{"band", Text(p.band)},          {"table", p.table},
          {"point", p.point},              {"mhz", p.mhz},
          {"targetWatts", p.targetWatts},  {"windowWatts", p.windowWatts},
          {"oldLevel", p.oldLevel},        {"newLevel", p.newLevel},
          {"confirmedWatts", p.confirmedWatts}, {"liveTunes", p.liveTunes},
          {"readings", p.readings},        {"verdict", Text(p.verdict)}};
}

AlignmentPointRow PointFrom(const QJsonObject& o) {
  return {Text(o["band"]),         o["table"].toInt(),          o["point"].toInt(),
          o["mhz"].toDouble(),     o["targetWatts"].toDouble(), o["windowWatts"].toDouble(),
          o["oldLevel"].toInt(),   o["newLevel"].toInt(),       o["confirmedWatts"].toDouble(),
          o["liveTunes"].toInt(),  o["readings"].toInt(),       Text(o["verdict"])};
}

}  // namespace

QJsonObject RecordDigest::Content(const ProductionRecord& r) {
  QJsonArray points;
  for (const auto& p : r.points) points.append(PointJson(p));
  return {{"id", Text(r.id)},
          {"kind", Text(r.kind)},
          {"startedUtc", Text(r.startedUtc)},
          {"endedUtc", Text(r.endedUtc)},
          {"outcome", Text(r.outcome)},
          {"succeeded", r.succeeded},
          {"detail", Text(r.detail)},
          {"host", Text(r.host)},
          {"bench", Text(r.bench)},
          {"operator", Text(r.operatorName)},
          {"version", Text(r.version)},
          {"port", Text(r.port)},
          {"usbIdentity", Text(r.usbIdentity)},
          {"radioIdentification", Text(r.radioIdentification)},
          {"serial", Text(r.serial)},
          {"lot", Text(r.lot)},
          {"imageBefore", Hex(r.imageBefore)},
          {"imageAfter", Hex(r.imageAfter)},
          {"backupPath", Text(r.backupPath)},
          {"planName", Text(r.planName)},
          {"planSha256", Text(r.planSha256)},
          {"meterIdentification", Text(r.meterIdentification)},
          {"meterUrl", Text(r.meterUrl)},
          {"stationSequence", double(r.stationSequence)},
          {"points", points}};
}

std::string RecordDigest::Hash(const ProductionRecord& record) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(QJsonDocument(Content(record)).toJson(QJsonDocument::Compact));
  hash.addData(QByteArray::fromStdString(record.previousHash));
  return hash.result().toHex().toStdString();
}

ProductionRecord RecordDigest::FromContent(const QJsonObject& o) {
  ProductionRecord r;
  r.id = Text(o["id"]);
  r.kind = Text(o["kind"]);
  r.startedUtc = Text(o["startedUtc"]);
  r.endedUtc = Text(o["endedUtc"]);
  r.outcome = Text(o["outcome"]);
  r.succeeded = o["succeeded"].toBool();
  r.detail = Text(o["detail"]);
  r.host = Text(o["host"]);
  r.bench = Text(o["bench"]);
  r.operatorName = Text(o["operator"]);
  r.version = Text(o["version"]);
  r.port = Text(o["port"]);
  r.usbIdentity = Text(o["usbIdentity"]);
  r.radioIdentification = Text(o["radioIdentification"]);
  r.serial = Text(o["serial"]);
  r.lot = Text(o["lot"]);
  r.imageBefore = Bytes(o["imageBefore"]);
  r.imageAfter = Bytes(o["imageAfter"]);
  r.backupPath = Text(o["backupPath"]);
  r.planName = Text(o["planName"]);
  r.planSha256 = Text(o["planSha256"]);
  r.meterIdentification = Text(o["meterIdentification"]);
  r.meterUrl = Text(o["meterUrl"]);
  r.stationSequence = static_cast<long long>(o["stationSequence"].toDouble());
  for (const auto& p : o["points"].toArray()) r.points.push_back(PointFrom(p.toObject()));
  return r;
}

}  // namespace velmora
