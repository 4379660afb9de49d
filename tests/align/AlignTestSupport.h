#pragma once

#include <gtest/gtest.h>

#include <map>

#include "MeterModel.h"
#include "align/AlignClock.h"
#include "align/AlignPlanParser.h"

namespace velmora::test {

// A clock that only pretends: a second passes per look, and waits are recorded, not slept.
class FakeClock : public AlignClock {
 public:
  QDateTime Now() override { return m_now = m_now.addSecs(1); }
  bool Wait(std::chrono::milliseconds duration, std::stop_token stop) override {
    waits.push_back(duration);
    m_now = m_now.addMSecs(duration.count());
    return !stop.stop_requested();
  }
  std::vector<std::chrono::milliseconds> waits;

 private:
  QDateTime m_now = QDateTime(QDate(2026, 1, 5), QTime(8, 0), Qt::UTC);
};

// The plan shipped with the package, which every test starts from.
inline AlignPlan ExamplePlan() {
  AlignPlanParse parse = AlignPlanParser::Load(QStringLiteral(VELMORA_EXAMPLE_PLAN));
  EXPECT_TRUE(parse.plan) << parse.error.toStdString();
  return parse.plan.value_or(AlignPlan{});
}

// The limits no run may cross, checked against everything the meter model was asked.
inline void ExpectWithinLimits(const MeterModel& meter, const AlignPlan& plan) {
  std::map<std::pair<int, int>, int> tries;  // by (band * 16 + point, table)
  const ProbeRequest* previous = nullptr;
  for (const ProbeRequest& r : meter.requests) {
    EXPECT_LE(r.level, plan.safety.maxLevel);
    EXPECT_GE(r.level, 0);
    EXPECT_LE(meter.TruePower(r.band, r.point, r.level), plan.MaxRadioWatts());
    const bool samePoint = previous && previous->band == r.band && previous->table == r.table &&
                           previous->point == r.point;
    if (samePoint) {
      EXPECT_LE(std::abs(r.level - previous->level), plan.safety.maxStep);
    }
    EXPECT_LE(++tries[std::pair(r.band * 16 + r.point, r.table)], plan.safety.maxTries);
    previous = &r;
  }
}

}  // namespace velmora::test
