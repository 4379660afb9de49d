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
  return !SafeFile::IsUtf8(path) ||
         std::any_of(path.begin(), path.end(), [](unsigned char c) { return IsControl(c); });
}

// One $'...' word: backslash and quote escaped, a control character or an invalid sequence (a
// unit of length 0) written as `escape` gives it, every other unit as it is.
std::string DollarQuoted(std::string_view text, std::size_t (*unit)(std::string_view),
                         std::string (*escape)(unsigned char)) {
  std::string quoted = "$'";
  while (!text.empty()) {
    const std::size_t length = unit(text);
    const auto c = static_cast<unsigned char>(text[0]);
    if (c == '\\' || c == '\'') {
      quoted += '\\';
      quoted += char(c);
    } else if (length <= 1 && (length == 0 || IsControl(c))) {
      quoted += escape(c);
    } else {
      quoted += text.substr(0, length);
      text.remove_prefix(length);
      continue;
    }
    text.remove_prefix(1);
  }
  return quoted + "'";
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

std::string SafeFile::Result::Text() const {
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
  return DollarQuoted(path, Utf8Length, [](unsigned char c) -> std::string {
    if (c == '\n' || c == '\t' || c == '\r') return c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r";
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", c);
    return escape;
  });
}

std::string SafeFile::ShellQuoted(const std::string& text) {
  if (IsPlainShellWord(text)) return text;
  if (std::none_of(text.begin(), text.end(), [](unsigned char c) { return IsControl(c); })) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }
  // Bytes, not characters: what the shell gives back must be the very bytes of the name.
  return DollarQuoted(
      text, [](std::string_view) -> std::size_t { return 1; },
      [](unsigned char c) -> std::string {
        char octal[8];
        std::snprintf(octal, sizeof octal, "\\%03o", c);
        return octal;
      });
}

}  // namespace velmora
