#include "sim/MeterServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace velmora::sim {
namespace {

constexpr int kBacklog = 4;
constexpr std::size_t kLongestLine = 4096;  // a client sending more without a newline is dropped

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = "meter: " + what + ": " + std::strerror(errno);
  return false;
}

void SendAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

MeterServer::MeterServer(meter::SimulatedMeter::PowerSource source,
                         const meter::MeterSettings& settings)
    : m_meter(std::move(source), settings) {}

MeterServer::~MeterServer() { Stop(); }

bool MeterServer::IsLoopback(const std::string& host) {
  return host == "127.0.0.1" || host == "localhost";
}

bool MeterServer::Start(const std::string& host, int port, std::string* error) {
  Stop();
  if (!IsLoopback(host)) {
    if (error)
      *error = "meter: " + host + " is not 127.0.0.1; the simulated meter listens there only";
    return false;
  }
  m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (m_listen < 0) return Fail(error, "socket");
  const int yes = 1;
  ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(m_listen, kBacklog) != 0 ||
      ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    const bool failed = Fail(error, "port " + std::to_string(port));
    Stop();
    return failed;
  }
  m_port = ntohs(address.sin_port);
  if (!m_thread.Start([this] { Serve(); }, error)) {
    Stop();
    return false;
  }
  return true;
}

void MeterServer::Stop() {
  m_thread.Stop();
  for (const Client& client : m_clients) ::close(client.fd);
  m_clients.clear();
  if (m_listen >= 0) ::close(m_listen);
  m_listen = -1;
}

void MeterServer::Serve() {
  for (;;) {
    std::vector<pollfd> fds = {{m_listen, POLLIN, 0}};
    for (const Client& client : m_clients) fds.push_back({client.fd, POLLIN, 0});
    if (m_thread.Wait(fds) == ServerThread::Woken::Stopped) return;
    for (std::size_t i = m_clients.size(); i-- > 0;) {
      if (fds[i + 1].revents == 0 || Take(m_clients[i])) continue;
      ::close(m_clients[i].fd);
      m_clients.erase(m_clients.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if ((fds[0].revents & POLLIN) != 0) {
      const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) m_clients.push_back({fd, {}});
    }
  }
}

bool MeterServer::Take(Client& client) {
  std::array<char, 512> buffer{};
  const ssize_t n = ::recv(client.fd, buffer.data(), buffer.size(), 0);
  if (n < 0 && errno == EINTR) return true;
  if (n <= 0) return false;
  const std::string_view bytes(buffer.data(), static_cast<std::size_t>(n));
  Log(ByteDirection::HostToMeter, bytes);
  for (const char c : bytes) {
    if (c != '\n') {
      client.line += c;
      if (client.line.size() > kLongestLine) return false;
      continue;
    }
    Answer(client.fd, client.line);
    client.line.clear();
  }
  return true;
}

void MeterServer::Answer(int fd, const std::string& line) {
  const auto answer = m_meter.Handle(line, meter::ModelClock::now());
  if (!answer) return;
  if (m_meter.faults().slow.count() > 0) std::this_thread::sleep_for(m_meter.faults().slow);
  const std::string text = *answer + "\n";
  Log(ByteDirection::MeterToHost, text);
  SendAll(fd, text);
}

void MeterServer::Log(ByteDirection direction, std::string_view bytes) {
  if (!m_logger) return;
  m_logger(direction, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
           SimClock::now());
}

}  // namespace velmora::sim
