#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/CalibrationImage.h"
#include "transfer/CTransferJob.h"
#include "transfer/TransferOptions.h"

namespace velmora {

// One transfer on many ports at once: every port gets its own image, job, serial port and thread,
// and talks to that port alone, so one radio's silence never holds up another. Ctrl-C, SIGTERM
// and SIGHUP cancel every job at its next pause between exchanges.
class BatchTransfer {
 public:
  struct PortResult {
    int port = 0;
    bool succeeded = false;
    std::string outcome;  // the job's outcome text ("成功!", "失败!", ...)
    std::string detail;   // which device answered, which step failed
    std::string backup;   // where a write saved what the radio held
    double seconds = 0;
    TransferOutcome ended;  // how the job ended, with the write's block counts
  };
  // Fills a port's image before its job starts; false leaves that port out as failed.
  using Prepare = std::function<bool(CalibrationImage& image, int port)>;
  // Called on the calling thread as each port finishes, with the port's image.
  using Finished = std::function<void(PortResult& result, CalibrationImage& image)>;

  // "1-8", "1,3,5" or both mixed ("1-3,7"): each port once, in the order given, COM1..COM9.
  static std::optional<std::vector<int>> ParsePorts(const std::string& text, std::string& error);
  // Why two of the ports lead to one device (a link, an alias, a second node of the same
  // device), which would put two jobs on one radio; empty when every port is its own.
  static std::string SharedDevice(const std::vector<int>& ports);

  static std::vector<PortResult> Run(int operation, const std::vector<int>& ports,
                                     const Prepare& prepare, const TransferOptions& options,
                                     const CTransferJob::PortFactory& factory,
                                     const Finished& finished);
};

}  // namespace velmora
