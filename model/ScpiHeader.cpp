#include "model/ScpiHeader.h"

#include <cctype>
#include <vector>

namespace velmora::meter {
namespace {

struct Word {
  std::string text;  // as in the pattern, or upper-cased input
  bool optional = false;
};

std::vector<Word> Split(std::string_view text, bool pattern) {
  std::vector<Word> words;
  if (!text.empty() && text.front() == ':') text.remove_prefix(1);
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(':', start), text.size());
    std::string word(text.substr(start, end - start));
    Word w;
    if (pattern && word.size() > 2 && word.front() == '[' && word.back() == ']') {
      w.optional = true;
      word = word.substr(1, word.size() - 2);
    }
    if (!pattern) {
      for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      while (!word.empty() && std::isdigit(static_cast<unsigned char>(word.back())))
        word.pop_back();
    }
    w.text = word;
    words.push_back(w);
    start = end + 1;
  }
  return words;
}

bool Same(const std::string& input, const std::string& pattern) {
  std::string shortForm, longForm;
  for (const char c : pattern) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!std::islower(static_cast<unsigned char>(c))) shortForm += c;
    longForm += upper;
  }
  return input == shortForm || input == longForm;
}

bool Match(const std::vector<Word>& in, std::size_t i, const std::vector<Word>& pat,
           std::size_t j) {
  if (j == pat.size()) return i == in.size();
  if (pat[j].optional && Match(in, i, pat, j + 1)) return true;
  return i < in.size() && Same(in[i].text, pat[j].text) && Match(in, i + 1, pat, j + 1);
}

}  // namespace

bool ScpiHeader::Matches(std::string_view header, std::string_view pattern) {
  const bool query = !header.empty() && header.back() == '?';
  if (query != (!pattern.empty() && pattern.back() == '?')) return false;
  if (query) header.remove_suffix(1), pattern.remove_suffix(1);
  return Match(Split(header, false), 0, Split(pattern, true), 0);
}

}  // namespace velmora::meter
