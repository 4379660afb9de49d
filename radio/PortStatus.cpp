#include "radio/PortStatus.h"

#include <cerrno>
#include <cstring>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora {

std::string PortStatus::Describe() const {
  switch (state) {
    case State::Free:
      return "free";
    case State::Missing:
      return "missing (no such device)";
    case State::PermissionDenied:
      return "permission denied (join the dialout group: sudo usermod -aG dialout $USER, then "
             "log in again)";
    case State::Busy:
      return "busy (held by another program)";
    case State::Other:
      break;
  }
  return "cannot be opened (" + systemText + ")";
}

std::string PortStatus::Name(const std::string& port, const std::string& device) {
  return port + " = " + (device.empty() ? std::string("(no device)") : device);
}

PortStatus PortStatus::Diagnose(const std::string& device, const std::string& libraryText) {
  PortStatus status{State::Other, device, libraryText};
  if (device.empty()) {
    status.state = State::Missing;
    return status;
  }
#if defined(_WIN32)
  return status;
#else
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) {
    status.state = errno == EACCES ? State::PermissionDenied : State::Missing;
    return status;
  }
  // Non-blocking, so a modem line without carrier does not hold the probe.
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == EACCES || error == EPERM) status.state = State::PermissionDenied;
    if (error == EBUSY) status.state = State::Busy;
    if (error == ENOENT || error == ENODEV || error == ENXIO) status.state = State::Missing;
    if (status.state == State::Other) status.systemText = std::strerror(error);
    return status;
  }
  const bool terminal = ::isatty(fd) != 0;
  ::close(fd);
  // The device opens for us but the serial library refused it: its lock is held by another
  // program, unless the device is no terminal at all.
  if (terminal) status.state = State::Busy;
  return status;
#endif
}

}  // namespace velmora
