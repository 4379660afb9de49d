#pragma once

#include <string>
#include <vector>

namespace velmora {

// The CSV the tool writes for a line's records (RFC 4180, rows ended by CRLF).
class CsvText {
 public:
  // Quoted when it holds a comma, quote or line break.
  static std::string Cell(const std::string& text);
  static std::string Row(const std::vector<std::string>& cells);
};

}  // namespace velmora
