#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

// The seven-character power-on display fields.
std::string TextFieldToString(std::span<const std::uint8_t, 7> field);
void StringToTextField(std::string_view text, std::span<std::uint8_t, 7> field);

}  // namespace velmora
