#pragma once

#include <string>

namespace velmora {

// What a job operates: the codes are those its completion message carries.
enum class TransferOperation { Read = 2, Write = 3, Live = 4 };

// The completion message's first parameter for each operation.
inline constexpr int TRANSFER_READ = static_cast<int>(TransferOperation::Read);
inline constexpr int TRANSFER_WRITE = static_cast<int>(TransferOperation::Write);
inline constexpr int TRANSFER_LIVE = static_cast<int>(TransferOperation::Live);

// How a job ended, for callers that act on it rather than on the text the user was shown.
struct TransferOutcome {
  enum class Result { None, Success, Failed, NoRadio, VerifyFailed, Cancelled };
  enum class Step { None, Connect, Identify, Backup, Read, Write, Verify, Live };

  Result result = Result::None;
  Step step = Step::None;     // the step that ran last: where a failure happened
  std::string port;           // "COM3 = /dev/ttyUSB0" once a port was opened
  std::string detail;         // the job's one line on what happened
  int blockCount = 0;         // write blocks the job set out to send
  int blocksSent = 0;         // write blocks put on the line: the last may be stored unacknowledged
  int blocksWritten = 0;      // write blocks the radio acknowledged
  bool stopDeferred = false;  // a cancel came during the write, which was finished first

  bool succeeded() const { return result == Result::Success; }
};

}  // namespace velmora
