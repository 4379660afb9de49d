#pragma once

#include <ostream>
#include <string>

#include "transfer/CTransferJob.h"
#include "transfer/TransferOptions.h"

namespace velmora {

class CalibrationImage;
class JobRecorder;

// read and write with --ports: one job per radio, all at once, a line per port as it finishes
// and a summary, each port's record kept before its line says 成功!. Exit 0 only when every port
// succeeded and was recorded, 1 when any failed.
class BatchCommands {
 public:
  // Reads every port's radio into folder/COMn-YYYYMMDD-HHMMSS.dat.
  static int ReadInto(const std::string& folder, const std::string& ports,
                      const TransferOptions& options, const CTransferJob::PortFactory& factory,
                      JobRecorder& recorder, std::ostream& out, std::ostream& err);
  // Writes one image (already loaded) into every port's radio.
  static int WriteFrom(const CalibrationImage& image, const std::string& ports,
                       const TransferOptions& options, const CTransferJob::PortFactory& factory,
                       JobRecorder& recorder, std::ostream& out, std::ostream& err);
};

}  // namespace velmora
