#pragma once

#include <chrono>
#include <ostream>
#include <set>
#include <string>

#include "cli/CliArguments.h"
#include "records/job/RecordKeeper.h"

namespace velmora {

// The production record of every job the command line runs: the bench's database is opened
// before the radio is touched, the record committed before the job's outcome is printed, and the
// bench's queue forwarded to the line's database at the command's end.
class JobRecorder {
 public:
  using Job = RecordKeeper::Job;
  // The forward at a command's end: the operator never waits long for an unreachable line.
  static constexpr std::chrono::milliseconds kForwardLimit{1500};
  // The options every recorded command takes, with a value each.
  static const std::set<std::string>& Options();
  static constexpr const char* kOptionsUsage =
      "Records: --serial SN and --lot LOT name the radio, --operator NAME who works (default the\n"
      "login name), --records URL the line's database (else [records] url in the settings).\n";

  static Job FromTransfer(const std::string& kind, const CTransferJob& job,
                          const std::string& shown, const CalibrationImage& image,
                          std::chrono::system_clock::time_point started) {
    return RecordKeeper::FromTransfer(kind, job, shown, image, started);
  }

  explicit JobRecorder(const CliArguments& args);
  // The bench's database, opened now; false with the reason when it cannot be (the job still
  // runs, and its end says that its record was not kept).
  bool Open(std::ostream& err);
  // Commits the job's record to the bench; false, with the reason on err, when it is not kept.
  bool Commit(const Job& job, std::ostream& err);
  // At the command's end: forwards what waits, within kForwardLimit, and says what still waits.
  void Forward(std::ostream& err);

  static QString BenchPath(QString* problem = nullptr) { return RecordKeeper::BenchPath(problem); }
  // The line's database: --records, else the settings; empty for a bench alone.
  static QString LineUrl(const CliArguments& args);

 private:
  RecordKeeper m_keeper;
  QString m_lineUrl;
};

}  // namespace velmora
