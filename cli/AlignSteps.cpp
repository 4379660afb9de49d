#include "cli/AlignSteps.h"

#include <QStringList>

#include "align/AlignJob.h"
#include "cli/CliImage.h"
#include "cli/CliJobRunner.h"
#include "cli/CliRun.h"
#include "instrument/InstrumentLinks.h"

namespace velmora {
bool AlignSteps::MeterSettings(const CliArguments& args, const AlignPlan& plan,
                               InstrumentSettings& meter, std::string& error) {
  meter.meterUrl = QString::fromStdString(args.Value("--meter").value_or(""));
  if (meter.meterUrl.isEmpty()) meter.meterUrl = plan.meter.url;
  meter.meterDialect = plan.meter.dialect;
  meter.attenuatorDb = plan.meter.offsetDb;
  meter.calibrationDue =
      InstrumentSettings::Load(*InstrumentSettings::ProgramSettings()).calibrationDue;
  if (meter.meterUrl.isEmpty()) {
    error = "no meter: give --meter URL (the plan names none)";
    return false;
  }
  QString why;
  if (!MeterDialect::Find(meter.meterDialect, why) || !InstrumentLinks::Make(meter.meterUrl, why))
    error = why.toStdString();
  return error.empty();
}

AlignOutcome AlignSteps::RunJob(const AlignJobSettings& settings, const CalibrationImage& image,
                                std::ostream* progress, AlignJob*& running) {
  AlignJob job(settings);
  AlignOutcome outcome;
  running = &job;
  CliRun(CliRun::Where::Workers, progress)
      .Run({{.body =
                 [&] {
                   outcome = job.Run(image);
                   return outcome.result == AlignOutcome::Result::Aligned ? kExitOk
                                                                          : kExitTransferFailed;
                 },
             .cancel = [&job] { job.Cancel(); },
             .relay = &job.reports(),
             .ended = {}}});
  running = nullptr;
  return outcome;
}

bool AlignSteps::WriteAligned(AlignOutcome& outcome, std::ostream& out, std::ostream* progress,
                              HeldPort* held) {
  TransferOptions options;
  options.onlyStoredPort = true;  // the radio that was aligned, on the port it answered
  options.backup = options.verify = true;
  std::string backup;
  const TransferOutcome written = CliJobRunner::Run(JobOrder::Write(&outcome.aligned), out, {},
                                                    options, progress, &backup, {}, held);
  outcome.report.backupPath = QString::fromStdString(backup);
  if (written.succeeded()) return true;
  outcome.report.outcome = QStringLiteral("write-failed");
  if (written.result == TransferOutcome::Result::Cancelled && written.blocksSent == 0)
    outcome.report.outcome = AlignOutcome::Name(AlignOutcome::Result::Cancelled);
  return false;
}

QString AlignSteps::PointName(const PointResult& p) {
  return QStringLiteral("%1 %2 %3")
      .arg(QLatin1String(AlignPlan::kBandKeys.at(std::size_t(p.band))),
           QLatin1String(AlignPlan::kTableKeys.at(std::size_t(p.table))))
      .arg(p.point);
}

QString AlignSteps::FailedPoints(const AlignReport& report) {
  QStringList failed;
  for (const PointResult& p : report.points)
    if (p.verdict != AlignVerdict::Aligned) failed << PointName(p) + " " + VerdictName(p.verdict);
  return failed.join(QStringLiteral(", "));
}

}  // namespace velmora
