#include "transfer/WritePlan.h"

#include <algorithm>

namespace velmora {
namespace {

constexpr std::size_t kWriteBlocksPerRegion[layout::kRegionCount] = {4, 4, 2, 3};

bool Covers(std::uint16_t read, std::uint16_t address) {
  return address >= read &&
         address + protocol::kWriteBlockSize <= read + std::size_t{protocol::kReadBlockSize};
}

}  // namespace

WritePlan::WritePlan(const CalibrationImage::Bytes& image) : m_image(image) {
  for (std::size_t i = 0; i < layout::kRegionCount; ++i) {
    const std::size_t header = layout::RegionOffset(i);
    const std::uint8_t hi = image[header], lo = image[header + 1];
    m_reads.push_back(static_cast<std::uint16_t>(hi << 8 | lo));
    for (std::size_t k = 0; k < kWriteBlocksPerRegion[i]; ++k) {
      // The block address advances on the low byte alone, without carry into the high byte.
      const auto blockLo = static_cast<std::uint8_t>(lo + 16 * k);
      m_blocks.push_back({static_cast<std::uint16_t>(hi << 8 | blockLo), header + 2 + 16 * k});
    }
  }
  const std::size_t live = layout::kLiveBlock;
  m_blocks.push_back({static_cast<std::uint16_t>(image[live] << 8 | image[live + 1]), live + 2});
  for (const Block& block : m_blocks) {
    const bool covered = std::any_of(m_reads.begin(), m_reads.end(),
                                     [&](std::uint16_t r) { return Covers(r, block.address); });
    if (!covered) m_reads.push_back(block.address);
  }
}

std::array<std::uint8_t, protocol::kWriteBlockSize> WritePlan::RadioBytes(
    const Reads& reads, std::uint16_t address) const {
  std::array<std::uint8_t, protocol::kWriteBlockSize> bytes{};
  for (const auto& [read, data] : reads) {
    if (!Covers(read, address)) continue;
    std::copy_n(data.begin() + (address - read), bytes.size(), bytes.begin());
    break;
  }
  return bytes;
}

CalibrationImage::Bytes WritePlan::Backup(const Reads& reads) const {
  CalibrationImage::Bytes backup = m_image;
  for (std::size_t i = 0; i < layout::kRegionCount; ++i) {
    const auto it = reads.find(m_reads[i]);
    if (it == reads.end()) continue;
    std::copy(it->second.begin(), it->second.end(), backup.begin() + layout::RegionOffset(i) + 2);
  }
  for (const Block& block : m_blocks) {
    const auto held = RadioBytes(reads, block.address);
    std::copy(held.begin(), held.end(), backup.begin() + static_cast<std::ptrdiff_t>(block.offset));
  }
  backup[layout::kBusy] = 0;
  return backup;
}

std::optional<WritePlan::Mismatch> WritePlan::Compare(const Reads& reads) const {
  for (const Block& block : m_blocks) {
    const auto held = RadioBytes(reads, block.address);
    for (std::size_t k = 0; k < held.size(); ++k) {
      const std::uint8_t written = m_image[block.offset + k];
      if (held[k] != written) {
        return Mismatch{static_cast<std::uint16_t>(block.address + k), written, held[k]};
      }
    }
  }
  return std::nullopt;
}

}  // namespace velmora
