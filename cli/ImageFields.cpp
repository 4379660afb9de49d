#include "cli/ImageFields.h"

#include <algorithm>
#include <cstdio>

#include "core/CodeTables.h"
#include "core/TextCodec.h"

namespace velmora {
namespace {

std::string Port(const CalibrationImage& image, std::size_t, std::size_t) {
  return "COM" + std::to_string(image.portNumber());
}

std::string Address(const CalibrationImage& image, std::size_t offset, std::size_t) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X%02X", image.At(offset), image.At(offset + 1));
  return text;
}

std::string Mhz(const CalibrationImage& image, std::size_t offset, std::size_t size) {
  const int mhz = size == 2 ? image.ReadBcd16(offset) : image.ReadBcd8(offset);
  return std::to_string(mhz) + " MHz (" + ImageFields::Hex(image, offset, size) + ")";
}

std::string Levels(const CalibrationImage& image, std::size_t offset, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    if (i) text += ' ';
    text += std::to_string(image.At(offset + i));
  }
  return text;
}

std::string Text(const CalibrationImage& image, std::size_t offset, std::size_t) {
  // Appended piece by piece: GCC 12 at -O3 warns falsely about "literal" + std::string&&.
  std::string text = "\"";
  text += TextFieldToString(image.Field<7>(offset));
  text += "\" (" + ImageFields::Hex(image, offset, 7) + ")";
  return text;
}

template <std::size_t N>
std::string Code(const std::array<CodeEntry, N>& table, const CalibrationImage& image,
                 std::size_t offset) {
  const auto code = image.Field<4>(offset);
  for (const auto& entry : table) {
    if (std::equal(code.begin(), code.end(), entry.bytes.begin())) {
      return std::string(entry.text) + " (" + ImageFields::Hex(image, offset, 4) + ")";
    }
  }
  return "unlisted (" + ImageFields::Hex(image, offset, 4) + ")";
}

std::string Crystal(const CalibrationImage& image, std::size_t offset, std::size_t) {
  return Code(kCrystalTable, image, offset);
}
std::string If(const CalibrationImage& image, std::size_t offset, std::size_t) {
  return Code(kIfTable, image, offset);
}

std::string Busy(const CalibrationImage& image, std::size_t, std::size_t) {
  return std::to_string(image.At(layout::kBusy));
}

std::vector<ImageField> Build() {
  using namespace layout;
  std::vector<ImageField> f;
  f.push_back({"portNumber", kPortNumber, 4, Port});
  const char* tables[] = {"highPower", "middlePower", "lowPower", "receiveTuning"};
  for (std::size_t r = 0; r < kRegionCount; ++r) {
    const std::size_t o = RegionOffset(r);
    f.push_back({"region[" + std::to_string(r) + "].address", o, 2, Address});
    if (r < 2) {
      for (int t = 0; t < kTablesPerBand; ++t) {
        f.push_back({std::string("band") + "AB"[r] + "." + tables[t],
                     LevelTableOffset(static_cast<int>(r), t, 0), 16, Levels});
      }
    }
  }
  const ImageField middle[] = {
      {"crystalCode", kCrystalCode, 4, Crystal},
      {"ifCode", kIfCode, 4, If},
      {"miscSettings", kMiscSettings, 5, ImageFields::Hex},
      {"bandA.base", kBandBaseA, 2, Mhz},
      {"bandA.step", kBandStepA, 1, Mhz},
      {"bandA.rxLow", kRxLowA, 2, Mhz},
      {"bandA.rxHigh", kRxHighA, 2, Mhz},
      {"bandB.rxLow", kRxLowB, 2, Mhz},
      {"bandB.rxHigh", kRxHighB, 2, Mhz},
      {"bandA.txLow", kTxLowA, 2, Mhz},
      {"bandA.txHigh", kTxHighA, 2, Mhz},
      {"bandB.txLow", kTxLowB, 2, Mhz},
      {"bandB.txHigh", kTxHighB, 2, Mhz},
      {"fromRadioOnly", 170, 32, ImageFields::Hex},
      {"carried", 204, 13, ImageFields::Hex},
      {"bandB.base", kBandBaseB, 2, Mhz},
      {"bandB.step", kBandStepB, 1, Mhz},
      {"carried", 220, 16, ImageFields::Hex},
      {"powerOnText1", kPowerOnText1, 7, Text},
      {"powerOnText2", kPowerOnText2, 7, Text},
      {"carried", 250, 2, ImageFields::Hex},
      {"fromRadioOnly", 252, 16, ImageFields::Hex},
      {"liveBlock.address", kLiveBlock, 2, Address},
      {"liveBlock.data", kLiveBlock + 2, 16, ImageFields::Hex},
      {"liveCommandSent", kLiveCommandSent, 10, ImageFields::Hex},
      {"liveCommand", kLiveCommand, 10, ImageFields::Hex},
      {"busy", kBusy, 1, Busy},
      {"unused", kUnused, 1, ImageFields::Hex},
  };
  f.insert(f.end(), std::begin(middle), std::end(middle));
  std::stable_sort(f.begin(), f.end(), [](auto& a, auto& b) { return a.offset < b.offset; });
  return f;
}

}  // namespace

const std::vector<ImageField>& ImageFields::All() {
  static const std::vector<ImageField> fields = Build();
  return fields;
}

std::string ImageFields::Hex(const CalibrationImage& image, std::size_t offset, std::size_t size) {
  std::string text;
  char byte[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", image.At(offset + i));
    text += byte;
  }
  return text;
}

}  // namespace velmora
