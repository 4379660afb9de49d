#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "radio/ProtocolConstants.h"
#include "sim/RadioFaults.h"

namespace velmora::sim {

inline constexpr std::size_t kMemorySize = 0x2000;  // 8 KiB of alignment memory
inline constexpr std::uint16_t kAddressMask = kMemorySize - 1;
using RadioMemory = std::array<std::uint8_t, kMemorySize>;
using LiveCommandBytes = std::array<std::uint8_t, protocol::kLiveCommandSize>;
using SimClock = std::chrono::steady_clock;

// Requests and live commands kept for inspection: the most recent ones, at least this many and
// at most twice as many, so that a radio serving for days keeps a flat memory.
inline constexpr std::size_t kRecordLimit = 4096;

// The eight bytes the radio sends when it is asked to identify itself.
inline constexpr std::array<std::uint8_t, protocol::kIdentSize> kIdentification = {
    'V', 'L', 'M', '-', 'S', 'I', 'M', '1'};

// One complete request the radio took from the line.
struct RequestRecord {
  enum class Kind { Handshake, Identify, IdentifyAck, ReadBlock, ReadAck, WriteBlock, LiveCommand };
  Kind kind;
  SimClock::time_point at;
  std::uint16_t address = 0;  // as sent (hi << 8 | lo), for block requests
  bool answered = true;       // false when a fault or silence kept the reply back
};

// What the radio's transmitter is told: a live command of a transmit level table keys it at that
// point's frequency and level; a block read or write (another job) unkeys it.
struct TransmitEvent {
  bool keyed = false;
  int frequencyMHz = 0;
  int level = 0;
};

struct LiveRecord {
  LiveCommandBytes bytes;
  SimClock::time_point at;
  bool acknowledged;  // answered with 0x09
};

// The radio's side of the programming protocol as a pure state machine: feed it the host's bytes
// one at a time and it returns the bytes the radio sends back. No I/O, no threads, no locks.
//
// Addresses are taken modulo 8 KiB, and a block that runs past 0x1FFF continues at 0x0000; the
// header of a block-read reply echoes the address exactly as it was requested.
class SimulatedRadio {
 public:
  SimulatedRadio();

  // Takes one byte from the host; returns the radio's reply (often empty).
  std::vector<std::uint8_t> Feed(std::uint8_t byte);
  std::vector<std::uint8_t> Feed(std::span<const std::uint8_t> bytes);

  void SetFaults(const RadioFaults& faults);  // also lifts a line drop that has happened
  const RadioFaults& faults() const { return m_faults; }
  // Back to the state after power-on: no programming access, nothing half received.
  void ResetSession();

  const RadioMemory& memory() const { return m_memory; }
  void SetMemory(const RadioMemory& memory) { m_memory = memory; }
  std::vector<std::uint8_t> ReadMemory(std::uint16_t address, std::size_t length) const;
  void WriteMemory(std::uint16_t address, std::span<const std::uint8_t> bytes);

  // The most recent requests (see kRecordLimit); counts cover only those.
  const std::vector<RequestRecord>& requests() const { return m_requests; }
  std::size_t CountOf(RequestRecord::Kind kind) const;
  const std::vector<LiveRecord>& liveCommands() const { return m_live; }
  void ClearRecords();

  // True once a line-drop fault has fired; the I/O layer closes the line for DropMode::CloseLine.
  bool lineDropped() const { return m_lineDropped; }
  // Called after every write block that changed memory, before its acknowledgement goes out.
  // A hook that returns false (the block could not be kept) takes the block back: memory is
  // restored and the block is answered with the refusal byte, as a radio that failed to store it.
  void SetMemoryWrittenHook(std::function<bool()> hook) { m_memoryWritten = std::move(hook); }
  void SetTransmitHook(std::function<void(const TransmitEvent&)> hook) {
    m_transmit = std::move(hook);
  }

 private:
  enum class State { Locked, AwaitIdentify, AwaitIdentifyAck, Ready, AwaitReadAck, Mute };

  bool IsHandshake() const;
  std::vector<std::uint8_t> OnHandshake();
  std::vector<std::uint8_t> OnCommandByte();
  std::vector<std::uint8_t> OnIdentify();
  std::vector<std::uint8_t> OnReadRequest();
  std::vector<std::uint8_t> OnWriteBlock();
  std::vector<std::uint8_t> OnLiveCommand();
  void Transmit(const LiveCommandBytes& command);
  void StopTransmitting();
  std::vector<std::uint8_t> Reply(ReplyKind kind, std::vector<std::uint8_t> bytes) const;
  std::vector<std::uint8_t> Record(RequestRecord::Kind kind, std::vector<std::uint8_t> reply,
                                   std::uint16_t address = 0);
  std::uint16_t PendingAddress() const;

  RadioMemory m_memory;
  RadioFaults m_faults;
  State m_state = State::Locked;
  std::vector<std::uint8_t> m_pending;  // bytes of the request being received
  std::array<std::uint8_t, protocol::kHandshakeSize>
      m_recent{};         // last bytes seen, for the handshake
  int m_readBlocks = 0;   // in this session
  int m_writeBlocks = 0;  // in this session
  bool m_lineDropped = false;
  std::vector<RequestRecord> m_requests;
  std::vector<LiveRecord> m_live;
  std::function<bool()> m_memoryWritten;
  std::function<void(const TransmitEvent&)> m_transmit;
};

}  // namespace velmora::sim
