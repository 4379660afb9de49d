#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <ostream>
#include <set>
#include <string>

#include "cli/CliArguments.h"
#include "cli/RecordThread.h"
#include "records/job/RecordKeeper.h"

namespace velmora {

// The production record of every job the command line runs, kept on a thread of its own: the
// bench's database is opened while the radio's job starts (its first handshake waits 200 ms
// anyway), the record is committed beside the output file's save and before the job's outcome is
// printed, and the bench's queue is forwarded to the line's database at the command's end.
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

  // Starts opening the bench's database on the records' thread.
  explicit JobRecorder(const CliArguments& args);
  // Closes the database on its own thread.
  ~JobRecorder();
  JobRecorder(const JobRecorder&) = delete;
  JobRecorder& operator=(const JobRecorder&) = delete;

  // Waits for the bench's database; false with the reason when it cannot be opened (the job may
  // still run, and its end then says that its record was not kept).
  bool Open(std::ostream& err);
  // A record being committed: why it was not kept, "" once it is.
  using PendingCommit = std::future<std::string>;
  PendingCommit BeginCommit(const Job& job);
  // Waits for the commit; false, with the reason on err, when the record was not kept.
  bool FinishCommit(PendingCommit& pending, std::ostream& err);
  bool Commit(const Job& job, std::ostream& err);
  // At the command's end: forwards what waits, within kForwardLimit, and says what still waits.
  void Forward(std::ostream& err);

  static QString BenchPath(QString* problem = nullptr) { return RecordKeeper::BenchPath(problem); }
  // The line's database: --records, else the settings; empty for a bench alone.
  static QString LineUrl(const CliArguments& args);

 private:
  // Lives on m_thread, from its settings to its closed connection.
  struct Held {
    RecordKeeper keeper;
    QString lineUrl;
  };

  std::unique_ptr<Held> m_held;
  std::shared_future<std::string> m_opening;  // why the bench's database is not open, or ""
  bool m_openingTold = false;
  RecordThread m_thread;  // last: joined before the members it works on go
};

}  // namespace velmora
