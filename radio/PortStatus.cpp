#include "radio/PortStatus.h"

#include <cerrno>
#include <cstring>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
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
      if (!group.empty()) {
        return "permission denied (join the " + group + " group: sudo usermod -aG " + group +
               " $USER, then log in again)";
      }
      if (!owner.empty()) return "permission denied (only its owner " + owner + " may open it)";
      return "permission denied";
    case State::Busy:
      return "busy (held by another program)";
    case State::Other:
      break;
  }
  return "cannot be opened (" + systemText + ")";
}

#if !defined(_WIN32)
namespace {

constexpr std::size_t kNameBufferSize = 4096;  // getgrgid_r / getpwuid_r scratch space

// Whoever may open the device besides root: its group when the group bits allow reading and
// writing, else its owner. Re-entrant lookups: batch jobs diagnose ports on several threads.
void NameWhoMayOpen(const struct stat& st, PortStatus& status) {
  std::vector<char> buffer(kNameBufferSize);
  if ((st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
    group entry{};
    group* found = nullptr;
    ::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found);
    status.group = found ? found->gr_name : std::to_string(st.st_gid);
  } else {
    passwd entry{};
    passwd* found = nullptr;
    ::getpwuid_r(st.st_uid, &entry, buffer.data(), buffer.size(), &found);
    status.owner = found ? found->pw_name : std::to_string(st.st_uid);
  }
}

}  // namespace
#endif

std::string PortStatus::Name(const std::string& port, const std::string& device) {
  return port + " = " + (device.empty() ? std::string("(no device)") : device);
}

PortStatus PortStatus::Diagnose(const std::string& device, const std::string& libraryText) {
  PortStatus status{State::Other, device, libraryText, {}, {}};
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
    if (error == EACCES || error == EPERM) {
      status.state = State::PermissionDenied;
      NameWhoMayOpen(st, status);
    }
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
