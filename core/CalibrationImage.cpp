#include "core/CalibrationImage.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <utility>

#include "core/BcdCodec.h"

namespace velmora {
namespace {

struct DefaultRun {
  std::size_t offset;
  std::size_t count;
  std::uint8_t fill;
};

// Runs of one repeated byte value.
constexpr DefaultRun kDefaultRuns[] = {
    {6, 48, 0x3F},   {54, 16, 0xFF},  {72, 64, 0xFF},  {170, 32, 0xFF},
    {204, 13, 0xFF}, {220, 48, 0xFF}, {270, 14, 0x00},
};

struct DefaultBytes {
  std::size_t offset;
  std::initializer_list<std::uint8_t> bytes;
};

const DefaultBytes kDefaultBytes[] = {
    {0, {0x01, 0x00, 0x00, 0x00}},
    {4, {0x0F, 0x80}},
    {70, {0x1F, 0x80}},
    {136,
     {0x0F, 0xC0, 0x09, 0x00, 0x0B, 0x40, 0x49, 0x08, 0x5B, 0x1A, 0x10, 0x26, 0x09, 0x01, 0x01}},
    {151,
     {0x01, 0x36, 0x03, 0x01, 0x36, 0x01, 0x74, 0x04, 0x00, 0x04, 0x70, 0x01, 0x36, 0x01, 0x74,
      0x04, 0x00, 0x04, 0x70}},
    {202, {0x1F, 0xC0}},
    {217, {0x04, 0x00, 0x05}},
    {268, {0x1F, 0xF0}},
};

std::atomic_ref<std::uint8_t> BusyRef(const CalibrationImage::Bytes& bytes) {
  return std::atomic_ref<std::uint8_t>(const_cast<std::uint8_t&>(bytes[layout::kBusy]));
}

}  // namespace

CalibrationImage::CalibrationImage() = default;

void CalibrationImage::LoadDefaults() {
  // Bytes the defaults leave open (284-305, 307) start as zero rather than as leftovers.
  AssignBytes(Bytes{});
  for (const auto& run : kDefaultRuns) {
    std::fill_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(run.offset), run.count, run.fill);
  }
  for (const auto& block : kDefaultBytes) {
    std::copy(block.bytes.begin(), block.bytes.end(),
              m_bytes.begin() + static_cast<std::ptrdiff_t>(block.offset));
  }
  setBusy(false);
}

CalibrationImage::Bytes CalibrationImage::ToBytes() const {
  Bytes copy{};
  for (std::size_t i = 0; i < copy.size(); ++i) copy[i] = At(i);
  return copy;
}

void CalibrationImage::AssignBytes(std::span<const std::uint8_t> bytes) {
  const std::size_t n = std::min(bytes.size(), m_bytes.size());
  for (std::size_t i = 0; i < n; ++i) SetAt(i, bytes[i]);
}

std::uint8_t CalibrationImage::At(std::size_t offset) const {
  if (offset == layout::kBusy) return BusyRef(m_bytes).load(std::memory_order_acquire);
  return m_bytes.at(offset);
}

void CalibrationImage::SetAt(std::size_t offset, std::uint8_t value) {
  if (offset == layout::kBusy) {
    BusyRef(m_bytes).store(value, std::memory_order_release);
  } else {
    m_bytes.at(offset) = value;
  }
}

std::uint8_t* CalibrationImage::CheckedField(std::size_t offset, std::size_t size) {
  return const_cast<std::uint8_t*>(std::as_const(*this).CheckedField(offset, size));
}

const std::uint8_t* CalibrationImage::CheckedField(std::size_t offset, std::size_t size) const {
  // Multi-byte fields never cover the busy byte; it has its own atomic accessors.
  assert(offset + size <= layout::kBusy);
  (void)size;
  return m_bytes.data() + offset;
}

std::int32_t CalibrationImage::ReadInt32Le(std::size_t offset) const {
  const auto b = Field<4>(offset);
  const std::uint32_t v =
      b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return static_cast<std::int32_t>(v);
}

void CalibrationImage::WriteInt32Le(std::size_t offset, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  const auto b = Field<4>(offset);
  for (std::size_t i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int32_t CalibrationImage::ReadBcd16(std::size_t offset) const {
  const auto b = Field<2>(offset);
  return BcdDecode(b[0] * 256 + b[1]);
}

void CalibrationImage::WriteBcd16(std::size_t offset, std::int32_t value) {
  const auto e = static_cast<std::uint32_t>(BcdEncode(value));
  const auto b = Field<2>(offset);
  b[0] = static_cast<std::uint8_t>(e >> 8);
  b[1] = static_cast<std::uint8_t>(e);
}

std::int32_t CalibrationImage::ReadBcd8(std::size_t offset) const {
  // Sign-extended on purpose: bytes 0x80-0xFF read as 0.
  return BcdDecode(static_cast<std::int8_t>(At(offset)));
}

void CalibrationImage::WriteBcd8(std::size_t offset, std::int32_t value) {
  SetAt(offset, static_cast<std::uint8_t>(BcdEncode(value)));
}

RadioRegion CalibrationImage::region(std::size_t i) {
  const std::size_t o = layout::RegionOffset(i);
  return {m_bytes.at(o), m_bytes.at(o + 1), Field<layout::kRegionDataSize>(o + 2)};
}

LiveBlockView CalibrationImage::liveBlock() {
  const std::size_t o = layout::kLiveBlock;
  return {m_bytes[o], m_bytes[o + 1], Field<layout::kLiveBlockDataSize>(o + 2)};
}

std::uint8_t CalibrationImage::Level(const PointRef& point) const { return At(point.Offset()); }

void CalibrationImage::SetLevel(const PointRef& point, std::uint8_t level) {
  SetAt(point.Offset(), level);
}

bool CalibrationImage::busy() const { return At(layout::kBusy) != 0; }
void CalibrationImage::setBusy(bool busy) { SetAt(layout::kBusy, busy ? 1 : 0); }

}  // namespace velmora
