#pragma once

#include <cstdint>

namespace velmora {

// Reads the value's hexadecimal text as a decimal number; a nibble above 9 ends the digits.
std::int32_t BcdDecode(std::int32_t value);
// Puts each character of the value's decimal text into its own nibble ('-' becomes 0xF).
std::int32_t BcdEncode(std::int32_t value);
// '0'-'9' give 0-9, letters give 10-35, anything else 15.
int HexDigitValue(char c);

}  // namespace velmora
