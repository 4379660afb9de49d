#include "align/AlignPlanParser.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cmath>

#include "align/JsonKeyCheck.h"
#include "core/ImageLayout.h"
#include "core/SafeFile.h"

namespace velmora {
namespace {

// One JSON object under its path; remembers the first fault of the whole plan and which keys
// were read, so that unknown keys can be refused.
class Fields {
 public:
  Fields(const QJsonObject& object, QString path, QString& error)
      : m_object(object), m_path(std::move(path)), m_error(error) {}

  QString Path(const QString& key) const { return m_path.isEmpty() ? key : m_path + '.' + key; }
  bool Has(const QString& key) const { return m_object.contains(key); }

  QJsonValue Take(const QString& key, bool required = true) {
    m_known.insert(key);
    if (required && !m_object.contains(key)) Fail(key, QStringLiteral("missing"));
    return m_object.value(key);
  }
  void Fail(const QString& key, const QString& why) {
    if (m_error.isEmpty()) m_error = Path(key) + QStringLiteral(": ") + why;
  }

  QString Text(const QString& key, bool required = true) {
    const QJsonValue v = Take(key, required);
    if (v.isUndefined()) return {};
    if (!v.isString() || v.toString().trimmed().isEmpty()) Fail(key, QStringLiteral("not a text"));
    return v.toString();
  }
  double Number(const QString& key, double low, double high) {
    const QJsonValue v = Take(key);
    if (v.isUndefined()) return low;
    if (!v.isDouble()) {
      Fail(key, QStringLiteral("not a number"));
      return low;
    }
    const double d = v.toDouble();
    if (!std::isfinite(d) || d < low || d > high)
      Fail(key, QStringLiteral("%1 lies outside %2..%3").arg(d).arg(low).arg(high));
    return d;
  }
  int Integer(const QString& key, int low, int high) {
    const double d = Number(key, low, high);
    if (d != std::floor(d)) Fail(key, QStringLiteral("not a whole number"));
    return static_cast<int>(d);
  }
  Fields Object(const QString& key) {
    const QJsonValue v = Take(key);
    if (!v.isUndefined() && !v.isObject()) Fail(key, QStringLiteral("not an object"));
    return Fields(v.toObject(), Path(key), m_error);
  }
  // Call once every known key has been taken.
  void RefuseUnknown() {
    for (const QString& key : m_object.keys())
      if (!m_known.contains(key)) Fail(key, QStringLiteral("unknown field"));
  }

 private:
  QJsonObject m_object;
  QString m_path;
  QString& m_error;
  QSet<QString> m_known;
};

constexpr double kMaxTargetWatts = 100;

AlignPlan::Meter ReadMeter(Fields f) {
  AlignPlan::Meter m;
  m.url = f.Text(QStringLiteral("url"), false);
  m.dialect = f.Text(QStringLiteral("dialect"));
  m.offsetDb = f.Number(QStringLiteral("offsetDb"), -20, 80);
  m.maxInputDbm = f.Number(QStringLiteral("maxInputDbm"), -60, 60);
  m.averaging = f.Integer(QStringLiteral("averaging"), 1, 1024);
  m.settleMs = f.Integer(QStringLiteral("settleMs"), 0, 60000);
  f.RefuseUnknown();
  return m;
}

AlignPlan::Safety ReadSafety(Fields f) {
  AlignPlan::Safety s;
  s.maxLevel = f.Integer(QStringLiteral("maxLevel"), 1, layout::kMaxLevel);
  s.maxStep = f.Integer(QStringLiteral("maxStep"), 1, 255);
  // Two at least: an accepted level is always read twice.
  s.maxTries = f.Integer(QStringLiteral("maxTries"), 2, 100);
  s.maxKeyedSecondsPerTable = f.Number(QStringLiteral("maxKeyedSecondsPerTable"), 1, 3600);
  s.coolDownSeconds = f.Number(QStringLiteral("coolDownSeconds"), 0, 3600);
  f.RefuseUnknown();
  return s;
}

PowerTarget ReadTarget(Fields f, double maxRadioWatts) {
  PowerTarget t;
  t.watts = f.Number(QStringLiteral("watts"), 0.001, kMaxTargetWatts);
  t.minWatts = f.Number(QStringLiteral("min"), 0.001, kMaxTargetWatts);
  t.maxWatts = f.Number(QStringLiteral("max"), 0.001, kMaxTargetWatts);
  f.RefuseUnknown();
  if (t.minWatts >= t.watts) f.Fail(QStringLiteral("min"), QStringLiteral("not below watts"));
  if (t.maxWatts <= t.watts) f.Fail(QStringLiteral("max"), QStringLiteral("not above watts"));
  if (t.maxWatts > maxRadioWatts)
    f.Fail(QStringLiteral("max"), QStringLiteral("above the meter's maximum input (%1 W after "
                                                 "the offset)")
                                      .arg(maxRadioWatts, 0, 'g', 4));
  return t;
}

void ReadTargets(Fields f, AlignPlan& plan) {
  bool any = false;
  for (int b = 0; b < AlignPlan::kBands; ++b) {
    const QString band = AlignPlan::kBandKeys[std::size_t(b)];
    if (!f.Has(band)) continue;
    Fields tables = f.Object(band);
    for (int t = 0; t < AlignPlan::kTransmitTables; ++t) {
      const QString table = AlignPlan::kTableKeys[std::size_t(t)];
      if (!tables.Has(table)) continue;
      plan.targets[std::size_t(b)][std::size_t(t)] =
          ReadTarget(tables.Object(table), plan.MaxRadioWatts());
      any = true;
    }
    tables.RefuseUnknown();
  }
  f.RefuseUnknown();
  if (!any) f.Fail(QStringLiteral("A"), QStringLiteral("no table has a target"));
}

void ReadPoints(Fields& f, AlignPlan& plan) {
  const QString key = QStringLiteral("points");
  const QJsonValue v = f.Take(key, false);
  if (v.isUndefined() || v == QJsonValue(QStringLiteral("insideTransmitLimits"))) return;
  if (v == QJsonValue(QStringLiteral("all"))) {
    plan.points = AlignPlan::Points::All;
    return;
  }
  const QJsonArray list = v.toArray();
  plan.points = AlignPlan::Points::Listed;
  for (const QJsonValue& p : list) {
    const int k = p.toInt(-1);
    if (p.toDouble() != k || k < 0 || k >= layout::kPointsPerTable ||
        std::find(plan.listedPoints.begin(), plan.listedPoints.end(), k) !=
            plan.listedPoints.end()) {
      f.Fail(key, QStringLiteral("points are distinct numbers 0..15"));
      return;
    }
    plan.listedPoints.push_back(k);
  }
  if (plan.listedPoints.empty())
    f.Fail(key, QStringLiteral("\"insideTransmitLimits\", \"all\" or a list of points 0..15"));
}

void ReadConfirm(Fields& f, AlignPlan& plan) {
  const QString key = QStringLiteral("confirm");
  const QJsonValue v = f.Take(key, false);
  if (v.isUndefined() || v == QJsonValue(QStringLiteral("reading"))) return;
  if (v == QJsonValue(QStringLiteral("retune")))
    plan.confirm = AlignPlan::Confirm::Retune;
  else
    f.Fail(key, QStringLiteral("\"reading\" or \"retune\""));
}

}  // namespace

double AlignPlan::MaxRadioWatts() const {
  return std::pow(10.0, (meter.maxInputDbm + meter.offsetDb) / 10.0) / 1000.0;
}

AlignPlanParse AlignPlanParser::Parse(const QByteArray& bytes) {
  QJsonParseError jsonError;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &jsonError);
  if (jsonError.error != QJsonParseError::NoError) {
    // A value the parser cannot take (NaN, 1e999) is named by its key, as any other fault.
    const QString fault = JsonKeyCheck::FirstFault(bytes);
    return {std::nullopt, !fault.isEmpty() ? fault
                                           : QStringLiteral("not JSON at byte %1: %2")
                                                 .arg(jsonError.offset)
                                                 .arg(jsonError.errorString())};
  }
  if (!doc.isObject()) return {std::nullopt, QStringLiteral("not a JSON object")};
  QString error = JsonKeyCheck::FirstFault(bytes);
  if (!error.isEmpty()) return {std::nullopt, error};
  Fields f(doc.object(), QString(), error);
  AlignPlan plan;
  if (f.Integer(QStringLiteral("format"), kFormat, kFormat) != kFormat)
    return {std::nullopt, error};
  plan.name = f.Text(QStringLiteral("name"));
  plan.meter = ReadMeter(f.Object(QStringLiteral("meter")));
  // The targets are checked against the meter, so the meter is read first.
  if (error.isEmpty()) ReadTargets(f.Object(QStringLiteral("targets")), plan);
  ReadPoints(f, plan);
  ReadConfirm(f, plan);
  plan.safety = ReadSafety(f.Object(QStringLiteral("safety")));
  f.RefuseUnknown();
  if (!error.isEmpty()) return {std::nullopt, error};
  plan.sha256 =
      QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
  return {std::move(plan), {}};
}

AlignPlanParse AlignPlanParser::Load(const QString& path) {
  return LoadFile(QFile::encodeName(path).toStdString());
}

AlignPlanParse AlignPlanParser::LoadFile(const std::string& path) {
  const QString shown = QString::fromStdString(SafeFile::Shown(path)) + QStringLiteral(": ");
  std::vector<std::uint8_t> bytes;
  std::uintmax_t size = 0;
  const SafeFile::Result read = SafeFile::Read(path, kMostPlanBytes + 1, bytes, size);
  if (!read.ok()) return {std::nullopt, shown + QString::fromStdString(read.Text())};
  if (size > kMostPlanBytes || bytes.size() > kMostPlanBytes) {
    return {std::nullopt, shown + QStringLiteral("%1 bytes, larger than a plan can be (%2)")
                                      .arg(size)
                                      .arg(kMostPlanBytes)};
  }
  AlignPlanParse parse =
      Parse(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
  if (!parse.plan) parse.error = shown + parse.error;
  return parse;
}

}  // namespace velmora
