#include "base/gbk.h"

#include "base/gbk_table.h"
#include "base/utf8.h"

namespace matslip {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

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

std::string Utf8ToGbkLossy(std::string_view utf8) {
  const GbkTable& table = GetGbkTable();
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t cp = NextCodePoint(utf8, &pos);
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    const std::uint16_t code =
        cp == kInvalidCodePoint ? 0 : EncodeOne(table, cp);
    if (code == 0) {
      out.push_back('?');
    } else {
      AppendCode(code, &out);
    }
  }
  return out;
}

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  GbkToUtf8(gbk, &out);
  return out;
}

void GbkToUtf8(std::string_view gbk, std::string* out_string) {
  const GbkTable& table = GetGbkTable();
  std::string& out = *out_string;
  out.clear();
  out.reserve(gbk.size() + gbk.size() / 2);
  std::size_t i = 0;
  while (i < gbk.size()) {
    const unsigned char b = static_cast<unsigned char>(gbk[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    if (IsGbkLead(b) && i + 1 < gbk.size() &&
        IsGbkTrail(static_cast<unsigned char>(gbk[i + 1]))) {
      const unsigned char t = static_cast<unsigned char>(gbk[i + 1]);
      const char32_t cp = table.decode[b - 0x81][t - 0x40];
      AppendUtf8(cp != 0 ? cp : kReplacement, &out);
      i += 2;
      continue;
    }
    // A lone byte: the euro sign, or a lead byte without its trail byte (the
    // next byte stays for the next character).
    const char32_t cp = table.decode_single[b - 0x80];
    AppendUtf8(cp != 0 ? cp : kReplacement, &out);
    ++i;
  }
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
