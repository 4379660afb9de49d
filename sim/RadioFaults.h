#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::sim {

// The replies the radio can give; used to aim noise at some of them.
enum class ReplyKind : unsigned {
  Handshake = 1u << 0,
  Identification = 1u << 1,
  IdentificationAck = 1u << 2,
  ReadBlock = 1u << 3,
  ReadAck = 1u << 4,
  WriteAck = 1u << 5,
  LiveAck = 1u << 6,
};
inline constexpr unsigned kAllReplies = 0x7F;
constexpr unsigned operator|(ReplyKind a, ReplyKind b) {
  return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}

// How the line goes down in the middle of a block-read reply.
enum class DropMode {
  GoSilent,   // the radio answers nothing more until the faults are changed
  CloseLine,  // the pty master is closed: the client's reads end with a hang-up
};

// How the radio answers a live-tune command.
enum class LiveReply { Normal, AckInstead, Silent };

// Every fault the simulated radio can be told to show; the default is a well-behaved radio.
// Block indexes are 1-based and count within one session, which each accepted handshake starts.
struct RadioFaults {
  bool silent = false;                           // answers nothing at all
  std::optional<std::uint8_t> handshakeReply{};  // wrong byte sent instead of 0x06
  bool silentAfterHandshake = false;             // handshake answered, then nothing until the next

  int badReadHeaderByte = -1;  // 0..3: that byte of the block-read reply header is inverted
  int badReadHeaderBlock = 0;  // which read block gets it; 0 = every one

  int refuseWriteBlock = 0;  // that write block is answered with refuseByte instead of 0x06
  std::uint8_t refuseByte = 0x15;
  int unansweredWriteBlock = 0;  // that write block gets no reply; neither fault stores it
  int corruptWriteBlock = 0;     // that write block is acknowledged but stored with byte 0 inverted
  int forgetWriteBlock = 0;      // that write block is acknowledged but not stored at all

  LiveReply liveReply = LiveReply::Normal;

  std::vector<std::uint8_t> noise{};  // sent before each reply whose kind is in noiseOn
  unsigned noiseOn = kAllReplies;

  int dropReadBlock = 0;           // that read block's reply is cut off after dropAfterBytes
  std::size_t dropAfterBytes = 0;  // bytes of the 68-byte reply that still get out
  DropMode dropMode = DropMode::GoSilent;
};

}  // namespace velmora::sim
