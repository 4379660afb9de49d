#include "radio/CRadioPort.h"

#include <algorithm>
#include <array>
#include <thread>

#include "radio/NibbleSubstitution.h"

namespace velmora {

CRadioPort::CRadioPort(std::unique_ptr<SerialLine> line, const ProtocolTiming& timing,
                       PauseFunction pause)
    : m_line(std::move(line)), m_timing(timing), m_pause(std::move(pause)) {}

CRadioPort::~CRadioPort() { CloseIfOpen(); }

bool CRadioPort::Open(const std::string& name) {
  if (m_bOpen) {
    return true;  // an open port is neither reopened nor reconfigured
  }
  if (!m_line->Open(name)) {
    return false;
  }
  m_bOpen = true;
  return true;
}

bool CRadioPort::Close() {
  if (!m_line->Close()) {
    return false;  // still open: the caller may try again
  }
  m_bOpen = false;
  return true;
}

void CRadioPort::CloseIfOpen() {
  if (m_bOpen) {
    Close();
  }
}

int CRadioPort::Write(std::span<const std::uint8_t> data) { return m_line->Write(data); }

int CRadioPort::Read(std::span<std::uint8_t> buffer) { return m_line->Read(buffer); }

bool CRadioPort::WriteByte(std::uint8_t value) { return Write(std::span(&value, 1)) != 0; }

bool CRadioPort::ExpectByte(std::uint8_t expected) {
  std::uint8_t reply = 0;
  return Read(std::span(&reply, 1)) == 1 && reply == expected;
}

bool CRadioPort::Handshake(int retries) {
  m_pause(m_timing.handshakePause);
  m_line->Purge();
  std::array<std::uint8_t, protocol::kHandshakeSize> request{};
  std::copy(protocol::kAccessCode.begin(), protocol::kAccessCode.end(), request.begin());
  request.back() = protocol::kStx;
  for (int attempt = 0; attempt <= retries; ++attempt) {
    if (m_cancelled && m_cancelled()) {
      return false;
    }
    if (Write(request) == 0) {
      return false;
    }
    std::uint8_t reply = 0;
    if (Read(std::span(&reply, 1)) == 1) {
      return reply == protocol::kAck;  // a wrong answer is final; only silence is retried
    }
  }
  return false;
}

bool CRadioPort::Identify() {
  if (!WriteByte(protocol::kStx)) {
    return false;
  }
  std::array<std::uint8_t, protocol::kIdentSize> ident{};
  if (Read(ident) < static_cast<int>(ident.size())) {
    return false;
  }
  m_identification.assign(ident.begin(), ident.end());
  if (!WriteByte(protocol::kAck)) {
    return false;
  }
  return ExpectByte(protocol::kAck);
}

bool CRadioPort::ReadBlock(std::uint8_t hi, std::uint8_t lo,
                           std::span<std::uint8_t, protocol::kReadBlockSize> dst, bool* received) {
  if (received) *received = false;
  const std::array<std::uint8_t, 4> request = {protocol::kReadCommand, hi, lo,
                                               protocol::kReadLength};
  if (Write(request) == 0) {
    return false;
  }
  std::array<std::uint8_t, protocol::kReadReplySize> reply{};
  if (Read(reply) < static_cast<int>(reply.size())) {
    return false;
  }
  const std::array<std::uint8_t, 4> expected = {protocol::kWriteCommand, hi, lo,
                                                protocol::kReadLength};
  if (!std::equal(expected.begin(), expected.end(), reply.begin())) {
    return false;  // not the block asked for: leave dst alone and do not acknowledge
  }
  std::copy(reply.begin() + expected.size(), reply.end(), dst.begin());
  ScrambleNibbles(dst, Direction::Receive);
  if (received) *received = true;
  if (!WriteByte(protocol::kAck)) {
    return false;
  }
  return ExpectByte(protocol::kAck);
}

bool CRadioPort::WriteBlock(std::uint8_t hi, std::uint8_t lo,
                            std::span<const std::uint8_t, protocol::kWriteBlockSize> src) {
  const std::array<std::uint8_t, 4> header = {protocol::kWriteCommand, hi, lo,
                                              protocol::kWriteLength};
  if (Write(header) == 0) {
    return false;
  }
  std::array<std::uint8_t, protocol::kWriteBlockSize> data{};
  std::copy(src.begin(), src.end(), data.begin());
  ScrambleNibbles(data, Direction::Send);
  if (Write(data) == 0) {
    return false;
  }
  return ExpectByte(protocol::kAck);
}

bool CRadioPort::SendLiveCommand(std::span<const std::uint8_t> cmd) {
  m_line->Purge();
  int failed = 0;
  for (;;) {
    Write(cmd);  // the count does not matter: only the acknowledgement does
    if (ExpectByte(protocol::kLiveAck)) {
      return true;
    }
    if (++failed >= protocol::kLiveMaxSends) {
      return false;
    }
    m_pause(m_timing.liveRetryPause);
    if (failed == protocol::kLiveRecoveryAfter) {
      if (!Handshake(protocol::kRecoveryHandshakeRetries)) {
        return false;
      }
      Identify();  // the radio may answer it or not; the next command attempt decides
      m_pause(m_timing.recoveryPause);
    }
  }
}

std::uint8_t CRadioPort::MapNibble(std::uint8_t value, Direction direction) {
  const auto& table =
      direction == Direction::Send ? protocol::kSubstitution : protocol::kInverseSubstitution;
  return table[value & 0x0F];
}

void CRadioPort::ScrambleNibbles(std::span<std::uint8_t> buffer, Direction direction) {
  protocol::SubstituteNibbles(buffer, direction == Direction::Send
                                          ? protocol::kSubstitution
                                          : protocol::kInverseSubstitution);
}

void CRadioPort::SleepCallingThread(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace velmora
