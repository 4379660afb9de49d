#pragma once

#include <functional>
#include <stop_token>
#include <vector>

#include "align/PointSearch.h"
#include "align/StartPrediction.h"
#include "core/CalibrationImage.h"
#include "core/TableRef.h"

namespace velmora {

// Aligns the chosen points of one transmit table in order, each from what the points before it
// (in this table and the tables run before) have shown, and puts every accepted level into the
// image; nothing else in the image changes.
class TableRun {
 public:
  // Told each point's result as soon as it is settled, the points not tried included.
  using PointListener = std::function<void(const PointResult&)>;

  TableRun(const AlignPlan& plan, PowerProbe& probe, AlignClock& clock,
           PointListener listener = {});

  // One result per chosen point, in order. A cancel, a meter fault or the table's keyed time
  // ends the table: the points after it are reported as not tried.
  std::vector<PointResult> Run(CalibrationImage& image, const TableRef& at, std::stop_token stop);

  // The points the plan names for a band: by default those whose frequency lies inside the
  // band's transmit limits in the image.
  static std::vector<int> ChosenPoints(const AlignPlan& plan, const CalibrationImage& image,
                                       int band);
  // A verdict after which no further point of the table is keyed.
  static bool EndsTable(AlignVerdict verdict);

  // Levels known per point before the run, for points nothing measured yet predicts.
  void SetPrior(StartPrediction::Prior prior) { m_starts.SetPrior(std::move(prior)); }

 private:
  const AlignPlan& m_plan;
  PointSearch m_search;
  StartPrediction m_starts;
  PointListener m_listener;
};

}  // namespace velmora
