#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/BandSettings.h"
#include "core/CalibrationImage.h"

namespace velmora {

// How a field's bytes are read.
enum class FieldEncoding { Port, Address, Bcd, Levels, Text, CrystalCode, IfCode, Flag, Raw };

// A field's decoded value, by type: a number, a text, a level table (a number per point, each at
// its frequency) or bytes carried uninterpreted (as hex).
struct FieldValue {
  enum class Type { Number, Text, Levels, Raw };
  Type type = Type::Raw;
  std::int64_t number = 0;
  std::string text;  // Text; Raw: the bytes as hex
  std::vector<int> levels;
  std::vector<int> pointMhz;  // the frequency of each level point
};

// One named field of the image. Level tables name their band, whose base and step place the
// points on the frequency axis; a band's frequency fields name their band and setting.
struct ImageField {
  std::string name;
  std::size_t offset;
  std::size_t size;
  FieldEncoding encoding;
  int band = 0;
  BandSettings::Field setting = BandSettings::Field::Base;
};

// Every byte of the image as a named field, in offset order: `show`, `diff` and `report` all
// read this one catalogue, so each covers all 308 bytes alike.
class ImageFields {
 public:
  static const std::vector<ImageField>& All();
  // The field's name, made unique by its offset where another field shares it.
  static std::string UniqueName(const ImageField& field);
  static FieldValue Value(const ImageField& field, const CalibrationImage& image);
  // The value as `show` prints it, with the bytes where the value alone hides them.
  static std::string Text(const ImageField& field, const CalibrationImage& image);
  // The value on its own, as a table cell: numbers in decimal, levels space-separated.
  static std::string Plain(const FieldValue& value);
  static bool Differs(const ImageField& field, const CalibrationImage& a,
                      const CalibrationImage& b);
  // Bytes in uppercase hex, space-separated ("01 36").
  static std::string Hex(const CalibrationImage& image, std::size_t offset, std::size_t size);
};

}  // namespace velmora
