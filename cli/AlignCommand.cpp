#include "cli/AlignCommand.h"

#include <cstdio>
#include <set>
#include <sstream>

#include "align/AlignJob.h"
#include "align/AlignPlanParser.h"
#include "cli/AlignSteps.h"
#include "cli/CliJobRunner.h"
#include "cli/JobRecorder.h"
#include "cli/OutputFile.h"
#include "cli/ReadOutputFile.h"
#include "cli/TransferCommands.h"
#include "core/SafeFile.h"
#include "transfer/DataFolder.h"
#include "transfer/HeldPort.h"
#include "transfer/StopSignals.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli align PLAN.json --meter URL [--port N] [--tables A0,A1,A2,B0,B1,B2]\n"
    "                         [--report OUT.json] [--csv OUT.csv] [--out ALIGNED.dat] [--write]\n"
    "                         [--quiet]\n"
    "Reads the radio as read does, then tunes every chosen transmit point of the tables to the\n"
    "plan's target power against the bench power meter: each try is one live tune (the radio's\n"
    "stored alignment is never written by it), the plan's settling time and one reading. The\n"
    "aligned image (the read image with the new levels, nothing else changed) is saved to\n"
    "ALIGNED.dat; --write writes it into the radio through the normal write, with a backup first\n"
    "and every block read back, and only when every point is aligned. --report and --csv save\n"
    "the report: the run, and every point with every try. All outputs are checked before the\n"
    "radio is touched.\n"
    "Tables: band A or B with 0 high, 1 middle, 2 low power, in the order given; by default\n"
    "every table the plan has a target for. --meter: tcp://HOST:PORT,\n"
    "serial:///dev/ttyUSB0?baud=9600, usbtmc:///dev/usbtmc0 or sim:; without it the plan's\n"
    "meter.url. The dialect, attenuator offset, averaging and settling time come from the plan\n"
    "(velmora-align-plan(5)).\n"
    "Ports: --port N talks to COMN only; without it the scan starts at COM1. --quiet: no\n"
    "progress on stderr.\n"
    "Ctrl-C, SIGTERM or SIGHUP cancel between two tries: the radio keeps its stored alignment\n"
    "and the tool says which points were tried; a signal any time before the write starts means\n"
    "nothing is written. Once the write's blocks have started, a first signal lets the write and\n"
    "its read-back finish; a second one stops at once and prints the restore command.\n"
    "The port is held from the read to the last exchange; the transmitter is stopped (a read of\n"
    "one block) after each table, before every cool-down and at every end.\n"
    "The first line printed is the run's outcome.\n"
    "Exit status: 0 every point in its window (and written and verified with --write), 1 a point,\n"
    "the meter or a transfer failed, the run was cancelled or its record was not kept, 2 bad\n"
    "usage, a bad plan or a meter URL or dialect that names none.\n";

std::string Usage() { return std::string(kUsage) + JobRecorder::kOptionsUsage; }

std::set<std::string> WithRecords(std::set<std::string> options) {
  options.insert(JobRecorder::Options().begin(), JobRecorder::Options().end());
  return options;
}

const char* const kOutputs[] = {"--report", "--csv", "--out"};

// "A0,B2": band letter and table number, each once; every table of the plan when not given.
bool ParseTables(const CliArguments& args, const AlignPlan& plan,
                 std::vector<AlignRun::Table>& tables, std::string& error) {
  const auto text = args.Value("--tables");
  if (!text) {
    for (int b = 0; b < AlignPlan::kBands; ++b)
      for (int t = 0; t < AlignPlan::kTransmitTables; ++t)
        if (plan.targets[std::size_t(b)][std::size_t(t)]) tables.push_back({b, t});
    return true;
  }
  std::set<std::pair<int, int>> seen;
  for (const QString& item : QString::fromStdString(*text).split(',')) {
    const QString name = item.trimmed().toUpper();
    const int band = name.size() == 2 ? QStringLiteral("AB").indexOf(name[0]) : -1;
    const int table = name.size() == 2 ? QStringLiteral("012").indexOf(name[1]) : -1;
    if (band < 0 || table < 0 || !seen.insert({band, table}).second) {
      error = "--tables takes distinct tables such as A0,A1,B2, not \"" + *text + "\"";
      return false;
    }
    if (!plan.targets[std::size_t(band)][std::size_t(table)]) {
      error = "the plan has no target for table " + name.toStdString();
      return false;
    }
    tables.push_back({band, table});
  }
  return true;
}

// Every output can be saved, and a write's backup has a folder, before the radio is touched.
bool CheckOutputs(const CliArguments& args, std::ostream& err) {
  std::set<std::string> paths;
  for (const char* option : kOutputs) {
    const auto path = args.Value(option);
    if (!path) continue;
    if (!paths.insert(*path).second) {
      err << SafeFile::Shown(*path) << ": named for two outputs; the radio was not read\n";
      return false;
    }
    const SafeFile::Result result = SafeFile::CheckWritable(*path);
    if (!result.ok()) {
      err << SafeFile::Shown(*path) << ": " << result.Text() << "; the radio was not read\n";
      return false;
    }
  }
  QString problem;
  if (args.Has("--write") && DataFolder::Location(QStringLiteral("backups"), &problem).isEmpty()) {
    err << problem.toStdString() << "; the radio was not read\n";
    return false;
  }
  return true;
}

void PrintPoints(const AlignReport& report, std::ostream& out) {
  for (const PointResult& p : report.points) {
    char line[160];
    const QByteArray name = AlignSteps::PointName(p).toUtf8();
    const QByteArray verdict = VerdictName(p.verdict).toUtf8();
    std::snprintf(line, sizeof line, "%-12s %4d MHz  %3d -> %3d  %s  %s, %zu tries\n",
                  name.constData(), p.mhz, p.oldLevel, p.newLevel,
                  p.confirmedWatts ? qPrintable(QString::number(*p.confirmedWatts, 'f', 3) + " W")
                                   : "      -",
                  verdict.constData(), p.tries.size());
    out << line;
  }
}

void PrintTried(const AlignReport& report, std::ostream& out) {
  QStringList tried;
  for (const PointResult& p : report.points)
    if (!p.tries.empty()) tried << AlignSteps::PointName(p);
  out << "cancelled; points tried: " << (tried.isEmpty() ? "none" : tried.join(", ").toStdString())
      << "; the radio's stored alignment is untouched (live tunes only)\n";
}

bool SaveReports(const CliArguments& args, const AlignReport& report, std::ostream& err) {
  bool saved = true;
  for (const auto& [option, bytes] :
       {std::pair("--report", report.ToJson()), std::pair("--csv", report.ToCsv())}) {
    const auto path = args.Value(option);
    if (path) saved = OutputFile::Save(*path, bytes.toStdString(), err) && saved;
  }
  return saved;
}

int ExitFor(AlignOutcome::Result result) {
  switch (result) {
    case AlignOutcome::Result::Aligned:
      return kExitOk;
    case AlignOutcome::Result::InstrumentError:  // a device fault, as in meter and read
    case AlignOutcome::Result::PointsFailed:
    case AlignOutcome::Result::Cancelled:
    case AlignOutcome::Result::TransferFailed:
      break;
  }
  return kExitTransferFailed;
}

// What the run shows first: 成功! only when aligned and, with --write, written and verified.
const char* OutcomeText(const AlignOutcome& outcome, bool written) {
  const AlignOutcome::Result r = outcome.result;
  return r == AlignOutcome::Result::Aligned && written ? CTransferJob::kSuccessText
         : r == AlignOutcome::Result::Cancelled        ? CTransferJob::kCancelledText
                                                       : CTransferJob::kFailureText;
}

// The first line of the command's output: how the whole run ended.
std::string OutcomeLine(const AlignOutcome& outcome, bool written) {
  std::string line = std::string(OutcomeText(outcome, written)) + " " +
                     outcome.report.outcome.toStdString();
  if (!outcome.error.isEmpty()) line += ": " + outcome.error.toStdString();
  return line + "\n";
}

// The run's production record: the image read (what the radio held before), its answer and when
// the run began.
struct Recording {
  JobRecorder& recorder;
  const CalibrationImage& before;
  std::string identification;
  bool read = false;  // an unread radio's images are unknown
  std::chrono::system_clock::time_point started = std::chrono::system_clock::now();

  // Committed before the outcome is printed; the radio holds the aligned image only if written.
  bool Commit(const AlignOutcome& outcome, const std::string& shown, bool succeeded,
              bool intoRadio, std::ostream& err) const {
    JobRecorder::Job job = RecordKeeper::FromAlignment(outcome.report, before, started);
    job.identification = identification;
    job.outcome = shown;
    job.succeeded = succeeded;
    job.detail = outcome.report.outcome.toStdString();
    if (!outcome.error.isEmpty()) job.detail += ": " + outcome.error.toStdString();
    const auto after = (intoRadio ? outcome.aligned : before).ToBytes();
    job.after.assign(after.begin(), after.end());
    if (!read) {
      job.before.clear();
      job.after.clear();
    }
    return recorder.Commit(job, err);
  }
};

// A stop signal since the read, even one the job heard too late to act on, cancels the run.
void HonourStop(AlignOutcome& outcome) {
  if (StopSignals::Received() == 0 || outcome.result == AlignOutcome::Result::Cancelled) return;
  if (outcome.result != AlignOutcome::Result::Aligned) return;  // its fault says more
  outcome.result = AlignOutcome::Result::Cancelled;
  outcome.report.outcome = AlignOutcome::Name(outcome.result);
}

// After the run: the aligned image written back when asked, every point aligned and no stop
// asked for, then the files saved; the outcome printed first; the exit status of the command.
int Conclude(const CliArguments& args, AlignOutcome& outcome, HeldPort& held,
             const Recording& recording, std::ostringstream& body, std::ostream& out,
             std::ostream& err) {
  HonourStop(outcome);
  PrintPoints(outcome.report, body);
  int code = ExitFor(outcome.result);
  if (!outcome.error.isEmpty()) err << "velmora-cli align: " << outcome.error.toStdString() << "\n";
  if (outcome.result == AlignOutcome::Result::Cancelled) PrintTried(outcome.report, body);
  bool written = !args.Has("--write");
  if (args.Has("--write") && outcome.result == AlignOutcome::Result::Aligned) {
    written = AlignSteps::WriteAligned(outcome, body, TransferCommands::ProgressStream(args), &held);
    if (!written) code = kExitTransferFailed;
  } else if (args.Has("--write")) {
    body << "not written into the radio: "
         << (outcome.result == AlignOutcome::Result::Cancelled ? "cancelled"
                                                               : "not every point is aligned")
         << "\n";
  }
  const std::size_t aligned =
      std::count_if(outcome.report.points.begin(), outcome.report.points.end(),
                    [](const PointResult& p) { return p.verdict == AlignVerdict::Aligned; });
  body << "aligned " << aligned << "/" << outcome.report.points.size() << " points\n";
  const bool intoRadio = written && args.Has("--write");
  const bool succeeded = outcome.result == AlignOutcome::Result::Aligned && written;
  if (!recording.Commit(outcome, OutcomeText(outcome, written), succeeded, intoRadio, err)) {
    code = kExitTransferFailed;
    written = false;  // no 成功! for a run whose record was not kept
  }
  out << OutcomeLine(outcome, written) << body.str() << std::flush;
  const auto image = args.Value("--out");
  const bool saved = SaveReports(args, outcome.report, err) &&
                     (!image || ReadOutputFile::Save(*image, outcome.aligned, err));
  return saved ? code : kExitUsage;
}

// The read failed or was cancelled: its own lines say so first, and the report says why.
int ReadFailed(const CliArguments& args, const TransferOutcome& read, AlignOutcome& outcome,
               const Recording& recording, const std::ostringstream& body, std::ostream& out,
               std::ostream& err) {
  outcome.result = read.result == TransferOutcome::Result::Cancelled
                       ? AlignOutcome::Result::Cancelled
                       : AlignOutcome::Result::TransferFailed;
  outcome.report.outcome = AlignOutcome::Name(outcome.result);
  outcome.report.program = QStringLiteral("velmora-cli");
  outcome.report.error =
      QStringLiteral("the radio was not read: ") + QString::fromStdString(read.detail);
  outcome.error = outcome.report.error;
  recording.Commit(outcome, OutcomeText(outcome, false), false, false, err);
  out << body.str() << std::flush;
  return SaveReports(args, outcome.report, err) ? kExitTransferFailed : kExitUsage;
}

}  // namespace

int AlignCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(
      args, WithRecords({"--meter", "--port", "--tables", "--report", "--csv", "--out"}),
      {"--help", "--write", "--quiet"}, Usage().c_str(), out, err, code);
  if (!parsed) return code;
  if (parsed->positional().size() != 1) {
    err << "align needs exactly one plan file\n" << kUsage;
    return kExitUsage;
  }
  const AlignPlanParse plan = AlignPlanParser::LoadFile(parsed->positional()[0]);
  if (!plan.plan) {
    err << "velmora-cli align: " << plan.error.toStdString() << "\n";
    return kExitUsage;
  }
  AlignJobSettings settings;
  settings.plan = *plan.plan;
  std::string error;
  if (!ParseTables(*parsed, settings.plan, settings.tables, error) ||
      !AlignSteps::MeterSettings(*parsed, settings.plan, settings.meter, error)) {
    err << error << "\n" << kUsage;
    return kExitUsage;
  }
  if (settings.meter.CalibrationOverdue(QDate::currentDate()))
    err << "velmora-cli align: warning: the meter's calibration was due on "
        << settings.meter.calibrationDue.toString(Qt::ISODate).toStdString() << "\n";
  CalibrationImage image;
  if (!TransferCommands::PrepareImage(*parsed, std::nullopt, CliImage::Size::Any, image, err) ||
      !CheckOutputs(*parsed, err)) {
    return kExitUsage;
  }
  std::ostream* progress = TransferCommands::ProgressStream(*parsed);
  const TransferOptions options = TransferCommands::PortOptions(*parsed);
  // One catcher for the whole command: a signal during the read, the run or before the write
  // counts for all of them.
  AlignJob* running = nullptr;
  const StopSignals stop([&running, &err, progress](int) {
    if (!running) return;  // the read and the write hear it themselves
    err << (progress ? "\n" : "") << "cancelling after the try under way\n" << std::flush;
    running->Cancel();
  });
  JobRecorder recorder(*parsed);
  Recording recording{recorder, image, {}};
  HeldPort held;            // the read, the run and the write are one job to other programs
  std::ostringstream body;  // printed after the run's outcome
  const TransferOutcome read = CliJobRunner::Run(
      JobOrder::Read(&image), body, {}, options, progress, nullptr,
      [&](const TransferOutcome& ended, const CTransferJob& job, const std::string&) {
        if (job.port()) recording.identification = job.port()->identification();
        recording.read = ended.succeeded();
        return true;
      },
      &held);
  AlignOutcome outcome;
  if (!read.succeeded()) {
    code = ReadFailed(*parsed, read, outcome, recording, body, out, err);
  } else {
    settings.transfer.onlyStoredPort = true;  // the radio just read, on the port it answered
    settings.heldPort = &held;
    outcome = AlignSteps::RunJob(settings, image, progress, running);
    code = Conclude(*parsed, outcome, held, recording, body, out, err);
  }
  recorder.Forward(err);
  return code;
}

}  // namespace velmora
