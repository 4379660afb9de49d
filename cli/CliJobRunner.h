#pragma once

#include <functional>
#include <memory>
#include <ostream>

#include "core/CalibrationImage.h"
#include "transfer/CTransferJob.h"
#include "transfer/HeldPort.h"

namespace velmora {

// Runs one transfer job to its end through CliRun (a stop signal cancels it, and once a
// write's blocks have started a first one lets the write and its verify finish while a second
// ends the program with the restore line), printing the outcome text first, then one line of
// detail and any backup.
class CliJobRunner {
 public:
  // Tests hand in a port factory (scaled timing); the tool uses the real port. progress, when
  // given, receives the job's progress as one rewritten terminal line. Returns the outcome the
  // job finished with, and the backup a write saved in backupPath when given ("" for none).
  // afterJob, when given, runs once the job has ended and before its outcome is printed (the
  // file's save and the production record), with the text the job shows; false turns a success
  // into a failure.
  using AfterJob = std::function<bool(const TransferOutcome& outcome, const CTransferJob& job,
                                      const std::string& shown)>;
  // held, when given, makes the port and keeps it open after the job (factory is then unused).
  static TransferOutcome Run(const JobOrder& order, std::ostream& out,
                             CTransferJob::PortFactory factory = {},
                             const TransferOptions& options = {}, std::ostream* progress = nullptr,
                             std::string* backupPath = nullptr, const AfterJob& afterJob = {},
                             HeldPort* held = nullptr);
};

}  // namespace velmora
