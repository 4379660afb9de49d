#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "radio/ProtocolTiming.h"
#include "radio/SerialLine.h"

namespace velmora::test {

using Bytes = std::vector<std::uint8_t>;

// Protocol time that passes only when the line waits or the port pauses.
struct VirtualClock {
  std::chrono::milliseconds now{0};
};

// What the line saw, in order, each with the virtual time it happened at.
struct LineEvent {
  enum class Kind { Open, Close, Write, Read, Purge, Pause };
  Kind kind;
  std::chrono::milliseconds at;
  Bytes bytes;  // written or read bytes
  std::string name;
  std::chrono::milliseconds duration{0};  // pause length
};

// One scripted answer of the radio to one write: the bytes it sends back (empty: silence) and how
// many bytes the write reports (nullopt: all of them).
struct Reply {
  Bytes bytes;
  std::optional<int> writeCount;
};

// An in-memory line with a scripted radio on the other end. Each write takes the next scripted
// reply; when the script is used up the fallback radio answers. A read that comes up short costs
// the virtual time the real line would spend waiting.
class FakeSerialLine final : public SerialLine {
 public:
  FakeSerialLine(VirtualClock& clock, const ProtocolTiming& timing);

  bool Open(const std::string& name) override;
  bool Close() override;
  int Write(std::span<const std::uint8_t> data) override;
  int Read(std::span<std::uint8_t> buffer) override;
  void Purge() override;

  // A pause function that advances the virtual clock and records the pause.
  std::function<void(std::chrono::milliseconds)> Pauser();

  void Script(std::vector<Reply> replies);
  // Answers every write beyond the script (default: silence).
  std::function<Bytes(const Bytes& written)> fallback;
  // Bytes the radio has already sent before anything was written.
  void Inject(const Bytes& bytes);

  bool openResult = true;
  bool closeResult = true;

  const std::vector<LineEvent>& events() const { return m_events; }
  std::vector<LineEvent> EventsOf(LineEvent::Kind kind) const;
  std::vector<Bytes> Writes() const;
  int opens() const;
  int closes() const;

 private:
  VirtualClock& m_clock;
  ProtocolTiming m_timing;
  std::deque<Reply> m_script;
  std::deque<std::uint8_t> m_input;
  std::vector<LineEvent> m_events;
};

}  // namespace velmora::test
