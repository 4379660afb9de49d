#include "align/AlignJob.h"

#include <algorithm>

#include "align/LivePowerProbe.h"
#include "align/SystemAlignClock.h"
#include "instrument/InstrumentLinks.h"
#include "instrument/PowerMeter.h"
#include "res/TableNames.h"

#ifndef VELMORA_VERSION
#error "VELMORA_VERSION must name the program's version"
#endif

namespace velmora {
namespace {

constexpr const char* kProgram = "Velmora " VELMORA_VERSION;

}  // namespace

AlignJob::AlignJob(AlignJobSettings settings, AlignClock* clock)
    : m_settings(std::move(settings)),
      m_plan(PlanInUse(m_settings)),
      m_ownClock(clock ? nullptr : std::make_unique<SystemAlignClock>()),
      m_clock(clock ? clock : m_ownClock.get()) {}

AlignJob::~AlignJob() = default;

void AlignJob::Cancel() { m_stop.request_stop(); }

AlignPlan AlignJob::PlanInUse(const AlignJobSettings& settings) {
  AlignPlan plan = settings.plan;
  if (!settings.meter.meterUrl.isEmpty()) plan.meter.url = settings.meter.meterUrl;
  if (!settings.meter.meterDialect.isEmpty()) plan.meter.dialect = settings.meter.meterDialect;
  plan.meter.offsetDb = settings.meter.attenuatorDb;
  return plan;
}

AlignOutcome AlignJob::Run(const CalibrationImage& start) {
  AlignOutcome outcome;
  outcome.aligned.AssignBytes(start.ToBytes());
  outcome.aligned.setBusy(false);
  AlignReport& report = outcome.report;
  report.program = QString::fromUtf8(kProgram);
  report.planName = m_plan.name;
  report.planSha256 = m_plan.sha256;
  report.meterUrl = m_plan.meter.url;
  report.meterOffsetDb = m_plan.meter.offsetDb;
  report.meterCalibrationDue = m_settings.meter.calibrationDue;
  report.start = m_clock->Now();
  QString error = TargetAboveMeterInput();
  if (!error.isEmpty()) return Finish(outcome, AlignOutcome::Result::InstrumentError, error);
  const auto dialect = MeterDialect::Find(m_plan.meter.dialect, error);
  // Made here, on the thread that uses it: a socket belongs to the thread that made it.
  auto link = dialect ? InstrumentLinks::Make(m_plan.meter.url, error) : nullptr;
  if (!link) return Finish(outcome, AlignOutcome::Result::InstrumentError, error);
  ScpiChannel channel(std::move(link), m_plan.meter.url);
  if (!channel.Open())
    return Finish(outcome, AlignOutcome::Result::InstrumentError, channel.error());
  PowerMeter meter(channel, *dialect);
  if (!SetUpMeter(meter, outcome)) {
    return Finish(outcome, AlignOutcome::Result::InstrumentError, meter.error());
  }
  Align(meter, outcome);
  return outcome;
}

// The plan's targets were checked against its own attenuator; the one in use may pass more of the
// radio's power to the sensor, and no point may be keyed towards a target the sensor cannot take.
QString AlignJob::TargetAboveMeterInput() const {
  const double limit = m_plan.MaxRadioWatts();
  for (const AlignRun::Table& t : m_settings.tables) {
    const auto& target = m_plan.targets.at(std::size_t(t.band)).at(std::size_t(t.table));
    if (!target || target->maxWatts <= limit) continue;
    return QStringLiteral(
               "%1 %2: the target's maximum %3 W is above the meter's maximum input "
               "(%4 W after the attenuator's %5 dB)")
        .arg(QLatin1String(AlignPlan::kBandKeys.at(std::size_t(t.band))),
             QLatin1String(AlignPlan::kTableKeys.at(std::size_t(t.table))))
        .arg(target->maxWatts)
        .arg(limit, 0, 'g', 4)
        .arg(m_plan.meter.offsetDb);
  }
  return {};
}

// Set up first, as `meter --read` does: a fault shows as the same words in both.
bool AlignJob::SetUpMeter(PowerMeter& meter, AlignOutcome& outcome) {
  if (!meter.Setup({m_plan.meter.averaging, m_plan.meter.offsetDb})) return false;
  const auto id = meter.Identify();
  if (id) outcome.report.meter = *id;
  return id.has_value();
}

void AlignJob::Align(PowerMeter& meter, AlignOutcome& outcome) {
  int total = 0;
  for (const AlignRun::Table& t : m_settings.tables) {
    if (m_plan.targets.at(std::size_t(t.band)).at(std::size_t(t.table)))
      total += static_cast<int>(TableRun::ChosenPoints(m_plan, outcome.aligned, t.band).size());
  }
  // The live commands are composed in a working copy, so the aligned image keeps its own bytes.
  CalibrationImage working;
  working.AssignBytes(outcome.aligned.ToBytes());
  // The port stays open from the first try to the last exchange: no other program gets between.
  HeldPort own(m_settings.portFactory);
  HeldPort& held = m_settings.heldPort ? *m_settings.heldPort : own;
  CTransferJob job;
  job.SetPortFactory(held.Factory());
  TransferOptions options = m_settings.transfer;
  options.holdPort = true;
  job.SetOptions(options);
  int done = 0;
  LivePowerProbe::Listeners listeners;
  listeners.keying = [&](const ProbeRequest& r, int tryNumber) {
    m_relay.PostProgress(tr("%1 %2 %3: 第 %4 次")
                             .arg(QLatin1String(AlignPlan::kBandKeys.at(std::size_t(r.band))),
                                  res::TableName(r.table), res::PointName(r.point, r.mhz))
                             .arg(tryNumber),
                         done, total);
  };
  listeners.read = [this](const ProbeRequest& r, const ProbeReading& reading) {
    if (reading.error.isEmpty())
      m_relay.PostTried(r.band, r.table, r.point, r.level, reading.watts);
  };
  LivePowerProbe probe(working, job, meter, m_plan, *m_clock, std::move(listeners));
  AlignRun run(m_plan, probe, *m_clock, [&](const PointResult& point) {
    ++done;
    m_relay.PostPointFinished(point);
  });
  run.SetTableEnded([&probe](const AlignRun::Table& t) {
    probe.StopTransmitter(QLatin1String(AlignPlan::kBandKeys.at(std::size_t(t.band))) +
                          QString::number(t.table));
  });
  run.Run(outcome.aligned, m_settings.tables, outcome.report, m_stop.get_token());
  probe.StopTransmitter(QStringLiteral("end"));
  held.Keep(job);
  Conclude(outcome, probe);
}

void AlignJob::Conclude(AlignOutcome& outcome, const LivePowerProbe& probe) {
  AlignReport& report = outcome.report;
  report.port = probe.port();
  report.radio = probe.radio();
  report.meterOffsetDb = m_plan.meter.offsetDb;
  report.stops = probe.stops();
  outcome.timings = probe.timings();
  const auto meterFault =
      std::find_if(report.points.begin(), report.points.end(),
                   [](const PointResult& p) { return p.verdict == AlignVerdict::MeterError; });
  if (meterFault != report.points.end() && meterFault->detail == probe.transferError()) {
    Finish(outcome, AlignOutcome::Result::TransferFailed, probe.transferError());
  } else if (meterFault != report.points.end()) {
    Finish(outcome, AlignOutcome::Result::InstrumentError, meterFault->detail);
  } else if (m_stop.stop_requested()) {
    Finish(outcome, AlignOutcome::Result::Cancelled);  // even after the last try: cancel is cancel
  } else {
    Finish(outcome, report.AllAligned() ? AlignOutcome::Result::Aligned
                                        : AlignOutcome::Result::PointsFailed);
  }
}

AlignOutcome AlignJob::Finish(AlignOutcome& outcome, AlignOutcome::Result result,
                              const QString& error) {
  outcome.result = result;
  outcome.error = error;
  outcome.report.outcome = AlignOutcome::Name(result);
  outcome.report.error = error;
  if (!outcome.report.end.isValid()) outcome.report.end = m_clock->Now();
  m_relay.PostFinished(outcome);
  return outcome;
}

}  // namespace velmora
