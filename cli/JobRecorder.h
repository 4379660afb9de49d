#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "records/ProductionRecord.h"
#include "records/RecordStore.h"

namespace velmora {

class CalibrationImage;
class CTransferJob;

// The production record of every job the command line runs: the bench's database is opened
// before the radio is touched, the record committed before the job's outcome is printed, and the
// bench's queue forwarded to the line's database at the command's end.
class JobRecorder {
 public:
  // The forward at a command's end: the operator never waits long for an unreachable line.
  static constexpr std::chrono::milliseconds kForwardLimit{1500};
  // The options every recorded command takes, with a value each.
  static const std::set<std::string>& Options();
  static constexpr const char* kOptionsUsage =
      "Records: --serial SN and --lot LOT name the radio, --operator NAME who works (default the\n"
      "login name), --records URL the line's database (else [records] url in the settings).\n";

  // What one job did to one radio.
  struct Job {
    std::string kind;
    std::string outcome;
    bool succeeded = false;
    std::string detail;
    int port = 0;
    std::string identification;  // the radio's raw answer
    std::vector<std::uint8_t> before, after;
    std::string backupPath;
    std::chrono::system_clock::time_point started;
    std::string serial;  // the scanned radio's, when it is not the command's --serial
    // An alignment's: the plan, the meter and every point.
    std::string planName, planSha256, meterIdentification, meterUrl;
    std::vector<AlignmentPointRow> points;
  };

  // A transfer job as it ended: the image it left and, for a write, the backup's bytes as the
  // image before.
  static Job FromTransfer(const std::string& kind, const CTransferJob& job,
                          const std::string& shown, const CalibrationImage& image,
                          std::chrono::system_clock::time_point started);

  explicit JobRecorder(const CliArguments& args);
  ~JobRecorder();
  // The bench's database, opened now; false with the reason when it cannot be (the job still
  // runs, and its end says that its record was not kept).
  bool Open(std::ostream& err);
  // Commits the job's record to the bench; false, with the reason on err, when it is not kept.
  bool Commit(const Job& job, std::ostream& err);
  // At the command's end: forwards what waits, within kForwardLimit, and says what still waits.
  void Forward(std::ostream& err);

  // The bench's SQLite file in the data folder; empty, with the reason in problem, without one.
  static QString BenchPath(QString* problem = nullptr);
  // The line's database: --records, else the settings; empty for a bench alone.
  static QString LineUrl(const CliArguments& args);

 private:
  ProductionRecord Record(const Job& job) const;

  std::string m_serial, m_lot, m_operator, m_bench;
  QString m_lineUrl;
  std::unique_ptr<RecordStore> m_store;
  std::string m_openError;
};

}  // namespace velmora
