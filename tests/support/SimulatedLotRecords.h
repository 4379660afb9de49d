#pragma once

#include <QDateTime>
#include <set>
#include <string>

#include "records/RecordStore.h"
#include "sim/SimulatedLot.h"

// A simulated production lot written as alignment records through the records' own API: each
// radio a different seed, some with an amplifier unlike the lot's, and a path-loss step on the
// bench after a chosen radio.
namespace velmora::test {

struct LotRecipe {
  int radios = 200;
  std::uint64_t firstSeed = 1000;
  std::set<int> oddRadios;  // zero-based positions of the odd amplifiers
  double oddKnee = 1.35;    // their knee against the curve's (the lot's lie within 6 %)
  int stepAfter = -1;       // radios after this position see the extra loss
  double stepDb = 0.5;
  std::string host = "bench-host";
  std::string bench = "line-1";
  std::string lot = "WO-2026-12";
  QDateTime start = QDateTime(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
  int secondsPerRadio = 80;
};

inline std::string SerialOf(int radio) { return "SN" + std::to_string(100000 + radio); }

inline std::string UtcText(const QDateTime& time) {
  return time.toString(Qt::ISODateWithMs).toStdString();
}

// The record a radio of the lot leaves; empty error when every record is stored.
inline ProductionRecord LotRecord(const LotRecipe& recipe, int radio) {
  sim::LotRadioSetup setup{recipe.firstSeed + std::uint64_t(radio),
                           recipe.stepAfter >= 0 && radio > recipe.stepAfter ? recipe.stepDb : 0,
                           recipe.oddRadios.count(radio) ? recipe.oddKnee : 1.0};
  ProductionRecord r;
  r.kind = "align";
  const QDateTime started = recipe.start.addSecs(qint64(radio) * (recipe.secondsPerRadio + 10));
  r.startedUtc = UtcText(started);
  r.endedUtc = UtcText(started.addSecs(recipe.secondsPerRadio));
  r.outcome = "成功!";
  r.succeeded = true;
  r.host = recipe.host;
  r.bench = recipe.bench;
  r.operatorName = "operator";
  r.version = "1.0.0.1";
  r.serial = SerialOf(radio);
  r.lot = recipe.lot;
  r.planName = "simulated lot";
  for (const sim::LotAlignedPoint& p : sim::SimulatedLot::Align(setup, sim::SimulatedLot::Plan())) {
    r.points.push_back({p.where.band ? "B" : "A", p.where.table, p.where.point, p.where.mhz,
                        p.where.targetWatts, p.where.windowWatts, 0, p.level, p.confirmedWatts,
                        p.liveTunes, p.liveTunes + 1, "aligned"});
  }
  return r;
}

inline std::string WriteLot(RecordStore& store, const LotRecipe& recipe) {
  std::string error;
  for (int radio = 0; radio < recipe.radios; ++radio) {
    ProductionRecord record = LotRecord(recipe, radio);
    if (!store.Add(record, error)) return error;
  }
  return {};
}

}  // namespace velmora::test
