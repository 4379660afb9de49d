#include "tests/radio/FakeSerialLine.h"

#include <algorithm>

namespace velmora::test {

FakeSerialLine::FakeSerialLine(VirtualClock& clock, const ProtocolTiming& timing)
    : m_clock(clock), m_timing(timing) {}

bool FakeSerialLine::Open(const std::string& name) {
  m_events.push_back({LineEvent::Kind::Open, m_clock.now, {}, name});
  return openResult;
}

bool FakeSerialLine::Close() {
  m_events.push_back({LineEvent::Kind::Close, m_clock.now, {}, {}});
  return closeResult;
}

int FakeSerialLine::Write(std::span<const std::uint8_t> data) {
  Bytes written(data.begin(), data.end());
  m_events.push_back({LineEvent::Kind::Write, m_clock.now, written, {}});
  Reply reply;
  if (!m_script.empty()) {
    reply = m_script.front();
    m_script.pop_front();
  } else if (fallback) {
    reply.bytes = fallback(written);
  }
  m_input.insert(m_input.end(), reply.bytes.begin(), reply.bytes.end());
  return reply.writeCount.value_or(static_cast<int>(data.size()));
}

int FakeSerialLine::Read(std::span<std::uint8_t> buffer) {
  const std::size_t n = std::min(buffer.size(), m_input.size());
  std::copy_n(m_input.begin(), n, buffer.begin());
  m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(n));
  m_events.push_back(
      {LineEvent::Kind::Read, m_clock.now, Bytes(buffer.begin(), buffer.begin() + n), {}});
  if (n < buffer.size()) {
    // Short: a silent line waits the whole read time-out, a stalled one the inter-byte gap.
    m_clock.now += n == 0 ? m_timing.ReadTotal(buffer.size()) : m_timing.readInterval;
  }
  return static_cast<int>(n);
}

void FakeSerialLine::Purge() {
  m_input.clear();
  m_events.push_back({LineEvent::Kind::Purge, m_clock.now, {}, {}});
}

std::function<void(std::chrono::milliseconds)> FakeSerialLine::Pauser() {
  return [this](std::chrono::milliseconds duration) {
    m_events.push_back({LineEvent::Kind::Pause, m_clock.now, {}, {}, duration});
    m_clock.now += duration;
  };
}

void FakeSerialLine::Script(std::vector<Reply> replies) {
  m_script.assign(replies.begin(), replies.end());
}

void FakeSerialLine::Inject(const Bytes& bytes) {
  m_input.insert(m_input.end(), bytes.begin(), bytes.end());
}

std::vector<LineEvent> FakeSerialLine::EventsOf(LineEvent::Kind kind) const {
  std::vector<LineEvent> found;
  std::copy_if(m_events.begin(), m_events.end(), std::back_inserter(found),
               [kind](const LineEvent& e) { return e.kind == kind; });
  return found;
}

std::vector<Bytes> FakeSerialLine::Writes() const {
  std::vector<Bytes> writes;
  for (const auto& e : EventsOf(LineEvent::Kind::Write)) {
    writes.push_back(e.bytes);
  }
  return writes;
}

int FakeSerialLine::opens() const {
  return static_cast<int>(EventsOf(LineEvent::Kind::Open).size());
}

int FakeSerialLine::closes() const {
  return static_cast<int>(EventsOf(LineEvent::Kind::Close).size());
}

}  // namespace velmora::test
