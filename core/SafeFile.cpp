// What SafeFile does the same on every platform; its system calls are in SafeFilePosix.cpp and
// SafeFileWindows.cpp.
#include "core/SafeFile.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

namespace velmora {
namespace {

constexpr std::string_view kTemporaryPrefix = ".velmora-";
constexpr std::string_view kTemporarySuffix = ".tmp";

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool IsPlainShellWord(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_@%+=:,./-").find(char(c)) != std::string_view::npos;
  });
}

// The length of the UTF-8 sequence at the start of text, or 0 when it is no valid one.
std::size_t Utf8Length(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = lead < 0x80   ? 1
                             : lead < 0xC2 ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
  if (length == 0 || length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) return 0;
  }
  const auto second = static_cast<unsigned char>(text.size() > 1 ? text[1] : 0);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
    return 0;  // over-long forms, surrogates, beyond U+10FFFF
  }
  return length;
}

bool NeedsQuotes(std::string_view path) {
  return !SafeFile::IsUtf8(path) || std::any_of(path.begin(), path.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
}

}  // namespace

SafeFile::Result SafeFile::Result::Of(int error) {
  Result result;
  result.error = error;
  return result;
}

SafeFile::Result SafeFile::Result::Refused(Refusal refusal, std::string detail) {
  Result result;
  result.refusal = refusal;
  result.detail = std::move(detail);
  return result;
}

std::string SafeFile::Result::text() const {
  if (refusal != Refusal::None) return detail;
  return error == 0 ? std::string() : std::strerror(error);
}

long SafeFile::TemporaryOwner(const std::string& fileName) {
  std::string_view name = fileName;
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return -1;
  name.remove_prefix(kTemporaryPrefix.size());
  name.remove_suffix(kTemporarySuffix.size());
  long pid = -1;
  int fields = 0;
  for (std::size_t start = 0; start <= name.size(); ++fields) {
    const std::size_t end = std::min(name.find('-', start), name.size());
    const std::string_view field = name.substr(start, end - start);
    unsigned long long value = 0;
    const auto [rest, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || ec != std::errc() || rest != field.data() + field.size()) return -1;
    if (fields == 0) pid = value > 0 && value <= INT_MAX ? static_cast<long>(value) : -1;
    start = end + 1;
  }
  return fields == 3 ? pid : -1;
}

bool SafeFile::IsUtf8(std::string_view name) {
  while (!name.empty()) {
    const std::size_t length = Utf8Length(name);
    if (length == 0) return false;
    name.remove_prefix(length);
  }
  return true;
}

std::string SafeFile::Shown(const std::string& path) {
  if (!NeedsQuotes(path)) return path;
  std::string shown = "$'";
  for (std::string_view rest = path; !rest.empty();) {
    const char c = rest[0];
    const std::size_t length = Utf8Length(rest);
    if (c == '\n' || c == '\t' || c == '\r') {
      shown += c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r";
    } else if (c == '\\' || c == '\'') {
      shown += std::string("\\") + c;
    } else if (length > 1 || (length == 1 && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)) {
      shown += rest.substr(0, length);
      rest.remove_prefix(length);
      continue;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
      shown += escape;
    }
    rest.remove_prefix(1);
  }
  return shown + "'";
}

std::string SafeFile::ShellQuoted(const std::string& text) {
  if (IsPlainShellWord(text)) return text;
  if (std::none_of(text.begin(), text.end(), [](unsigned char c) { return IsControl(c); })) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }
  std::string quoted = "$'";
  for (const char c : text) {
    if (c == '\\' || c == '\'') {
      quoted += '\\';
      quoted += c;
    } else if (IsControl(static_cast<unsigned char>(c))) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
      quoted += octal;
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace velmora
