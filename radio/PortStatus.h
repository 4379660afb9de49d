#pragma once

#include <string>

namespace velmora {

// Whether a serial device could be opened, and if not, why, in words a technician can act on.
struct PortStatus {
  enum class State { Free, Missing, PermissionDenied, Busy, Other };

  State state = State::Free;
  std::string device;      // the resolved device path, "" when the COM name names none
  std::string systemText;  // the system's own description of an Other failure
  // Who may open a device that refused us: its group when the group may read and write it,
  // else its owner alone ("" when the device could not even be looked at).
  std::string group;
  std::string owner;

  bool ok() const { return state == State::Free; }
  // "free", "missing (no such device)", "permission denied (join the dialout group...)", "busy
  // (...)", ...
  std::string Describe() const;
  // "COM3 = /dev/ttyUSB0" (or "COM3 = (no device)").
  static std::string Name(const std::string& port, const std::string& device);

  // Tells the reasons apart after the serial port refused device: probes it with the system's
  // own open, since the serial library reports a held lock and a denied access alike.
  static PortStatus Diagnose(const std::string& device, const std::string& libraryText);
};

}  // namespace velmora
