#include "cli/AlignSteps.h"

#include <QEventLoop>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <memory>

#include "align/AlignJob.h"
#include "cli/CliJobRunner.h"
#include "cli/ProgressLine.h"
#include "instrument/InstrumentLinks.h"
#include "transfer/StopSignals.h"

namespace velmora {
namespace {

constexpr std::chrono::milliseconds kStopPoll{50};

}  // namespace

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
  const ProgressLine line(progress);
  line.Follow(job.reports());
  AlignOutcome outcome;
  std::unique_ptr<QThread> worker(QThread::create([&] { outcome = job.Run(image); }));
  QEventLoop loop;
  QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
  // A caller whose signals are only polled (station) is heard here, between tries.
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&job] {
    if (StopSignals::Received() != 0) job.Cancel();
  });
  poll.start(kStopPoll);
  running = &job;
  if (StopSignals::Received() != 0) job.Cancel();  // a signal since the read: nothing is tried
  worker->start();
  loop.exec();
  worker->wait();
  running = nullptr;
  QCoreApplication::sendPostedEvents(&job.reports());
  line.Clear();
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
