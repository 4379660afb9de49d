#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <span>

#include "core/ImageLayout.h"
#include "core/PointRef.h"

namespace velmora {

// A view of one radio region (or of the shorter live block) inside the image.
template <std::size_t N>
struct RegionView {
  std::uint8_t& addrHi;
  std::uint8_t& addrLo;
  std::span<std::uint8_t, N> data;
};
using RadioRegion = RegionView<layout::kRegionDataSize>;
using LiveBlockView = RegionView<layout::kLiveBlockDataSize>;

// The 308-byte calibration record: the radio's alignment memory in transfer order and the
// calibration file's content. The busy byte is shared with worker threads, so it is only ever
// touched atomically, including when the record is copied as a whole.
class CalibrationImage {
 public:
  using Bytes = std::array<std::uint8_t, layout::kImageSize>;

  CalibrationImage();  // all bytes zero
  CalibrationImage(const CalibrationImage&) = delete;
  CalibrationImage& operator=(const CalibrationImage&) = delete;

  void LoadDefaults();

  Bytes ToBytes() const;
  // Replaces the leading bytes.size() bytes (at most 308).
  void AssignBytes(std::span<const std::uint8_t> bytes);

  std::uint8_t At(std::size_t offset) const;
  void SetAt(std::size_t offset, std::uint8_t value);
  template <std::size_t N>
  std::span<std::uint8_t, N> Field(std::size_t offset) {
    return std::span<std::uint8_t, N>(CheckedField(offset, N), N);
  }
  template <std::size_t N>
  std::span<const std::uint8_t, N> Field(std::size_t offset) const {
    return std::span<const std::uint8_t, N>(CheckedField(offset, N), N);
  }

  std::int32_t ReadInt32Le(std::size_t offset) const;
  void WriteInt32Le(std::size_t offset, std::int32_t value);
  std::int32_t ReadBcd16(std::size_t offset) const;
  void WriteBcd16(std::size_t offset, std::int32_t value);
  std::int32_t ReadBcd8(std::size_t offset) const;
  void WriteBcd8(std::size_t offset, std::int32_t value);

  std::int32_t portNumber() const { return ReadInt32Le(layout::kPortNumber); }
  void setPortNumber(std::int32_t port) { WriteInt32Le(layout::kPortNumber, port); }
  RadioRegion region(std::size_t i);
  LiveBlockView liveBlock();
  std::uint8_t Level(const PointRef& point) const;
  void SetLevel(const PointRef& point, std::uint8_t level);
  std::span<std::uint8_t, 4> crystalCode() { return Field<4>(layout::kCrystalCode); }
  std::span<std::uint8_t, 4> ifCode() { return Field<4>(layout::kIfCode); }
  std::span<std::uint8_t, 7> powerOnText1() { return Field<7>(layout::kPowerOnText1); }
  std::span<std::uint8_t, 7> powerOnText2() { return Field<7>(layout::kPowerOnText2); }
  std::span<const std::uint8_t, 4> crystalCode() const { return Field<4>(layout::kCrystalCode); }
  std::span<const std::uint8_t, 4> ifCode() const { return Field<4>(layout::kIfCode); }
  std::span<const std::uint8_t, 7> powerOnText1() const { return Field<7>(layout::kPowerOnText1); }
  std::span<const std::uint8_t, 7> powerOnText2() const { return Field<7>(layout::kPowerOnText2); }
  std::span<std::uint8_t, 10> liveCommand() { return Field<10>(layout::kLiveCommand); }
  std::span<std::uint8_t, 10> liveCommandSent() { return Field<10>(layout::kLiveCommandSent); }

  bool busy() const;
  void setBusy(bool busy);

  // Held by both sides around the image accesses that can overlap a running job: composing
  // liveCommand and moving the band frequency sliders on the user-interface thread, and the
  // worker's copies of the command, the regions and the port number. So a command is never sent
  // half old, half new, and no byte is read while the other thread writes it.
  std::unique_lock<std::mutex> Lock() const { return std::unique_lock<std::mutex>(m_mutex); }

 private:
  std::uint8_t* CheckedField(std::size_t offset, std::size_t size);
  const std::uint8_t* CheckedField(std::size_t offset, std::size_t size) const;

  alignas(4) Bytes m_bytes{};
  mutable std::mutex m_mutex;
};

}  // namespace velmora
