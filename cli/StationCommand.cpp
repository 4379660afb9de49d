#include "cli/StationCommand.h"

#include <poll.h>
#include <unistd.h>

#include <QDate>
#include <chrono>
#include <cstdio>
#include <sstream>

#include "align/AlignPlanParser.h"
#include "cli/AlignSteps.h"
#include "cli/CliJobRunner.h"
#include "cli/JobRecorder.h"
#include "cli/TransferCommands.h"
#include "transfer/StopSignals.h"

namespace velmora {
namespace {

// How often the wait for the next scan looks for a stop signal.
constexpr std::chrono::milliseconds kScanPoll{100};
constexpr std::size_t kLongestSerial = 64;

constexpr const char* kUsage =
    "usage: velmora-cli station PLAN.json --meter URL --port N [--lot LOT] [--operator NAME]\n"
    "                           [--records URL] [--quiet] [--steps]\n"
    "A line's station: reads one serial number per line from stdin (a barcode scanner types the\n"
    "serial and Enter) and for each runs the radio on COMN through the whole alignment: read,\n"
    "every transmit table the plan has a target for tuned against the meter, the aligned image\n"
    "written with a backup first and every block read back, and the production record kept with\n"
    "the scanned serial. One line per radio on stdout: the serial, PASS or FAIL with the reason\n"
    "and the failed points, and the seconds it took; a summary at the end of the input. Nothing\n"
    "is written into a radio with a failed point.\n"
    "The meter's calibration due date (velmora-cli meter --calibration-due DATE --save) is\n"
    "recorded with every alignment; a meter past it is refused.\n"
    "--steps: before each step of a radio a line \"> read\", \"> align\", \"> write\" or\n"
    "\"> record\" on stdout, for a program that shows the station's progress.\n"
    "Ctrl-C, SIGTERM or SIGHUP stop between two radios, or inside a radio between two tries\n"
    "(that radio is not written).\n"
    "Exit status: 0 every radio PASS, 1 a radio failed or the station was stopped, 2 bad usage,\n"
    "plan, meter or records.\n";

// What became of one scanned radio.
struct RadioResult {
  enum class Verdict { Pass, Fail, Stopped };
  Verdict verdict = Verdict::Fail;
  std::string reason;  // for a FAIL: what went wrong, and the failed points
  double seconds = 0;
};

const char* VerdictText(RadioResult::Verdict v) {
  switch (v) {
    case RadioResult::Verdict::Pass:
      return "PASS";
    case RadioResult::Verdict::Fail:
      return "FAIL";
    case RadioResult::Verdict::Stopped:
      break;
  }
  return "STOPPED";
}

// Reads stdin a line at a time, giving up when a stop signal arrives while it waits.
class ScanReader {
 public:
  // False at the end of the input or on a stop signal.
  bool Next(std::string& serial) {
    while (StopSignals::Received() == 0) {
      if (TakeLine(serial)) {
        if (serial.empty()) continue;
        return true;
      }
      if (m_ended) return false;
      pollfd in{STDIN_FILENO, POLLIN, 0};
      if (::poll(&in, 1, int(kScanPoll.count())) <= 0) continue;
      char bytes[256];
      const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
      if (n <= 0) {
        m_ended = true;
        m_pending += '\n';  // a last serial without its Enter still counts
      } else {
        m_pending.append(bytes, std::size_t(n));
      }
    }
    return false;
  }

 private:
  bool TakeLine(std::string& serial) {
    const auto end = m_pending.find('\n');
    if (end == std::string::npos) return false;
    serial = QString::fromUtf8(m_pending.substr(0, end)).trimmed().toStdString();
    m_pending.erase(0, end + 1);
    return true;
  }

  std::string m_pending;
  bool m_ended = false;
};

// One serial as a record may hold it: printable, and short enough for a label.
bool UsableSerial(const std::string& serial) {
  if (serial.size() > kLongestSerial) return false;
  for (const char c : serial)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

class Station {
 public:
  Station(const CliArguments& args, AlignJobSettings settings, std::ostream& out, std::ostream& err)
      : m_args(args),
        m_settings(std::move(settings)),
        m_recorder(args),
        m_out(out),
        m_err(err),
        m_progress(TransferCommands::ProgressStream(args)) {}

  bool Open() { return m_recorder.Open(m_err); }

  RadioResult Run(const std::string& serial) {
    const auto started = std::chrono::system_clock::now();
    const auto steady = std::chrono::steady_clock::now();
    RadioResult result = RunSteps(serial, started);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - steady).count();
    return result;
  }

  void Forward() { m_recorder.Forward(m_err); }

 private:
  void Step(const char* name) {
    if (m_args.Has("--steps")) m_out << "> " << name << "\n" << std::flush;
  }

  RadioResult RunSteps(const std::string& serial, std::chrono::system_clock::time_point started) {
    Step("read");
    std::ostringstream log;  // the steps' own lines; the radio's one line says what counts
    CalibrationImage image;
    image.LoadDefaults();
    image.setPortNumber(*m_args.Int("--port", m_error));
    image.setBusy(false);
    std::string identification;
    const TransferOutcome read = CliJobRunner::Run(
        JobOrder::Read(&image), log, {}, TransferCommands::PortOptions(m_args), m_progress, nullptr,
        [&](const TransferOutcome&, const CTransferJob& job, const std::string&) {
          if (job.port()) identification = job.port()->identification();
          return true;
        });
    if (!read.succeeded()) return Unread(read);
    AlignJobSettings settings = m_settings;
    settings.transfer.onlyStoredPort = true;  // the radio just read, on the port it answered
    Step("align");
    AlignJob* running = nullptr;
    AlignOutcome outcome = AlignSteps::RunJob(settings, image, m_progress, running);
    RadioResult result = Judge(outcome);
    if (result.verdict == RadioResult::Verdict::Pass) {
      Step("write");
      if (!AlignSteps::WriteAligned(outcome, log, m_progress))
        result = {RadioResult::Verdict::Fail, "not written and verified", 0};
    }
    Step("record");
    JobRecorder::Job job = RecordKeeper::FromAlignment(outcome.report, image, started);
    job.serial = serial;
    job.identification = identification;
    job.outcome = VerdictText(result.verdict);
    job.succeeded = result.verdict == RadioResult::Verdict::Pass;
    job.detail = Detail(result, outcome.report);
    const auto after = (job.succeeded ? outcome.aligned : image).ToBytes();
    job.after.assign(after.begin(), after.end());
    if (!m_recorder.Commit(job, m_err)) result = {RadioResult::Verdict::Fail, "not recorded", 0};
    return result;
  }

  static RadioResult Unread(const TransferOutcome& read) {
    if (read.result == TransferOutcome::Result::Cancelled)
      return {RadioResult::Verdict::Stopped, "stopped during the read", 0};
    return {RadioResult::Verdict::Fail, "not read: " + read.detail, 0};
  }

  static RadioResult Judge(const AlignOutcome& outcome) {
    using R = AlignOutcome::Result;
    const std::string failed = AlignSteps::FailedPoints(outcome.report).toStdString();
    switch (outcome.result) {
      case R::Aligned:
        return {RadioResult::Verdict::Pass, {}, 0};
      case R::Cancelled:
        return {RadioResult::Verdict::Stopped, "stopped during the alignment", 0};
      case R::PointsFailed:
        return {RadioResult::Verdict::Fail, "points failed: " + failed, 0};
      case R::InstrumentError:
      case R::TransferFailed:
        break;
    }
    return {RadioResult::Verdict::Fail, outcome.error.toStdString(), 0};
  }

  // The record's line of detail: why it failed, and the meter's calibration it relied on.
  std::string Detail(const RadioResult& result, const AlignReport& report) const {
    std::string detail = result.reason.empty() ? "aligned, written and verified" : result.reason;
    if (report.meterCalibrationDue.isValid())
      detail += "; meter calibration due " +
                report.meterCalibrationDue.toString(Qt::ISODate).toStdString();
    return detail;
  }

  const CliArguments& m_args;
  AlignJobSettings m_settings;
  JobRecorder m_recorder;
  std::ostream& m_out;
  std::ostream& m_err;
  std::ostream* m_progress;
  std::string m_error;
};

void PrintRadio(const std::string& serial, const RadioResult& r, std::ostream& out) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", r.seconds);
  out << serial << "  " << VerdictText(r.verdict) << "  " << seconds
      << (r.reason.empty() ? "" : "  " + r.reason) << "\n"
      << std::flush;
}

struct Tally {
  int pass = 0, fail = 0, stopped = 0;
  void Add(RadioResult::Verdict v) {
    (v == RadioResult::Verdict::Pass ? pass : v == RadioResult::Verdict::Fail ? fail : stopped)++;
  }
  void Print(bool interrupted, std::ostream& out) const {
    out << "station: " << pass + fail + stopped << " radios, " << pass << " PASS, " << fail
        << " FAIL" << (stopped ? ", " + std::to_string(stopped) + " stopped" : "")
        << (interrupted ? "; stopped by a signal" : "") << "\n";
  }
};

// The plan, the tables, the meter and its calibration, all checked before any radio is touched.
bool Prepare(const CliArguments& args, AlignJobSettings& settings, std::ostream& err) {
  if (args.positional().size() != 1 || !args.Has("--port")) {
    err << "station needs one plan file and --port N\n" << kUsage;
    return false;
  }
  const AlignPlanParse plan = AlignPlanParser::Load(QString::fromStdString(args.positional()[0]));
  std::string error = plan.error.toStdString();
  if (plan.plan) {
    settings.plan = *plan.plan;
    for (int b = 0; b < AlignPlan::kBands; ++b)
      for (int t = 0; t < AlignPlan::kTransmitTables; ++t)
        if (settings.plan.targets[std::size_t(b)][std::size_t(t)])
          settings.tables.push_back({b, t});
    if (AlignSteps::MeterSettings(args, settings.plan, settings.meter, error))
      args.Int("--port", error);
  }
  if (error.empty() && settings.meter.CalibrationOverdue(QDate::currentDate()))
    error = "the meter's calibration was due on " +
            settings.meter.calibrationDue.toString(Qt::ISODate).toStdString() +
            ": calibrate it (velmora-cli meter --calibration-due DATE --save) before production";
  if (!error.empty()) err << "velmora-cli station: " << error << "\n";
  return error.empty();
}

}  // namespace

int StationCommand::Run(const std::vector<std::string>& args, std::ostream& out,
                        std::ostream& err) {
  int code = kExitUsage;
  const auto parsed =
      CliArguments::ParseOrUsage(args, {"--meter", "--port", "--lot", "--operator", "--records"},
                                 {"--help", "--quiet", "--steps"}, kUsage, out, err, code);
  if (!parsed) return code;
  AlignJobSettings settings;
  if (!Prepare(*parsed, settings, err)) return kExitUsage;
  Station station(*parsed, std::move(settings), out, err);
  if (!station.Open()) return kExitUsage;  // a station that cannot keep its records stops here
  // Caught for the whole session: a signal while waiting for a scan ends it.
  const StopSignals stop({}, StopSignals::Delivery::Polled);
  ScanReader scans;
  Tally tally;
  bool interrupted = false;
  for (std::string serial; scans.Next(serial);) {
    if (!UsableSerial(serial)) {
      err << "velmora-cli station: not a serial number (control characters or over "
          << kLongestSerial << " characters); scan again\n";
      continue;
    }
    const RadioResult result = station.Run(serial);
    PrintRadio(serial, result, out);
    tally.Add(result.verdict);
    if ((interrupted =
             StopSignals::Received() != 0 || result.verdict == RadioResult::Verdict::Stopped))
      break;
  }
  interrupted = interrupted || StopSignals::Received() != 0;
  tally.Print(interrupted, out);
  station.Forward();
  return tally.fail == 0 && tally.stopped == 0 && !interrupted ? kExitOk : kExitTransferFailed;
}

}  // namespace velmora
