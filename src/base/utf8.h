#pragma once
// Reading and writing UTF-8 one code point at a time, for the helpers that
// look at characters rather than bytes (codec, number reading).
#include <string>
#include <string_view>

namespace matslip {

// Returned by NextCodePoint for a byte that does not start a well-formed
// UTF-8 sequence (overlong forms, surrogates, truncated sequences included).
inline constexpr char32_t kInvalidCodePoint = 0xFFFFFFFF;

// Reads the code point at `*pos` and advances `*pos` past it; an invalid
// sequence advances by one byte and gives kInvalidCodePoint. `*pos` must be
// below text.size().
char32_t NextCodePoint(std::string_view text, std::size_t* pos);

// Appends the UTF-8 form of a code point (U+FFFD for one out of range).
void AppendUtf8(char32_t code_point, std::string* out);

}  // namespace matslip
