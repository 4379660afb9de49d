#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "core/CalibrationImage.h"
#include "radio/ProtocolConstants.h"

namespace velmora {

// What a write sends, worked out once from the image: the 14 blocks with their radio addresses,
// the 64-byte reads that see every byte they change, the backup those reads make and the check
// of what the radio holds afterwards.
class WritePlan {
 public:
  struct Block {
    std::uint16_t address;  // hi << 8 | lo, as sent
    std::size_t offset;     // image offset of the block's 16 data bytes
  };
  struct Mismatch {
    std::uint16_t address;
    std::uint8_t written;
    std::uint8_t held;
  };
  using Reads = std::map<std::uint16_t, std::array<std::uint8_t, protocol::kReadBlockSize>>;
  static constexpr int kBlockCount = 14;  // every write sends this many blocks

  explicit WritePlan(const CalibrationImage::Bytes& image);

  const CalibrationImage::Bytes& image() const { return m_image; }
  const std::vector<Block>& blocks() const { return m_blocks; }
  // The four regions, as a read job fetches them, then the address of any block none of them
  // covers (only headers other than the defaults leave one out).
  const std::vector<std::uint16_t>& reads() const { return m_reads; }

  // The image with the radio's bytes in place: every region as read, and every block's source
  // bytes as the radio held them, so writing the backup puts back every byte this write changes.
  CalibrationImage::Bytes Backup(const Reads& reads) const;
  // The first written byte the radio does not hold, comparing only the bytes the blocks sent.
  std::optional<Mismatch> Compare(const Reads& reads) const;

 private:
  std::array<std::uint8_t, protocol::kWriteBlockSize> RadioBytes(const Reads& reads,
                                                                 std::uint16_t address) const;

  CalibrationImage::Bytes m_image;
  std::vector<Block> m_blocks;
  std::vector<std::uint16_t> m_reads;
};

}  // namespace velmora
