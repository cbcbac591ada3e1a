#include "sheet/date_format.h"

namespace matslip {

bool IsBuiltInDateFormat(int id) {
  return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) ||
         (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool IsDateFormatCode(std::string_view code) {
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '"') {
      const std::size_t close = code.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is shown (or padded with) as it is
    } else if (c == '[') {
      const std::size_t close = code.find(']', i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (c == ';') {
      return false;  // only the first section decides
    } else {
      switch (c | 0x20) {
        case 'y':
        case 'm':
        case 'd':
        case 'h':
        case 's':
          return true;
        default:
          break;
      }
    }
  }
  return false;
}

}  // namespace matslip
