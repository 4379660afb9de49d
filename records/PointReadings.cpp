#include "records/PointReadings.h"

#include <QtEndian>
#include <bit>
#include <cstdint>
#include <cstring>

namespace velmora {
namespace {

template <typename T>
void PutLittle(char*& at, T value) {
  qToLittleEndian(value, at);
  at += sizeof(T);
}

template <typename T>
T TakeLittle(const char*& at) {
  const T value = qFromLittleEndian<T>(at);
  at += sizeof(T);
  return value;
}

}  // namespace

QByteArray PointReadings::Pack(const std::vector<AlignmentPointRow>& points) {
  if (points.empty()) return {};
  QByteArray packed(qsizetype(points.size()) * kBytesPerPoint, Qt::Uninitialized);
  char* at = packed.data();
  for (const AlignmentPointRow& p : points) {
    PutLittle<std::uint8_t>(at, p.band == "A" ? 0 : 1);
    PutLittle<std::uint8_t>(at, Aligned(p.verdict) ? 1 : 0);
    PutLittle<std::uint8_t>(at, std::uint8_t(p.table));
    PutLittle<std::uint8_t>(at, std::uint8_t(p.point));
    PutLittle<std::int32_t>(at, p.newLevel);
    PutLittle<std::int32_t>(at, p.liveTunes);
    PutLittle<std::uint64_t>(at, std::bit_cast<std::uint64_t>(p.confirmedWatts));
  }
  return packed;
}

bool PointReadings::Unpack(const QByteArray& packed, std::vector<KeyedPointReading>& out) {
  if (packed.size() % kBytesPerPoint != 0) return false;
  const char* at = packed.constData();
  const char* end = at + packed.size();
  while (at != end) {
    KeyedPointReading k;
    k.key.band = TakeLittle<std::uint8_t>(at);
    k.reading.aligned = TakeLittle<std::uint8_t>(at) != 0;
    k.key.table = TakeLittle<std::uint8_t>(at);
    k.key.point = TakeLittle<std::uint8_t>(at);
    k.reading.level = TakeLittle<std::int32_t>(at);
    k.reading.liveTunes = TakeLittle<std::int32_t>(at);
    k.reading.confirmedWatts = std::bit_cast<double>(TakeLittle<std::uint64_t>(at));
    out.push_back(k);
  }
  return true;
}

}  // namespace velmora
