#include "sheet/text_encoding.h"

#include "base/utf8.h"

namespace matslip {
namespace {

// The length of the sequence a lead byte starts (0 for no lead byte).
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Index of the first byte of invalid UTF-8, or bytes.size().
std::size_t ValidLength(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t start = pos;
    if (NextCodePoint(bytes, &pos) == kInvalidCodePoint) return start;
  }
  return pos;
}

}  // namespace

bool IsUtf8(std::string_view bytes) {
  return ValidLength(bytes) == bytes.size();
}

bool IsUtf8Prefix(std::string_view bytes) {
  const std::size_t valid = ValidLength(bytes);
  if (valid == bytes.size()) return true;
  // Only a well-begun sequence that the end cuts off may remain.
  const std::size_t length =
      SequenceLength(static_cast<unsigned char>(bytes[valid]));
  if (length < 2 || bytes.size() - valid >= length) return false;
  for (std::size_t i = valid + 1; i < bytes.size(); ++i) {
    if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) return false;
  }
  return true;
}

}  // namespace matslip
