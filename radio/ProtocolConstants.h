#pragma once

#include <array>
#include <cstdint>

#include "core/ImageLayout.h"

// The programming protocol's byte values, access code and wire substitution, shared by the host
// side and the simulated radio.
namespace velmora::protocol {

inline constexpr std::uint8_t kStx = 0x02;  // end of the handshake request; identification request
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kLiveAck = 0x09;
inline constexpr std::uint8_t kReadCommand = 0x52;   // 'R'
inline constexpr std::uint8_t kWriteCommand = 0x57;  // 'W', also the block-read reply marker
inline constexpr std::uint8_t kReadLength = 0x40;
inline constexpr std::uint8_t kWriteLength = 0x10;

inline constexpr std::size_t kReadBlockSize = 64;
inline constexpr std::size_t kWriteBlockSize = 16;
inline constexpr std::size_t kReadReplySize = 4 + kReadBlockSize;
inline constexpr std::size_t kIdentSize = 8;
inline constexpr std::size_t kLiveCommandSize = layout::kLiveCommandSize;  // the image keeps one

// The eight characters the radio requires before it takes programming commands.
inline constexpr std::array<std::uint8_t, 8> kAccessCode = {'V', 'L', 'M', '8', 'C', 'A', 'L', '!'};
inline constexpr std::size_t kHandshakeSize = kAccessCode.size() + 1;

// Nibble substitution for block data on the wire; sending uses it, receiving its inverse.
inline constexpr std::array<std::uint8_t, 16> kSubstitution = {
    0x7, 0xC, 0x4, 0xA, 0x1, 0xE, 0x9, 0x3, 0xF, 0x0, 0x6, 0xD, 0x2, 0xB, 0x5, 0x8};

// Live-tune attempts: the command goes out at most this often, and after this many failed
// attempts programming access is opened again before the next one.
inline constexpr int kLiveMaxSends = 7;
inline constexpr int kLiveRecoveryAfter = 3;
inline constexpr int kRecoveryHandshakeRetries = 4;

// Line speed and the input queue the host keeps for the radio.
inline constexpr int kBaudRate = 9600;
inline constexpr int kInputQueueSize = 4096;

}  // namespace velmora::protocol
