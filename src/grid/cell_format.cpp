#include "grid/cell_format.h"

#include <algorithm>
#include <functional>

#include "base/gbk.h"

namespace matslip {
namespace {

// Bit positions of the format word.
constexpr int kAlignShift = 0;
constexpr std::uint32_t kAlignMask = 0xF;
constexpr int kWrapShift = 10;
constexpr int kStyleShift = 11;
constexpr int kValueShift = 15;
constexpr std::uint32_t kValueMask = 0x7;
constexpr int kMergeShift = 18;
constexpr std::uint32_t kLineMask = 0x7;
constexpr std::array<int, 4> kEdgeShift = {4, 7, 22, 25};  // by Side

// Bytes of the UTF-8 sequence that starts with `lead` (1 for stray bytes).
std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

int ValueCodeOfKind(int kind) {
  switch (kind) {
    case kValueNumber:
      return kValueCodeNumber;
    case kValueBinary:
      return kValueCodeBinary;
    case kValuePicture:
      return kValueCodePicture;
    default:
      return kValueCodeText;
  }
}

std::size_t CellFormatHash::operator()(const CellFormat& f) const {
  std::size_t h = std::hash<std::string>()(f.font_name);
  auto mix = [&h](std::size_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  };
  mix(f.text_colour);
  mix(f.background);
  mix(static_cast<std::size_t>(f.font_size) << 16 | f.text_margin);
  mix(PackFormatWord(f));
  return h;
}

int NormalAlignment(int code) {
  return code >= kAlignTopLeft && code <= kAlignLast ? code : kAlignTopLeft;
}

int NormalFontSize(int size) { return std::clamp(size, 1, 32767); }

int NormalLineKind(int kind) {
  return kind >= kLineNone && kind <= kLineLast ? kind : kLineNone;
}

CellFormat Normalised(CellFormat f) {
  f.alignment = NormalAlignment(f.alignment);
  f.font_size = NormalFontSize(f.font_size);
  f.text_margin = std::clamp(f.text_margin, 0, 32767);
  f.style &= kStyleMask;
  f.value_code &= static_cast<int>(kValueMask);
  f.merge &= kMergeMask;
  for (int& kind : f.edges) kind = NormalLineKind(kind);
  f.font_name = CutToGbkBytes(f.font_name, kMaxFontNameBytes);
  return f;
}

std::string CutToGbkBytes(std::string_view utf8, std::size_t max_bytes) {
  std::size_t used = 0;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const std::size_t len =
        std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8[pos])),
                 utf8.size() - pos);
    const std::size_t gbk = GbkLength(utf8.substr(pos, len));
    if (used + gbk > max_bytes) break;
    used += gbk;
    pos += len;
  }
  return std::string(utf8.substr(0, pos));
}

std::uint32_t PackFormatWord(const CellFormat& f) {
  std::uint32_t word = (static_cast<std::uint32_t>(f.alignment) & kAlignMask)
                       << kAlignShift;
  word |= static_cast<std::uint32_t>(f.wrap) << kWrapShift;
  word |= (static_cast<std::uint32_t>(f.style) & kStyleMask) << kStyleShift;
  word |= (static_cast<std::uint32_t>(f.value_code) & kValueMask)
          << kValueShift;
  word |= (static_cast<std::uint32_t>(f.merge) & kMergeMask) << kMergeShift;
  for (int side = 0; side < 4; ++side) {
    word |= (static_cast<std::uint32_t>(f.edges[side]) & kLineMask)
            << kEdgeShift[side];
  }
  return word;
}

void UnpackFormatWord(std::uint32_t word, CellFormat* f) {
  f->alignment = static_cast<int>((word >> kAlignShift) & kAlignMask);
  f->wrap = ((word >> kWrapShift) & 1) != 0;
  f->style = static_cast<int>((word >> kStyleShift) & kStyleMask);
  f->value_code = static_cast<int>((word >> kValueShift) & kValueMask);
  f->merge = static_cast<int>((word >> kMergeShift) & kMergeMask);
  for (int side = 0; side < 4; ++side) {
    f->edges[side] = static_cast<int>((word >> kEdgeShift[side]) & kLineMask);
  }
}

}  // namespace matslip
