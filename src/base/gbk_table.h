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
  // Code point of the single byte 0x80..0xFF standing alone: the euro sign
  // for 0x80, the byte's escape code point for every other byte.
  std::array<std::uint16_t, 0x80> decode_single{};
  // Code point (BMP) -> code: a two-byte code as lead * 256 + trail, a
  // single byte as its value, 0 when the code point has no code. ASCII is not
  // in here.
  std::array<std::uint16_t, 0x10000> encode{};
};

// A byte 0x80..0xFF that is no character (a lead byte cut off from its trail
// byte, a byte of an unassigned code) decodes to the escape code point
// kGbkEscapeBase + byte, which encodes back to that byte alone, so that every
// byte of a stored text survives decoding and encoding. The private-use
// block U+F780..U+F7FF is one that no character of the code page decodes to.
inline constexpr char32_t kGbkEscapeBase = 0xF700;

const GbkTable& GetGbkTable();

// True when `b` may follow a lead byte.
inline bool IsGbkTrail(unsigned char b) {
  return b >= 0x40 && b <= 0xFE && b != 0x7F;
}
inline bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

}  // namespace matslip
