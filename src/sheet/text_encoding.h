#pragma once
// Telling UTF-8 from GBK in files that do not say which they use.
#include <string_view>

namespace matslip {

// Whether the bytes are valid UTF-8.
bool IsUtf8(std::string_view bytes);
// The same for the start of a longer text: a sequence cut off at the end
// does not count against it.
bool IsUtf8Prefix(std::string_view bytes);

}  // namespace matslip
