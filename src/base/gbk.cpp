#include "base/gbk.h"

#include "base/gbk_table.h"
#include "base/utf8.h"

namespace matslip {
namespace {

// The GBK code of a non-ASCII code point, 0 when it has none.
std::uint16_t EncodeOne(const GbkTable& table, char32_t cp) {
  return cp < table.encode.size() ? table.encode[cp] : 0;
}

void AppendCode(std::uint16_t code, std::string* out) {
  if (code > 0xFF) out->push_back(static_cast<char>(code >> 8));
  out->push_back(static_cast<char>(code & 0xFF));
}

}  // namespace

bool Utf8ToGbk(std::string_view utf8, std::string* out, std::string* bad) {
  const GbkTable& table = GetGbkTable();
  out->clear();
  out->reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t start = pos;
    const char32_t cp = NextCodePoint(utf8, &pos);
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
      continue;
    }
    const std::uint16_t code =
        cp == kInvalidCodePoint ? 0 : EncodeOne(table, cp);
    if (code == 0) {
      if (bad != nullptr) bad->assign(utf8.substr(start, pos - start));
      return false;
    }
    AppendCode(code, out);
  }
  return true;
}

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  GbkToUtf8(gbk, &out);
  return out;
}

namespace {

// Writes the UTF-8 form of a code point of the basic plane at `p`; returns
// the end of it.
char* PutUtf8(char32_t cp, char* p) {
  if (cp < 0x80) {
    *p++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *p++ = static_cast<char>(0xC0 | (cp >> 6));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *p++ = static_cast<char>(0xE0 | (cp >> 12));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return p;
}

// A byte standing alone: ASCII, the euro sign, or the escape of a byte that
// is no character.
char* PutSingle(const GbkTable& table, unsigned char b, char* p) {
  return PutUtf8(b < 0x80 ? b : table.decode_single[b - 0x80], p);
}

// Decodes `gbk` into `p`, which has room for three bytes per input byte (an
// escape code point takes three bytes in UTF-8; the table's code points all
// lie in the basic plane); returns the end of the text written.
char* DecodeGbk(std::string_view gbk, char* p) {
  const GbkTable& table = GetGbkTable();
  const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
  const std::size_t n = gbk.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      *p++ = static_cast<char>(b);
      ++i;
      continue;
    }
    if (IsGbkLead(b) && i + 1 < n && IsGbkTrail(s[i + 1])) {
      const char32_t cp = table.decode[b - 0x81][s[i + 1] - 0x40];
      if (cp != 0) {
        p = PutUtf8(cp, p);
      } else {  // an unassigned code: each of its bytes stands alone
        p = PutSingle(table, s[i + 1], PutSingle(table, b, p));
      }
      i += 2;
      continue;
    }
    // A lead byte without its trail byte (the next byte stays for the next
    // character), or a byte that leads nothing.
    p = PutSingle(table, b, p);
    ++i;
  }
  return p;
}

}  // namespace

void GbkToUtf8(std::string_view gbk, std::string* out) {
  // Short texts (names, 规格型号) go through a buffer on the stack, so
  // that a result that fits the string's own storage needs no allocation.
  constexpr std::size_t kShort = 128;
  if (gbk.size() <= kShort) {
    char buffer[3 * kShort];
    out->assign(buffer, DecodeGbk(gbk, buffer));
    return;
  }
  out->resize(gbk.size() * 3);
  out->resize(
      static_cast<std::size_t>(DecodeGbk(gbk, out->data()) - out->data()));
}

std::size_t GbkLength(std::string_view utf8) {
  const GbkTable& table = GetGbkTable();
  std::size_t length = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t cp = NextCodePoint(utf8, &pos);
    if (cp < 0x80 || cp == kInvalidCodePoint) {
      ++length;
    } else {
      length += EncodeOne(table, cp) > 0xFF ? 2 : 1;
    }
  }
  return length;
}

std::size_t GbkCutLength(std::string_view gbk, std::size_t max_bytes) {
  // Walks the characters from the start as GbkToUtf8 reads them; counting
  // from the cut point backwards cannot tell lead bytes from trail bytes.
  std::size_t i = 0;
  while (i < gbk.size()) {
    const unsigned char b = static_cast<unsigned char>(gbk[i]);
    const std::size_t width =
        IsGbkLead(b) && i + 1 < gbk.size() &&
                IsGbkTrail(static_cast<unsigned char>(gbk[i + 1]))
            ? 2
            : 1;
    if (i + width > max_bytes) break;
    i += width;
  }
  return i;
}

}  // namespace matslip
