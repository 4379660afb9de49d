#include "align/AlignRun.h"

#include <algorithm>

namespace velmora {

AlignRun::AlignRun(const AlignPlan& plan, PowerProbe& probe, AlignClock& clock,
                   TableRun::PointListener listener)
    : m_plan(plan), m_clock(clock), m_tables(plan, probe, clock, std::move(listener)) {}

void AlignRun::Run(CalibrationImage& image, const std::vector<Table>& tables, AlignReport& report,
                   std::stop_token stop) {
  report.start = m_clock.Now();
  report.planName = m_plan.name;
  report.planSha256 = m_plan.sha256;
  report.meterOffsetDb = m_plan.meter.offsetDb;
  std::stop_source ended;  // a cancel, or a meter fault, stops the tables after it
  std::stop_callback forward(stop, [&ended] { ended.request_stop(); });
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const auto coolDown =
        std::chrono::milliseconds(static_cast<long long>(m_plan.safety.coolDownSeconds * 1000));
    if (i > 0 && !ended.stop_requested()) m_clock.Wait(coolDown, ended.get_token());
    std::vector<PointResult> points = m_tables.Run(
        image, TableRef::From(tables[i].band, tables[i].table).value(), ended.get_token());
    if (m_tableEnded) m_tableEnded(tables[i]);
    // A meter at fault is not trusted for the next table either.
    const bool meterFault = std::any_of(points.begin(), points.end(), [](const PointResult& p) {
      return p.verdict == AlignVerdict::MeterError;
    });
    if (meterFault) ended.request_stop();
    report.points.insert(report.points.end(), points.begin(), points.end());
  }
  report.end = m_clock.Now();
}

}  // namespace velmora
