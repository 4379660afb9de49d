#include "core/TextCodec.h"

namespace velmora {
namespace {

bool IsTextByte(std::uint8_t b) {
  return b == ' ' || b == '+' || b == '-' || b == '?' || (b >= '0' && b <= '9') ||
         (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

}  // namespace

std::string TextFieldToString(std::span<const std::uint8_t, 7> field) {
  std::string text;
  for (std::uint8_t b : field) {
    if (!IsTextByte(b)) return text;  // a byte outside the set ends the text untrimmed
    text.push_back(static_cast<char>(b));
  }
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

void StringToTextField(std::string_view text, std::span<std::uint8_t, 7> field) {
  std::size_t i = 0;
  for (; i < field.size() && i < text.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(text[i]);
    if (b == '/') {
      field[i] = '-';
    } else if (IsTextByte(b)) {
      field[i] = b;
    } else {
      break;
    }
  }
  for (; i < field.size(); ++i) field[i] = ' ';
}

}  // namespace velmora
