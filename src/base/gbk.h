#pragma once
// The GBK (code page 936) codec. In memory every text is UTF-8; on disk
// (tables, memo files, grid files, settings) texts are GBK. Only this file
// converts between the two.
#include <cstddef>
#include <string>
#include <string_view>

namespace matslip {

// Encodes a UTF-8 text as GBK; an escape code point of GbkToUtf8 becomes its
// byte. Returns false when the text holds a character that GBK cannot encode
// or is not valid UTF-8; `bad` (when given) then gets that character's UTF-8
// form and `out` is unspecified.
bool Utf8ToGbk(std::string_view utf8, std::string* out,
               std::string* bad = nullptr);

// Decodes GBK bytes to UTF-8. A byte that is no character (a lead byte cut
// off at the end or before a byte that cannot follow it, each byte of an
// unassigned code, 0xFF) becomes its escape code point U+F781..U+F7FF, which
// Utf8ToGbk turns back into that byte: decoding and encoding again gives the
// same bytes. Decoding never fails and never reads past the end.
std::string GbkToUtf8(std::string_view gbk);
// The same into `out` (replacing its content), reusing its storage.
void GbkToUtf8(std::string_view gbk, std::string* out);

// The number of bytes the text takes in GBK (characters without a GBK form
// count as one byte).
std::size_t GbkLength(std::string_view utf8);

// Length of the longest prefix of `gbk` that is at most `max_bytes` long and
// does not end inside a two-byte character.
std::size_t GbkCutLength(std::string_view gbk, std::size_t max_bytes);

}  // namespace matslip
