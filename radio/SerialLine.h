#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "radio/PortStatus.h"

namespace velmora {

// A serial line to the radio as the protocol needs it: 9600 baud 8N1, binary, DTR raised, blocking
// transfers bounded by the time-outs of the timing table. Counts are returned; nothing throws.
class SerialLine {
 public:
  virtual ~SerialLine() = default;

  // Opens and configures the named device; false when the device cannot be opened.
  virtual bool Open(const std::string& name) = 0;
  // True when the device was released (or nothing was open).
  virtual bool Close() = 0;
  // Sends the bytes within the write time-out; returns how many went out.
  virtual int Write(std::span<const std::uint8_t> data) = 0;
  // Receives up to buffer.size() bytes within the read time-outs; returns how many arrived.
  virtual int Read(std::span<std::uint8_t> buffer) = 0;
  // Discards everything queued for sending and everything received but not yet read.
  virtual void Purge() = 0;
  // The device the last Open resolved to and why it did not open; Free after a good Open.
  virtual PortStatus LastOpenStatus() const { return {}; }
};

}  // namespace velmora
