#pragma once
// The GBK (code page 936) codec. In memory every text is UTF-8; on disk
// (tables, memo files, grid files, settings) texts are GBK. Only this file
// converts between the two.
#include <cstddef>
#include <string>
#include <string_view>

namespace matslip {

// Encodes a UTF-8 text as GBK. Returns false when the text holds a character
// that GBK cannot encode or is not valid UTF-8; `bad` (when given) then gets
// that character's UTF-8 form and `out` is unspecified.
bool Utf8ToGbk(std::string_view utf8, std::string* out,
               std::string* bad = nullptr);

// Encodes as far as possible, replacing what cannot be encoded by '?'. Only
// for places where a text has already been checked (or for diagnostics).
std::string Utf8ToGbkLossy(std::string_view utf8);

// Decodes GBK bytes to UTF-8. A byte sequence that is not GBK becomes U+FFFD;
// decoding never fails and never reads past the end.
std::string GbkToUtf8(std::string_view gbk);
// The same into `out` (replacing its content), reusing its storage.
void GbkToUtf8(std::string_view gbk, std::string* out);

// The number of bytes the text takes in GBK (characters without a GBK form
// count as one byte, as their '?' replacement would).
std::size_t GbkLength(std::string_view utf8);

// Length of the longest prefix of `gbk` that is at most `max_bytes` long and
// does not end inside a two-byte character.
std::size_t GbkCutLength(std::string_view gbk, std::size_t max_bytes);

}  // namespace matslip
