#pragma once

#include <functional>
#include <stop_token>
#include <vector>

#include "align/AlignReport.h"
#include "align/TableRun.h"

namespace velmora {

// Aligns several transmit tables one after the other, with the plan's cool-down between two
// tables, and fills the report's points and times. The caller fills in who and what ran.
class AlignRun {
 public:
  struct Table {
    int band = 0;
    int table = 0;
  };

  AlignRun(const AlignPlan& plan, PowerProbe& probe, AlignClock& clock,
           TableRun::PointListener listener = {});

  void SetPrior(StartPrediction::Prior prior) { m_tables.SetPrior(std::move(prior)); }

  void Run(CalibrationImage& image, const std::vector<Table>& tables, AlignReport& report,
           std::stop_token stop);
  // Told as each table ends, however it ended, before any cool-down: the transmitter stops here.
  void SetTableEnded(std::function<void(const Table&)> ended) { m_tableEnded = std::move(ended); }

 private:
  const AlignPlan& m_plan;
  AlignClock& m_clock;
  TableRun m_tables;
  std::function<void(const Table&)> m_tableEnded;
};

}  // namespace velmora
