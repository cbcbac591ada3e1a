#pragma once
// The code page 936 mapping as two lookup tables, built once from the C
// library's converter on first use (thread-safe) so that converting a text is
// table look-ups only.
#include <array>
#include <cstdint>

namespace matslip {

struct GbkTable {
  // Code point of the two-byte character lead,trail (lead 0x81..0xFE, trail
  // 0x40..0xFE); 0 where code page 936 assigns nothing.
  static constexpr int kLeadCount = 0xFE - 0x81 + 1;
  static constexpr int kTrailCount = 0xFE - 0x40 + 1;
  std::array<std::array<std::uint16_t, kTrailCount>, kLeadCount> decode{};
  // Code point of the single byte 0x80..0xFF; 0 where none (only 0x80, the
  // euro sign, has one).
  std::array<std::uint16_t, 0x80> decode_single{};
  // Code point (BMP) -> code: a two-byte code as lead * 256 + trail, a
  // single byte as its value, 0 when the code point has no code. ASCII is not
  // in here.
  std::array<std::uint16_t, 0x10000> encode{};
};

const GbkTable& GetGbkTable();

// True when `b` may follow a lead byte.
inline bool IsGbkTrail(unsigned char b) {
  return b >= 0x40 && b <= 0xFE && b != 0x7F;
}
inline bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

}  // namespace matslip
