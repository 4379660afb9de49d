#include "sim/PtyRadioServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace velmora::sim {

PtyRadioServer::~PtyRadioServer() { Stop(); }

void PtyRadioServer::SetMemoryWrittenListener(std::function<bool(const RadioMemory&)> listener) {
  m_memoryListener = std::move(listener);
  std::lock_guard lock(m_mutex);
  m_radio.SetMemoryWrittenHook(
      [this] { return !m_memoryListener || m_memoryListener(m_radio.memory()); });
}

void PtyRadioServer::SetTransmitListener(std::function<void(const TransmitEvent&)> listener) {
  std::lock_guard lock(m_mutex);
  m_radio.SetTransmitHook(std::move(listener));
}

bool PtyRadioServer::Start(std::string* error) {
  Stop();
  if (!m_pty.Open(error)) return false;
  m_lineClosed = false;
  m_running = true;
  if (!m_thread.Start([this] { Serve(); }, error)) {
    m_running = false;
    m_pty.Close();
    return false;
  }
  return true;
}

void PtyRadioServer::Stop() {
  m_thread.Stop();
  m_pty.Close();
  m_running = false;
}

void PtyRadioServer::Serve() {
  // A cable's bytes come at their time: the system may otherwise end each paced wait up to 50 us
  // late, which would make this radio slower than the baud rate it stands for.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  SimClock::time_point arrival{};  // when the last byte from the host finished arriving
  std::array<std::uint8_t, 256> buffer{};
  while (!m_lineClosed) {
    std::vector<pollfd> fds = {{m_pty.master(), POLLIN, 0}};
    if (m_thread.Wait(fds) == ServerThread::Woken::Stopped) break;
    if ((fds[0].revents & POLLIN) == 0) continue;
    const ssize_t n = ::read(m_pty.master(), buffer.data(), buffer.size());
    if (n <= 0) continue;  // EAGAIN or EINTR; the held slave keeps hang-ups away
    const auto readAt = SimClock::now();
    const auto bytes = std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n));
    Log(ByteDirection::FromHost, bytes);
    for (const std::uint8_t b : bytes) {
      if (m_thread.stopping() || m_lineClosed) break;
      HandleByte(b, readAt, arrival);
    }
  }
  m_running = false;
}

// With pacing, each byte is taken only when it would have finished arriving on a real cable: one
// byte time after it started, and it cannot start before the previous one has ended. Times count
// from when the bytes were there, not from when a sleep ended, so wake-up delays do not add up.
void PtyRadioServer::HandleByte(std::uint8_t byte, SimClock::time_point readAt,
                                SimClock::time_point& arrival) {
  if (m_paced) {
    arrival = std::max(arrival, readAt) + kByteTime9600;
    std::this_thread::sleep_until(arrival);
  }
  std::vector<std::uint8_t> reply;
  bool closeLine = false;
  {
    std::lock_guard lock(m_mutex);
    reply = m_radio.Feed(byte);
    closeLine = m_radio.lineDropped() && m_radio.faults().dropMode == DropMode::CloseLine;
  }
  Send(reply);
  if (closeLine) CloseLine();
}

void PtyRadioServer::CloseLine() {
  std::this_thread::sleep_for(kLineSettle);
  const auto deadline = SimClock::now() + kLineDrainTimeout;
  while (m_pty.UnreadBySlave() > 0 && SimClock::now() < deadline && !m_thread.stopping()) {
    std::this_thread::sleep_for(kLineDrainPoll);
  }
  m_pty.Close();
  m_lineClosed = true;
}

void PtyRadioServer::Send(const std::vector<std::uint8_t>& reply) {
  if (reply.empty()) return;
  Log(ByteDirection::ToHost, reply);
  // Paced replies go out byte by byte, each once a cable would have carried it whole: the first
  // one byte time after the reply starts, the others one byte time apart.
  const std::size_t chunk = m_paced ? 1 : reply.size();
  auto next = SimClock::now() + kByteTime9600;
  for (std::size_t done = 0; done < reply.size() && !m_thread.stopping();) {
    if (m_paced) std::this_thread::sleep_until(next);
    const ssize_t n =
        ::write(m_pty.master(), reply.data() + done, std::min(chunk, reply.size() - done));
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      next += kByteTime9600;
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      return;
    } else if (!WaitWritable()) {
      return;  // nobody drains the line: the rest of the reply is lost, as on a cable
    }
  }
}

bool PtyRadioServer::WaitWritable() {
  std::vector<pollfd> fds = {{m_pty.master(), POLLOUT, 0}};
  return m_thread.Wait(fds, kStalledLineTimeout) == ServerThread::Woken::Ready &&
         (fds[0].revents & POLLOUT) != 0;
}

void PtyRadioServer::Log(ByteDirection direction, std::span<const std::uint8_t> bytes) {
  if (m_logger) m_logger(direction, bytes, SimClock::now());
}

void PtyRadioServer::SetFaults(const RadioFaults& faults) {
  std::lock_guard lock(m_mutex);
  m_radio.SetFaults(faults);
}

RadioFaults PtyRadioServer::faults() const {
  std::lock_guard lock(m_mutex);
  return m_radio.faults();
}

RadioMemory PtyRadioServer::memory() const {
  std::lock_guard lock(m_mutex);
  return m_radio.memory();
}

void PtyRadioServer::SetMemory(const RadioMemory& memory) {
  std::lock_guard lock(m_mutex);
  m_radio.SetMemory(memory);
}

std::vector<std::uint8_t> PtyRadioServer::ReadMemory(std::uint16_t address,
                                                     std::size_t length) const {
  std::lock_guard lock(m_mutex);
  return m_radio.ReadMemory(address, length);
}

void PtyRadioServer::WriteMemory(std::uint16_t address, std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(m_mutex);
  m_radio.WriteMemory(address, bytes);
}

std::vector<RequestRecord> PtyRadioServer::requests() const {
  std::lock_guard lock(m_mutex);
  return m_radio.requests();
}

std::size_t PtyRadioServer::CountOf(RequestRecord::Kind kind) const {
  std::lock_guard lock(m_mutex);
  return m_radio.CountOf(kind);
}

std::vector<LiveRecord> PtyRadioServer::liveCommands() const {
  std::lock_guard lock(m_mutex);
  return m_radio.liveCommands();
}

void PtyRadioServer::ClearRecords() {
  std::lock_guard lock(m_mutex);
  m_radio.ClearRecords();
}

void PtyRadioServer::ResetSession() {
  std::lock_guard lock(m_mutex);
  m_radio.ResetSession();
}

}  // namespace velmora::sim
