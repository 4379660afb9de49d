#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace velmora::test {

// The example plan made fit for the simulated bench: its sensor sees the radio without an
// attenuator, and the settling and cool-down are scaled down with the simulator's amplifier.
inline QString WriteSimPlan(const QString& path, int settleMs) {
  QFile example(QStringLiteral(VELMORA_EXAMPLE_PLAN));
  if (!example.open(QIODevice::ReadOnly)) return {};
  QJsonObject plan = QJsonDocument::fromJson(example.readAll()).object();
  QJsonObject meter = plan["meter"].toObject();
  meter["offsetDb"] = 0;
  meter["maxInputDbm"] = 40;
  meter["settleMs"] = settleMs;
  plan["meter"] = meter;
  QJsonObject safety = plan["safety"].toObject();
  safety["coolDownSeconds"] = 0;
  plan["safety"] = safety;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(QJsonDocument(plan).toJson());
  return path;
}

}  // namespace velmora::test
