#include "grid/text_search.h"

#include "base/utf8.h"

namespace matslip {

namespace {

constexpr char32_t kFullWidthUpperA = U'Ａ';
constexpr char32_t kFullWidthUpperZ = U'Ｚ';
constexpr char32_t kFullWidthCaseStep = U'ａ' - U'Ａ';
// Bytes that start no character are kept apart from every code point.
constexpr char32_t kRawByteMark = 0x80000000;

// The character at *pos, letters folded to lower case; moves *pos past it.
char32_t NextFolded(std::string_view text, std::size_t* pos) {
  const std::size_t at = *pos;
  const char32_t c = NextCodePoint(text, pos);
  if (c == kInvalidCodePoint)
    return kRawByteMark | static_cast<unsigned char>(text[at]);
  if (c >= U'A' && c <= U'Z') return c + (U'a' - U'A');
  if (c >= kFullWidthUpperA && c <= kFullWidthUpperZ)
    return c + kFullWidthCaseStep;
  return c;
}

}  // namespace

TextSearch::TextSearch(std::string_view needle) {
  for (std::size_t pos = 0; pos < needle.size();)
    needle_.push_back(NextFolded(needle, &pos));
}

bool TextSearch::FoundIn(std::string_view text) const {
  if (needle_.empty()) return true;
  // Every start tried is the start of a character, so a match can never
  // begin or end inside one.
  for (std::size_t start = 0; start < text.size();) {
    std::size_t pos = start;
    if (NextFolded(text, &pos) == needle_[0]) {
      const std::size_t next_start = pos;
      std::size_t matched = 1;
      while (matched < needle_.size() && pos < text.size() &&
             NextFolded(text, &pos) == needle_[matched]) {
        ++matched;
      }
      if (matched == needle_.size()) return true;
      start = next_start;
    } else {
      start = pos;
    }
  }
  return false;
}

}  // namespace matslip
