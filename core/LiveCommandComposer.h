#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/CalibrationImage.h"
#include "core/PointRef.h"

namespace velmora {

// Composes the 10-byte live-tuning command in the image's liveCommand bytes, under the image's
// lock. The level-table and tone-level pages and the command-line tool share it.
class LiveCommandComposer {
 public:
  static constexpr std::uint8_t kHeader[4] = {0xA6, 0x69, 0x80, 0x06};
  using Command = std::array<std::uint8_t, 10>;

  // The same commands composed apart from the image's liveCommand, from the band's base and step
  // as the image holds them now; a page keeps one until its request is granted.
  static std::optional<Command> LevelCommand(const CalibrationImage& image, const PointRef& at,
                                             int value);
  static Command ToneCommand(const CalibrationImage& image, int band, int column,
                             std::int32_t toneTenths, int value);
  // Writes a composed command into the image's liveCommand, under the image's lock.
  static void Put(CalibrationImage& image, const Command& command);

  // Point k of a level table lies at base + k * step. Returns false for the receive-tuning
  // table, which is never sent live (nothing is written then).
  static bool ComposeLevel(CalibrationImage& image, const PointRef& at, int value);
  // Column k of a tone page lies at base + 2k * step; tone in tenths of a hertz.
  static void ComposeTone(CalibrationImage& image, int band, int column, std::int32_t toneTenths,
                          int value);
  // A tone text such as "67.0" read as a decimal number, times ten, truncated toward zero;
  // nothing when the text does not start with a number.
  static std::optional<std::int32_t> ToneTextToTenths(std::string_view text);

 private:
  static Command HeaderAndFrequency(const CalibrationImage& image, int band, int multiple);
};

}  // namespace velmora
