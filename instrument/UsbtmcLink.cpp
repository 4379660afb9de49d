#include "instrument/UsbtmcLink.h"

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "instrument/FileKind.h"

namespace velmora {
namespace {

constexpr int kReadChunk = 4096;

}  // namespace

UsbtmcLink::UsbtmcLink(QString device) : m_device(std::move(device)) {}

UsbtmcLink::~UsbtmcLink() { Close(); }

QString UsbtmcLink::Failure(const char* what) const {
  return QStringLiteral("%1: %2 failed: %3")
      .arg(m_device, QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

bool UsbtmcLink::Open(QString& error) {
  Close();
  // A FIFO or a file would take its own query for the instrument's answer.
  if (const auto kind = FileKind::Of(m_device); kind != FileKind::Kind::CharacterDevice) {
    error = QStringLiteral("%1: %2, not a character device")
                .arg(m_device, kind == FileKind::Kind::Missing ? QStringLiteral("no such device")
                                                               : FileKind::Describe(kind));
    return false;
  }
  m_fd = ::open(m_device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m_fd < 0) {
    error = Failure("open");
    return false;
  }
  // The driver's clear answers only on a USBTMC device; a terminal standing in gets raw mode.
  m_usbtmc = ::ioctl(m_fd, USBTMC_IOCTL_CLEAR) == 0;
  termios mode{};
  if (!m_usbtmc && ::tcgetattr(m_fd, &mode) == 0) {
    ::cfmakeraw(&mode);
    ::tcsetattr(m_fd, TCSANOW, &mode);
  }
  return true;
}

void UsbtmcLink::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_usbtmc = false;
}

bool UsbtmcLink::Write(const QByteArray& bytes, QString& error) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = Failure("write");
      return false;
    }
    done += n;
  }
  return true;
}

QByteArray UsbtmcLink::Read(std::chrono::milliseconds timeout, QString& error) {
  if (m_usbtmc) {
    // The driver waits for the answer itself, as long as told.
    unsigned int ms = static_cast<unsigned int>(timeout.count());
    ::ioctl(m_fd, USBTMC_IOCTL_SET_TIMEOUT, &ms);
  } else {
    // An empty answer must mean the whole timeout has passed, signals or not.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd fd{m_fd, POLLIN, 0};
    int ready = -1;
    while (ready < 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      ready = ::poll(&fd, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
      if (ready < 0 && errno != EINTR) {
        error = Failure("poll");
        return {};
      }
    }
    if (ready == 0) return {};
    if ((fd.revents & POLLIN) == 0) {
      error = m_device + QStringLiteral(": hung up");
      return {};
    }
  }
  QByteArray buffer(kReadChunk, Qt::Uninitialized);
  const ssize_t n = ::read(m_fd, buffer.data(), static_cast<size_t>(buffer.size()));
  if (n < 0 && errno != ETIMEDOUT && errno != EINTR) error = Failure("read");
  if (n == 0 && !m_usbtmc) error = m_device + QStringLiteral(": hung up");
  if (n <= 0) return {};
  buffer.truncate(n);
  return buffer;
}

void UsbtmcLink::Clear() {
  if (m_usbtmc) {
    ::ioctl(m_fd, USBTMC_IOCTL_CLEAR);
  } else {
    ::tcflush(m_fd, TCIFLUSH);
  }
}

}  // namespace velmora
