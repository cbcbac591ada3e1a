#include "app/ini.h"

#include "app/ini_file.h"
#include "base/files.h"
#include "base/gbk.h"
#include "base/utf8.h"

namespace matslip {
namespace {

std::string_view SkipLeading(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
    text.remove_prefix(1);
  }
  return text;
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

// Names in the file are read without the blanks around them, so a name given
// with trailing blanks must lose them too to find its entry again.
std::string_view NameOf(std::string_view text) {
  return WithoutTrailingBlanks(SkipLeading(text));
}

// The longest prefix of whole characters whose GBK form fits the limit.
std::string CapLength(std::string_view text) {
  std::size_t pos = 0;
  std::size_t gbk_bytes = 0;
  while (pos < text.size()) {
    std::size_t next = pos;
    NextCodePoint(text, &next);
    gbk_bytes += GbkLength(text.substr(pos, next - pos));
    if (gbk_bytes > kIniMaxValueBytes) break;
    pos = next;
  }
  return std::string(text.substr(0, pos));
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) !=
         std::string_view::npos;
}

bool Encodable(std::string_view text) {
  std::string ignored;
  return Utf8ToGbk(text, &ignored);
}

}  // namespace

bool IniValueWritable(std::string_view value) {
  return !HasLineBreakOrNul(value) && Encodable(value);
}

std::string IniRead(const std::string& path, const std::string& section,
                    const std::string& key, const std::string& default_text) {
  const std::string_view file_path = SkipLeading(path);
  const std::string_view section_name = NameOf(section);
  const std::string_view key_name = NameOf(key);
  if (file_path.empty() || section_name.empty() || key_name.empty()) return "";
  std::string bytes;
  if (ReadFile(std::string(file_path), &bytes)) {
    const std::optional<std::string> value =
        IniFile::Parse(bytes).Find(section_name, key_name);
    if (value) return CapLength(*value);
  }
  return CapLength(WithoutTrailingBlanks(default_text));
}

bool IniWrite(const std::string& path, const std::string& section,
              const std::string& key, const std::string& value) {
  const std::string file_path(SkipLeading(path));
  const std::string_view section_name = NameOf(section);
  const std::string_view key_name = NameOf(key);
  if (file_path.empty() || section_name.empty() || key_name.empty() ||
      section_name.find(']') != std::string_view::npos ||
      key_name.find('=') != std::string_view::npos || key_name[0] == '[' ||
      key_name[0] == ';' || HasLineBreakOrNul(section_name) ||
      HasLineBreakOrNul(key_name) || !IniValueWritable(value) ||
      !Encodable(section_name) || !Encodable(key_name)) {
    return false;
  }
  std::string bytes;
  if (!ReadFile(file_path, &bytes) && FileExists(file_path)) return false;
  IniFile file = IniFile::Parse(bytes);
  if (!file.Set(section_name, key_name, value)) return false;
  return ReplaceFileAtomically(file_path, file.Serialize());
}

}  // namespace matslip
