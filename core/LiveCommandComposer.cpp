#include "core/LiveCommandComposer.h"

#include <algorithm>
#include <charconv>

#include "core/BandSettings.h"
#include "core/BcdCodec.h"
#include "core/ImageLayout.h"

namespace velmora {
namespace {

constexpr std::size_t kFrequency = 4;  // BCD16, high byte first
constexpr std::size_t kTail = 6;
constexpr int kMiddlePowerTable = 1;

}  // namespace

LiveCommandComposer::Command LiveCommandComposer::HeaderAndFrequency(const CalibrationImage& image,
                                                                     int band, int multiple) {
  Command command{};
  std::copy(std::begin(kHeader), std::end(kHeader), command.begin());
  const auto lock = image.Lock();  // base and step move with the band page's sliders
  const std::int32_t f = BandSettings::FromImage(image, band).PointMhz(multiple) % 65536;
  const auto bcd = static_cast<std::uint32_t>(BcdEncode(f));
  command[kFrequency] = static_cast<std::uint8_t>(bcd >> 8);
  command[kFrequency + 1] = static_cast<std::uint8_t>(bcd);
  return command;
}

std::optional<LiveCommandComposer::Command> LiveCommandComposer::LevelCommand(
    const CalibrationImage& image, const PointRef& at, int value) {
  if (at.tableRef().IsReceiveTuning()) return std::nullopt;
  Command command = HeaderAndFrequency(image, BandIndex(at.band()), at.point());
  const auto v = static_cast<std::uint8_t>(value);
  auto* tail = command.data() + kTail;
  if (at.table() == kMiddlePowerTable) {
    tail[0] = 0x13, tail[1] = 0x80, tail[2] = 0x0D, tail[3] = v;
  } else {  // high and low power share one form
    tail[0] = 0xFF, tail[1] = 0xFF, tail[2] = v, tail[3] = 0x00;
  }
  return command;
}

LiveCommandComposer::Command LiveCommandComposer::ToneCommand(const CalibrationImage& image,
                                                              int band, int column,
                                                              std::int32_t toneTenths, int value) {
  Command command = HeaderAndFrequency(image, band, 2 * column);
  const auto tone = static_cast<std::uint16_t>(toneTenths);
  auto* tail = command.data() + kTail;
  tail[0] = static_cast<std::uint8_t>(tone & 0xFF);  // plain number, low byte first
  tail[1] = static_cast<std::uint8_t>(tone >> 8);
  tail[2] = 0x0D;
  tail[3] = static_cast<std::uint8_t>(value);
  return command;
}

void LiveCommandComposer::Put(CalibrationImage& image, const Command& command) {
  const auto lock = image.Lock();
  std::copy(command.begin(), command.end(), image.liveCommand().begin());
}

bool LiveCommandComposer::ComposeLevel(CalibrationImage& image, const PointRef& at, int value) {
  const auto command = LevelCommand(image, at, value);
  if (!command) return false;
  Put(image, *command);
  return true;
}

void LiveCommandComposer::ComposeTone(CalibrationImage& image, int band, int column,
                                      std::int32_t toneTenths, int value) {
  Put(image, ToneCommand(image, band, column, toneTenths, value));
}

std::optional<std::int32_t> LiveCommandComposer::ToneTextToTenths(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  double hertz = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), hertz);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  const double tenths = hertz * 10.0;
  if (!(tenths > -2147483648.0 && tenths < 2147483648.0)) return std::nullopt;
  return static_cast<std::int32_t>(tenths);
}

}  // namespace velmora
