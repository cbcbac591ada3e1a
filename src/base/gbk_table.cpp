#include "base/gbk_table.h"

#include <iconv.h>

#include <memory>

namespace matslip {
namespace {

// glibc knows the code page as "CP936" and "GBK"; both give the same 21,791
// two-byte characters and the euro sign at 0x80, as Windows does.
iconv_t OpenConverter() {
  for (const char* name : {"CP936", "GBK"}) {
    iconv_t cd = iconv_open("UTF-32LE", name);
    if (cd != reinterpret_cast<iconv_t>(-1)) return cd;
  }
  return reinterpret_cast<iconv_t>(-1);
}

// Decodes one character; 0 when the bytes are not exactly one BMP character.
std::uint16_t DecodeOne(iconv_t cd, const unsigned char* bytes,
                        std::size_t size) {
  char in[2] = {static_cast<char>(bytes[0]),
                static_cast<char>(size > 1 ? bytes[1] : 0)};
  unsigned char out[8] = {};
  char* in_ptr = in;
  char* out_ptr = reinterpret_cast<char*>(out);
  std::size_t in_left = size;
  std::size_t out_left = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) ==
          static_cast<std::size_t>(-1) ||
      in_left != 0 || out_left != sizeof out - 4) {
    return 0;
  }
  const std::uint32_t cp = out[0] | out[1] << 8 | out[2] << 16 |
                           static_cast<std::uint32_t>(out[3]) << 24;
  return cp < 0x80 || cp > 0xFFFF ? 0 : static_cast<std::uint16_t>(cp);
}

// Gives every byte without a character of its own its escape code point.
void AddEscapes(GbkTable* table) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    std::uint16_t& cp = table->decode_single[b - 0x80];
    if (cp != 0) continue;
    cp = static_cast<std::uint16_t>(kGbkEscapeBase + b);
    table->encode[cp] = static_cast<std::uint16_t>(b);
  }
}

std::unique_ptr<GbkTable> BuildTable() {
  auto table = std::make_unique<GbkTable>();
  iconv_t cd = OpenConverter();
  if (cd == reinterpret_cast<iconv_t>(-1)) {  // ASCII and escapes only
    AddEscapes(table.get());
    return table;
  }
  for (int b = 0x80; b <= 0xFF; ++b) {
    const unsigned char byte = static_cast<unsigned char>(b);
    const std::uint16_t cp = DecodeOne(cd, &byte, 1);
    table->decode_single[b - 0x80] = cp;
    if (cp != 0) table->encode[cp] = static_cast<std::uint16_t>(b);
  }
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const unsigned char bytes[2] = {static_cast<unsigned char>(lead),
                                      static_cast<unsigned char>(trail)};
      const std::uint16_t cp = DecodeOne(cd, bytes, 2);
      if (cp == 0) continue;
      table->decode[lead - 0x81][trail - 0x40] = cp;
      if (table->encode[cp] == 0) {
        table->encode[cp] = static_cast<std::uint16_t>(lead << 8 | trail);
      }
    }
  }
  iconv_close(cd);
  AddEscapes(table.get());
  return table;
}

}  // namespace

const GbkTable& GetGbkTable() {
  static const std::unique_ptr<GbkTable> table = BuildTable();
  return *table;
}

}  // namespace matslip
