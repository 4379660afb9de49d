#include "sim/SimulatedRadio.h"

#include <algorithm>

#include "core/BcdCodec.h"
#include "radio/NibbleSubstitution.h"

namespace velmora::sim {
namespace {

using namespace velmora::protocol;

constexpr std::array<std::uint8_t, 4> kLiveHeader = {0xA6, 0x69, 0x80, 0x06};
constexpr std::size_t kBlockHeaderSize = 4;
constexpr std::size_t kWriteRequestSize = kBlockHeaderSize + kWriteBlockSize;
// The tails of the level tables' live commands: high and low power carry the level in byte 8,
// middle power in byte 9 after 13 80 0D. Tone commands key no transmit table.
constexpr std::array<std::uint8_t, 2> kHighLowTail = {0xFF, 0xFF};
constexpr std::array<std::uint8_t, 3> kMiddleTail = {0x13, 0x80, 0x0D};

std::uint8_t High(std::uint16_t address) { return static_cast<std::uint8_t>(address >> 8); }
std::uint8_t Low(std::uint16_t address) { return static_cast<std::uint8_t>(address & 0xFF); }

// Appends a record; past twice the limit the oldest half goes, which keeps appends cheap.
template <class T>
void Keep(std::vector<T>& records, const T& record) {
  if (records.size() >= 2 * kRecordLimit) {
    records.erase(records.begin(), records.end() - static_cast<std::ptrdiff_t>(kRecordLimit));
  }
  records.push_back(record);
}

}  // namespace

SimulatedRadio::SimulatedRadio() { m_memory.fill(0xFF); }

std::vector<std::uint8_t> SimulatedRadio::Feed(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> out;
  for (const std::uint8_t b : bytes) {
    const auto reply = Feed(b);
    out.insert(out.end(), reply.begin(), reply.end());
  }
  return out;
}

std::vector<std::uint8_t> SimulatedRadio::Feed(std::uint8_t byte) {
  std::rotate(m_recent.begin(), m_recent.begin() + 1, m_recent.end());
  m_recent.back() = byte;
  if (IsHandshake()) return OnHandshake();
  // A dead radio keeps listening only so that tests can count the handshakes it ignored.
  if (m_faults.silent || m_lineDropped) return {};

  switch (m_state) {
    case State::Locked:
      return {};
    case State::Mute:
      if (byte == kStx) return Record(RequestRecord::Kind::Identify, {});
      return {};
    case State::AwaitIdentify:
      return byte == kStx ? OnIdentify() : std::vector<std::uint8_t>{};
    case State::AwaitIdentifyAck:
      if (byte == kStx) return OnIdentify();
      if (byte != kAck) return {};
      m_state = State::Ready;
      return Record(RequestRecord::Kind::IdentifyAck, Reply(ReplyKind::IdentificationAck, {kAck}));
    case State::AwaitReadAck:
      m_state = State::Ready;
      if (byte == kAck)
        return Record(RequestRecord::Kind::ReadAck, Reply(ReplyKind::ReadAck, {kAck}));
      break;  // anything else starts the next command
    case State::Ready:
      break;
  }
  m_pending.push_back(byte);
  return OnCommandByte();
}

bool SimulatedRadio::IsHandshake() const {
  return m_recent.back() == kStx &&
         std::equal(kAccessCode.begin(), kAccessCode.end(), m_recent.begin());
}

std::vector<std::uint8_t> SimulatedRadio::OnHandshake() {
  m_pending.clear();
  m_readBlocks = 0;
  m_writeBlocks = 0;
  if (m_faults.silent || m_lineDropped) return Record(RequestRecord::Kind::Handshake, {});
  const std::uint8_t answer = m_faults.handshakeReply.value_or(kAck);
  if (answer != kAck) {
    m_state = State::Locked;
  } else {
    m_state = m_faults.silentAfterHandshake ? State::Mute : State::AwaitIdentify;
  }
  return Record(RequestRecord::Kind::Handshake, Reply(ReplyKind::Handshake, {answer}));
}

std::vector<std::uint8_t> SimulatedRadio::OnIdentify() {
  m_state = State::AwaitIdentifyAck;
  return Record(RequestRecord::Kind::Identify,
                Reply(ReplyKind::Identification, {kIdentification.begin(), kIdentification.end()}));
}

// Collects a block or live command byte by byte; a byte that cannot belong to one is dropped.
std::vector<std::uint8_t> SimulatedRadio::OnCommandByte() {
  const std::size_t n = m_pending.size();
  switch (m_pending[0]) {
    case kReadCommand:
      if (n < kBlockHeaderSize) return {};
      if (m_pending[3] == kReadLength) return OnReadRequest();
      break;
    case kWriteCommand:
      if (n < kBlockHeaderSize) return {};
      if (n == kBlockHeaderSize && m_pending[3] != kWriteLength) break;
      return n < kWriteRequestSize ? std::vector<std::uint8_t>{} : OnWriteBlock();
    case kLiveHeader[0]:
      if (n <= kLiveHeader.size() && m_pending[n - 1] != kLiveHeader[n - 1]) break;
      return n < kLiveCommandSize ? std::vector<std::uint8_t>{} : OnLiveCommand();
    default:
      break;
  }
  m_pending.clear();
  return {};
}

std::uint16_t SimulatedRadio::PendingAddress() const {
  return static_cast<std::uint16_t>(m_pending[1] << 8 | m_pending[2]);
}

std::vector<std::uint8_t> SimulatedRadio::OnReadRequest() {
  ++m_readBlocks;
  StopTransmitting();
  const std::uint16_t address = PendingAddress();
  m_pending.clear();
  m_state = State::AwaitReadAck;

  std::vector<std::uint8_t> reply = {kWriteCommand, High(address), Low(address), kReadLength};
  auto data = ReadMemory(address, kReadBlockSize);
  protocol::SubstituteNibbles(data, protocol::kSubstitution);
  reply.insert(reply.end(), data.begin(), data.end());
  const int bad = m_faults.badReadHeaderByte;
  const int badBlock = m_faults.badReadHeaderBlock;
  if (bad >= 0 && bad < 4 && (badBlock == 0 || badBlock == m_readBlocks)) reply[bad] ^= 0xFF;
  reply = Reply(ReplyKind::ReadBlock, std::move(reply));

  if (m_faults.dropReadBlock != m_readBlocks) {
    return Record(RequestRecord::Kind::ReadBlock, std::move(reply), address);
  }
  reply.resize(std::min(reply.size(), m_faults.dropAfterBytes));
  Record(RequestRecord::Kind::ReadBlock, {}, address);
  m_lineDropped = true;
  return reply;
}

std::vector<std::uint8_t> SimulatedRadio::OnWriteBlock() {
  ++m_writeBlocks;
  StopTransmitting();
  const std::uint16_t address = PendingAddress();
  std::vector<std::uint8_t> data(m_pending.begin() + kBlockHeaderSize, m_pending.end());
  m_pending.clear();
  m_state = State::Ready;

  if (m_faults.refuseWriteBlock == m_writeBlocks) {
    return Record(RequestRecord::Kind::WriteBlock,
                  Reply(ReplyKind::WriteAck, {m_faults.refuseByte}), address);
  }
  if (m_faults.unansweredWriteBlock == m_writeBlocks) {
    return Record(RequestRecord::Kind::WriteBlock, {}, address);
  }
  protocol::SubstituteNibbles(data, protocol::kInverseSubstitution);
  if (m_faults.corruptWriteBlock == m_writeBlocks) data[0] ^= 0xFF;
  if (m_faults.forgetWriteBlock != m_writeBlocks) {
    const std::vector<std::uint8_t> before = ReadMemory(address, data.size());
    WriteMemory(address, data);
    if (m_memoryWritten && !m_memoryWritten()) {
      WriteMemory(address, before);
      return Record(RequestRecord::Kind::WriteBlock,
                    Reply(ReplyKind::WriteAck, {m_faults.refuseByte}), address);
    }
  }
  return Record(RequestRecord::Kind::WriteBlock, Reply(ReplyKind::WriteAck, {kAck}), address);
}

std::vector<std::uint8_t> SimulatedRadio::OnLiveCommand() {
  LiveRecord record{{}, SimClock::now(), m_faults.liveReply == LiveReply::Normal};
  std::copy(m_pending.begin(), m_pending.end(), record.bytes.begin());
  m_pending.clear();
  m_state = State::Ready;
  Keep(m_live, record);
  Transmit(record.bytes);

  std::vector<std::uint8_t> reply;
  if (m_faults.liveReply == LiveReply::Normal) reply = {kLiveAck};
  if (m_faults.liveReply == LiveReply::AckInstead) reply = {kAck};
  return Record(RequestRecord::Kind::LiveCommand, Reply(ReplyKind::LiveAck, std::move(reply)));
}

void SimulatedRadio::Transmit(const LiveCommandBytes& command) {
  if (!m_transmit) return;
  const auto tail = command.begin() + 6;
  TransmitEvent event{true, BcdDecode(command[4] << 8 | command[5]), 0};
  if (std::equal(kHighLowTail.begin(), kHighLowTail.end(), tail)) {
    event.level = command[8];
  } else if (std::equal(kMiddleTail.begin(), kMiddleTail.end(), tail)) {
    event.level = command[9];
  } else {
    return;
  }
  m_transmit(event);
}

void SimulatedRadio::StopTransmitting() {
  if (m_transmit) m_transmit(TransmitEvent{});
}

std::vector<std::uint8_t> SimulatedRadio::Reply(ReplyKind kind,
                                                std::vector<std::uint8_t> bytes) const {
  if (bytes.empty() || m_faults.noise.empty()) return bytes;
  if ((m_faults.noiseOn & static_cast<unsigned>(kind)) == 0) return bytes;
  bytes.insert(bytes.begin(), m_faults.noise.begin(), m_faults.noise.end());
  return bytes;
}

std::vector<std::uint8_t> SimulatedRadio::Record(RequestRecord::Kind kind,
                                                 std::vector<std::uint8_t> reply,
                                                 std::uint16_t address) {
  Keep(m_requests, {kind, SimClock::now(), address, !reply.empty()});
  return reply;
}

void SimulatedRadio::SetFaults(const RadioFaults& faults) {
  m_faults = faults;
  m_lineDropped = false;
}

void SimulatedRadio::ResetSession() {
  m_state = State::Locked;
  m_pending.clear();
  m_recent.fill(0);
  m_readBlocks = 0;
  m_writeBlocks = 0;
}

std::vector<std::uint8_t> SimulatedRadio::ReadMemory(std::uint16_t address,
                                                     std::size_t length) const {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = m_memory[(address + i) & kAddressMask];
  return bytes;
}

void SimulatedRadio::WriteMemory(std::uint16_t address, std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) m_memory[(address + i) & kAddressMask] = bytes[i];
}

std::size_t SimulatedRadio::CountOf(RequestRecord::Kind kind) const {
  return static_cast<std::size_t>(std::count_if(m_requests.begin(), m_requests.end(),
                                                [kind](const auto& r) { return r.kind == kind; }));
}

void SimulatedRadio::ClearRecords() {
  m_requests.clear();
  m_live.clear();
}

}  // namespace velmora::sim
