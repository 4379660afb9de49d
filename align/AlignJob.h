#pragma once

#include <QCoreApplication>
#include <memory>
#include <stop_token>

#include "align/AlignClock.h"
#include "align/AlignJobSettings.h"
#include "align/AlignOutcome.h"
#include "align/AlignRelay.h"
#include "core/CalibrationImage.h"

namespace velmora {

class LivePowerProbe;
class PowerMeter;

// The one blocking implementation of an alignment: the command-line tool calls Run, the window
// runs it on a worker thread. It opens and sets up the meter, then tunes every chosen point of
// the tables through live tunes alone (the radio's stored alignment is never written) and
// returns the aligned image with its report. Works on its own copy of the image: never touches
// the caller's. One run per job.
class AlignJob {
  Q_DECLARE_TR_FUNCTIONS(AlignJob)

 public:
  explicit AlignJob(AlignJobSettings settings, AlignClock* clock = nullptr /* system clock */);
  ~AlignJob();
  AlignJob(const AlignJob&) = delete;
  AlignJob& operator=(const AlignJob&) = delete;

  AlignOutcome Run(const CalibrationImage& start);  // opens and sets up the meter, aligns
  void Cancel();                                    // any thread; stops between tries
  AlignRelay& reports() { return m_relay; }

  // The plan as this job runs it: the meter's URL, dialect and attenuator from the settings.
  static AlignPlan PlanInUse(const AlignJobSettings& settings);

 private:
  QString TargetAboveMeterInput() const;
  bool SetUpMeter(PowerMeter& meter, AlignOutcome& outcome);
  void Align(PowerMeter& meter, AlignOutcome& outcome);
  void Conclude(AlignOutcome& outcome, const LivePowerProbe& probe);
  AlignOutcome Finish(AlignOutcome& outcome, AlignOutcome::Result result,
                      const QString& error = {});

  AlignJobSettings m_settings;
  AlignPlan m_plan;
  std::unique_ptr<AlignClock> m_ownClock;
  AlignClock* m_clock;
  std::stop_source m_stop;
  AlignRelay m_relay;
};

}  // namespace velmora
