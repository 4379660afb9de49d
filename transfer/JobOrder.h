#pragma once

#include <optional>

#include "core/CalibrationImage.h"
#include "core/LiveCommandComposer.h"
#include "transfer/TransferOutcome.h"

namespace velmora {

// What one job is to do: the operation, on which image, and for a live job the command it sends,
// handed over as a value so that nothing else writing the image can change what goes out.
struct JobOrder {
  CalibrationImage* image = nullptr;
  int operation = TRANSFER_READ;
  std::optional<LiveCommandComposer::Command> live;

  static JobOrder Read(CalibrationImage* image) { return {image, TRANSFER_READ, {}}; }
  static JobOrder Write(CalibrationImage* image) { return {image, TRANSFER_WRITE, {}}; }
  static JobOrder Live(CalibrationImage* image, const LiveCommandComposer::Command& command) {
    return {image, TRANSFER_LIVE, command};
  }
};

}  // namespace velmora
