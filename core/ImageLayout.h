#pragma once

#include <array>
#include <cstddef>

// Byte offsets of every field of the 308-byte calibration image, in one place.
namespace velmora::layout {

inline constexpr std::size_t kImageSize = 308;

inline constexpr std::size_t kPortNumber = 0;  // int32 LE

inline constexpr std::size_t kRegionCount = 4;
inline constexpr std::size_t kRegionSize = 66;  // addrHi, addrLo, 64 data bytes
inline constexpr std::size_t kRegionDataSize = 64;
inline constexpr std::size_t kFirstRegion = 4;
constexpr std::size_t RegionOffset(std::size_t i) { return kFirstRegion + kRegionSize * i; }

inline constexpr std::size_t kCrystalCode = 138;   // code32
inline constexpr std::size_t kIfCode = 142;        // code32
inline constexpr std::size_t kMiscSettings = 146;  // 5 raw bytes
inline constexpr std::size_t kCodeSize = 4;

inline constexpr std::size_t kBandBaseA = 151;  // BCD16
inline constexpr std::size_t kBandStepA = 153;  // BCD8
inline constexpr std::size_t kRxLowA = 154;
inline constexpr std::size_t kRxHighA = 156;
inline constexpr std::size_t kRxLowB = 158;
inline constexpr std::size_t kRxHighB = 160;
inline constexpr std::size_t kTxLowA = 162;
inline constexpr std::size_t kTxHighA = 164;
inline constexpr std::size_t kTxLowB = 166;
inline constexpr std::size_t kTxHighB = 168;
inline constexpr std::size_t kBandBaseB = 217;  // BCD16
inline constexpr std::size_t kBandStepB = 219;  // BCD8

inline constexpr std::size_t kPowerOnText1 = 236;  // text7
inline constexpr std::size_t kPowerOnText2 = 243;  // text7
inline constexpr std::size_t kTextFieldSize = 7;

inline constexpr std::size_t kLiveBlock = 268;  // addrHi, addrLo, 16 data bytes
inline constexpr std::size_t kLiveBlockDataSize = 16;
inline constexpr std::size_t kLiveCommandSent = 286;
inline constexpr std::size_t kLiveCommand = 296;
inline constexpr std::size_t kLiveCommandSize = 10;
inline constexpr std::size_t kBusy = 306;
inline constexpr std::size_t kUnused = 307;

// The per-band fields, by band index (0 = A, 1 = B).
struct BandFields {
  std::size_t base;                          // BCD16
  std::size_t step;                          // BCD8
  std::size_t rxLow, rxHigh, txLow, txHigh;  // BCD16
};
inline constexpr std::array<BandFields, 2> kBand{{
    {kBandBaseA, kBandStepA, kRxLowA, kRxHighA, kTxLowA, kTxHighA},
    {kBandBaseB, kBandStepB, kRxLowB, kRxHighB, kTxLowB, kTxHighB},
}};

// Level tables: four 16-point tables per band in the data of regions 0 (band A) and 1 (band B).
inline constexpr int kTablesPerBand = 4;
inline constexpr int kPointsPerTable = 16;
inline constexpr int kReceiveTuningTable = 3;
// A level is a byte; the receive tuning's levels stop at 63.
inline constexpr int kMaxLevel = 255;
inline constexpr int kMaxTuning = 63;
constexpr int MaxLevel(int table) { return table == kReceiveTuningTable ? kMaxTuning : kMaxLevel; }
constexpr std::size_t LevelTableOffset(int band, int table, int point) {
  return 6 + 66 * static_cast<std::size_t>(band) + 16 * static_cast<std::size_t>(table) +
         static_cast<std::size_t>(point);
}

}  // namespace velmora::layout
