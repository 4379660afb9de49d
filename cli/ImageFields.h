#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/CalibrationImage.h"

namespace velmora {

// Every byte of the image as a named, readable field, in offset order; `show` prints them and
// `diff` compares them, so both cover all 308 bytes alike.
struct ImageField {
  std::string name;
  std::size_t offset;
  std::size_t size;
  std::string (*format)(const CalibrationImage& image, std::size_t offset, std::size_t size);
};

class ImageFields {
 public:
  static const std::vector<ImageField>& All();
  static std::string Hex(const CalibrationImage& image, std::size_t offset, std::size_t size);
};

}  // namespace velmora
