#include "align/TableRun.h"

#include <numeric>

#include "core/BandSettings.h"
#include "core/ImageLayout.h"

namespace velmora {

TableRun::TableRun(const AlignPlan& plan, PowerProbe& probe, AlignClock& clock,
                   PointListener listener)
    : m_plan(plan), m_search(plan, probe, clock), m_starts(plan), m_listener(std::move(listener)) {}

std::vector<int> TableRun::ChosenPoints(const AlignPlan& plan, const CalibrationImage& image,
                                        int band) {
  std::vector<int> all(layout::kPointsPerTable);
  std::iota(all.begin(), all.end(), 0);
  switch (plan.points) {
    case AlignPlan::Points::All:
      return all;
    case AlignPlan::Points::Listed:
      return plan.listedPoints;
    case AlignPlan::Points::InsideTransmitLimits:
      break;
  }
  const BandSettings settings = BandSettings::FromImage(image, band);
  std::vector<int> inside;
  for (const int k : all) {
    const int mhz = settings.PointMhz(k);
    if (mhz >= settings.txLow && mhz <= settings.txHigh) inside.push_back(k);
  }
  return inside;
}

bool TableRun::EndsTable(AlignVerdict verdict) {
  return verdict == AlignVerdict::Cancelled || verdict == AlignVerdict::MeterError ||
         verdict == AlignVerdict::KeyedTimeLimit || verdict == AlignVerdict::NotTried;
}

std::vector<PointResult> TableRun::Run(CalibrationImage& image, const TableRef& at,
                                       std::stop_token stop) {
  const int band = BandIndex(at.band()), table = at.table();
  const auto& target = m_plan.targets.at(std::size_t(band)).at(std::size_t(table));
  if (!target) return {};
  KeyedBudget budget{m_plan.safety.maxKeyedSecondsPerTable};
  std::vector<PointResult> results;
  bool ended = false;
  for (const int k : ChosenPoints(m_plan, image, band)) {
    const PointRef ref(at, k);
    PointResult point;
    point.band = band;
    point.table = table;
    point.point = k;
    point.mhz = BandSettings::FromImage(image, band).PointMhz(k);
    point.target = *target;
    point.oldLevel = point.newLevel = image.Level(ref);
    if (!ended) {
      const PointStart start = m_starts.Predict(ref, point.oldLevel);
      point = m_search.Run(std::move(point), start, budget, stop);
      m_starts.Learn(point);
      if (point.verdict == AlignVerdict::Aligned)
        image.SetLevel(ref, static_cast<std::uint8_t>(point.newLevel));
      ended = EndsTable(point.verdict);
    }
    if (m_listener) m_listener(point);
    results.push_back(std::move(point));
  }
  return results;
}

}  // namespace velmora
