#pragma once
// A search text prepared once for a scan over many cells: found where its
// characters (not bytes) appear in a cell's text, Latin letters compared
// without regard to case, half-width A-Z and full-width Ａ-Ｚ alike (each
// within its own width). Texts are UTF-8; a byte that starts no character
// matches only the same byte.
#include <string_view>
#include <vector>

namespace matslip {

class TextSearch {
 public:
  explicit TextSearch(std::string_view needle);

  // True when the text contains the search text; an empty search text is
  // found everywhere. Allocates nothing.
  bool FoundIn(std::string_view text) const;

 private:
  std::vector<char32_t> needle_;  // folded characters
};

}  // namespace matslip
