#include "radio/PosixSerialLine.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "radio/ProtocolConstants.h"
#include "radio/RadioLogging.h"
#include "trace/TraceLog.h"

namespace velmora {

namespace {

// Where programs that lock a serial device by file (minicom, Qt's serial port) leave the lock.
constexpr const char* kLockFolder = "/var/lock/";
constexpr std::size_t kMostLockFileBytes = 64;  // a pid, a program's name and a host at most

// Milliseconds left until the deadline, rounded up so a wait never ends before it.
int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// The pid a lock file holds: ten ASCII digits and a newline (UUCP, minicom, Qt), or the binary
// int of older programs; 0 when it holds neither.
long LockPid(const std::string& path) {
  std::ifstream lock(path, std::ios::binary);
  char bytes[kMostLockFileBytes] = {};
  lock.read(bytes, sizeof bytes);
  const auto size = static_cast<std::size_t>(lock.gcount());
  const std::string text(bytes, size);
  const std::string line = text.substr(0, text.find('\n'));
  const bool ascii = line.find_first_of("0123456789") != std::string::npos &&
                     line.find_first_not_of(" \t0123456789") == std::string::npos;
  if (ascii) return std::strtol(line.c_str(), nullptr, 10);
  if (size != sizeof(std::int32_t)) return 0;
  std::int32_t pid = 0;
  std::memcpy(&pid, bytes, sizeof pid);
  return pid;
}

// The lock file's name for a device: LCK.. and its name under /dev, slashes made underscores.
std::string LockFileOf(const std::string& device) {
  std::string name = device.rfind("/dev/", 0) == 0 ? device.substr(5) : device;
  std::replace(name.begin(), name.end(), '/', '_');
  return kLockFolder + ("LCK.." + name);
}

// A lock file naming a live process: that program holds the device though it set no flock. Other
// programs name the lock after the device itself, whatever link (/dev/serial/by-id/...) led here.
bool HeldByLockFile(const std::string& device) {
  std::vector<std::string> names{device};
  if (char* real = ::realpath(device.c_str(), nullptr)) {
    if (names[0] != real) names.emplace_back(real);
    std::free(real);
  }
  return std::any_of(names.begin(), names.end(), [](const std::string& name) {
    const long pid = LockPid(LockFileOf(name));
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
  });
}

// Raw 9600 8N1 without flow control, so every byte value passes and none is taken for XON/XOFF.
// VMIN 1 on the non-blocking descriptor makes an empty read say "nothing yet" (EAGAIN), apart
// from "the line is gone" (end of file or an error).
termios ProtocolSettings(termios settings) {
  ::cfmakeraw(&settings);
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  ::cfsetispeed(&settings, B9600);
  ::cfsetospeed(&settings, B9600);
  return settings;
}
static_assert(protocol::kBaudRate == 9600, "the line is set up at B9600");
// The terminal's own input queue is what the protocol asks the host to keep; it cannot be set.
static_assert(protocol::kInputQueueSize == 4096, "Linux keeps 4096 bytes of a terminal's input");

}  // namespace

PosixSerialLine::PosixSerialLine(const ProtocolTiming& timing, PortNames names)
    : m_timing(timing), m_names(std::move(names)) {}

PosixSerialLine::~PosixSerialLine() { Close(); }

bool PosixSerialLine::Open(const std::string& name) {
  if (m_fd >= 0) return true;
  const std::string device = m_names.Resolve(name);
  m_name = name;
  m_status = {PortStatus::State::Free, device, {}, {}, {}};
  if (device.empty()) {
    m_status = PortStatus::Diagnose(device, {});
  } else {
    m_fd = OpenDevice(device);
  }
  const std::string result = PortStatus::Name(name, device) +
                             " open: " + (m_fd >= 0 ? std::string("ok") : m_status.Describe());
  TraceLog::Instance().Note(result);
  qCDebug(lcSerial) << result.c_str();
  return m_fd >= 0;
}

int PosixSerialLine::OpenDevice(const std::string& device) {
  // Non-blocking, so a modem line without carrier does not hold the open.
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    m_status = PortStatus::Diagnose(device, std::strerror(errno));
    return -1;
  }
  auto refuse = [&](PortStatus status) {
    ::close(fd);
    m_status = std::move(status);
    return -1;
  };
  if (::tcgetattr(fd, &m_original) != 0) {
    return refuse({PortStatus::State::Other, device, std::strerror(errno), {}, {}});
  }
  // Exclusive against this and every other program: a second writer would corrupt the memory.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || HeldByLockFile(device)) {
    return refuse({PortStatus::State::Busy, device, {}, {}, {}});
  }
  ::ioctl(fd, TIOCEXCL);
  const termios settings = ProtocolSettings(m_original);
  // A device that refuses a setting is still tried, as its own settings may already fit.
  ::tcsetattr(fd, TCSANOW, &settings);
  const int dtr = TIOCM_DTR;
  ::ioctl(fd, TIOCMBIS, &dtr);
  return fd;
}

PortStatus PosixSerialLine::Probe(const std::string& name, PortNames names) {
  PosixSerialLine line(kRealTiming, std::move(names));
  line.Open(name);
  line.Close();
  return line.LastOpenStatus();
}

bool PosixSerialLine::Close() {
  if (m_fd < 0) return true;
  // Given back as it came, so the next program finds the settings it left.
  ::tcsetattr(m_fd, TCSANOW, &m_original);
  ::ioctl(m_fd, TIOCNXCL);
  ::close(m_fd);  // the descriptor is released even when the system reports an error
  m_fd = -1;
  TraceLog::Instance().Note(m_name + " closed");
  return true;
}

int PosixSerialLine::Write(std::span<const std::uint8_t> data) {
  if (m_fd < 0 || data.empty()) return 0;
  const auto deadline = Clock::now() + m_timing.WriteTotal(data.size());
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::write(m_fd, data.data() + sent, data.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (!(n < 0 && errno == EAGAIN) || !WaitFor(POLLOUT, deadline)) {
      break;  // what did not go out by the deadline never does: it was never queued
    }
  }
  TraceLog::Instance().Bytes(m_name, TraceLog::Direction::ToRadio, data.first(sent));
  return static_cast<int>(sent);
}

int PosixSerialLine::Read(std::span<std::uint8_t> buffer) {
  if (m_fd < 0 || buffer.empty()) return 0;
  const auto totalDeadline = Clock::now() + m_timing.ReadTotal(buffer.size());
  std::size_t got = 0;
  Clock::time_point lastByte;
  while (got < buffer.size()) {
    const ssize_t n = ::read(m_fd, buffer.data() + got, buffer.size() - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      lastByte = Clock::now();
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // End of file or an error: the device went away, no more input will come.
    if (n == 0 || errno != EAGAIN) break;
    // The gap between bytes counts only once the first byte is in.
    const auto deadline =
        got == 0 ? totalDeadline : std::min(totalDeadline, lastByte + m_timing.readInterval);
    if (!WaitFor(POLLIN, deadline)) break;
  }
  TraceLog::Instance().Bytes(m_name, TraceLog::Direction::FromRadio, buffer.first(got));
  return static_cast<int>(got);
}

bool PosixSerialLine::WaitFor(short events, Clock::time_point deadline) const {
  for (;;) {
    const int left = MillisecondsUntil(deadline);
    if (left == 0) return false;
    pollfd entry{m_fd, events, 0};
    const int ready = ::poll(&entry, 1, left);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return false;
    if (entry.revents & events) return true;
    if (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) return false;
  }
}

void PosixSerialLine::Purge() {
  if (m_fd >= 0) ::tcflush(m_fd, TCIOFLUSH);
}

}  // namespace velmora
