#include "sim/PseudoTerminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velmora::sim {
namespace {

bool Fail(std::string* error, const char* what) {
  if (error) *error = std::string(what) + ": " + std::strerror(errno);
  return false;
}

// The radio's line: 9600 baud, 8 data bits, no parity, one stop bit, every byte passed unchanged.
bool MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

PseudoTerminal::~PseudoTerminal() { Close(); }

int PseudoTerminal::OpenMaster(std::string& slavePath, std::string* error) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return Fail(error, "posix_openpt"), -1;
  std::array<char, 128> name{};
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
      ::ptsname_r(master, name.data(), name.size()) != 0) {
    Fail(error, "preparing the pseudo-terminal");
    ::close(master);
    return -1;
  }
  slavePath = name.data();
  return master;
}

bool PseudoTerminal::Open(std::string* error) {
  Close();
  m_master = OpenMaster(m_slavePath, error);
  if (m_master < 0) return false;
  m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m_slave < 0 || !MakeRaw(m_slave) ||
      ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0) {
    const bool result = Fail(error, "setting up the pseudo-terminal");
    Close();
    return result;
  }
  return true;
}

int PseudoTerminal::UnreadBySlave() const {
  int count = 0;
  return m_slave >= 0 && ::ioctl(m_slave, FIONREAD, &count) == 0 ? count : 0;
}

void PseudoTerminal::Close() {
  if (m_slave >= 0) ::close(m_slave);
  if (m_master >= 0) ::close(m_master);
  m_slave = -1;
  m_master = -1;
}

}  // namespace velmora::sim
