#include "app/ini_file.h"

#include "base/gbk.h"
#include "base/utf8.h"

namespace matslip {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// The value as the profile functions return it.
std::string_view Unquote(std::string_view value) {
  value = Trim(value);
  if (value.size() >= 2 && IsQuote(value.front()) &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// The text to store so that Unquote gives `value` back.
std::string Quoted(std::string_view value) {
  if (Unquote(value) == value) return std::string(value);
  return "\"" + std::string(value) + "\"";
}

// Chinese text saved as UTF-8 is made of three-byte characters. GBK text is
// seldom valid UTF-8, and where it is, mostly as two-byte characters (a GBK
// lead byte C2..DF before a trail byte A1..BF): "隆" alone is C2 A1, "¡" in
// UTF-8.
bool LooksLikeUtf8(std::string_view bytes) {
  bool wide = false;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t start = pos;
    if (NextCodePoint(bytes, &pos) == kInvalidCodePoint) return false;
    wide = wide || pos - start >= 3;
  }
  return wide;
}

bool IsAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

IniFile IniFile::Parse(std::string_view bytes) {
  IniFile file;
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    file.utf8_ = true;
    file.byte_order_mark_ = true;
    bytes.remove_prefix(kByteOrderMark.size());
  } else {
    file.utf8_ = LooksLikeUtf8(bytes);
  }
  while (!bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    std::string_view line = bytes.substr(0, lf);
    std::string ending;
    if (lf != std::string_view::npos) {
      ending = "\n";
      if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
        ending = "\r\n";
      }
      bytes.remove_prefix(lf + 1);
    } else {
      bytes = {};
    }
    file.lines_.push_back(file.MakeLine(std::string(line), ending));
  }
  return file;
}

IniFile::Line IniFile::MakeLine(std::string raw, std::string ending) const {
  Line line;
  line.raw = std::move(raw);
  line.ending = std::move(ending);
  // A GBK trail byte may be '[' or ']' (it is 0x40..0xFE) but never '=' or
  // ';', and a line starts with a whole character: only the ']' closing a
  // section name has to be looked for in the decoded text.
  const std::string_view text = Trim(line.raw);
  if (text.empty() || text.front() == ';') return line;
  if (text.front() == '[') {
    const std::string decoded = Decode(text.substr(1));
    line.kind = Line::Kind::kSection;
    line.name = std::string(Trim(std::string_view(decoded).substr(
        0, std::string_view(decoded).find(']'))));
    return line;
  }
  const std::size_t equals = line.raw.find('=');
  if (equals == std::string::npos) return line;
  line.kind = Line::Kind::kKey;
  line.name = Decode(Trim(std::string_view(line.raw).substr(0, equals)));
  line.value_offset = equals + 1;
  return line;
}

std::string IniFile::Decode(std::string_view bytes) const {
  return utf8_ ? std::string(bytes) : GbkToUtf8(bytes);
}

bool IniFile::Encode(std::string_view utf8, std::string* bytes) const {
  if (!utf8_) return Utf8ToGbk(utf8, bytes);
  bytes->assign(utf8);
  return true;
}

std::size_t IniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Line::Kind::kSection &&
        SameName(lines_[i].name, section)) {
      return i;
    }
  }
  return lines_.size();
}

std::size_t IniFile::FindKey(std::size_t header, std::string_view key) const {
  for (std::size_t i = header + 1;
       i < lines_.size() && lines_[i].kind != Line::Kind::kSection; ++i) {
    if (lines_[i].kind == Line::Kind::kKey && SameName(lines_[i].name, key)) {
      return i;
    }
  }
  return std::string::npos;
}

std::optional<std::string> IniFile::Find(std::string_view section,
                                         std::string_view key) const {
  const std::size_t header = FindSection(section);
  if (header == lines_.size()) return std::nullopt;
  const std::size_t index = FindKey(header, key);
  if (index == std::string::npos) return std::nullopt;
  const Line& line = lines_[index];
  return Decode(Unquote(std::string_view(line.raw).substr(line.value_offset)));
}

bool IniFile::Set(std::string_view section, std::string_view key,
                  std::string_view value) {
  IniFile edited = *this;
  if (!edited.Edit(section, key, value)) return false;
  // The file must read back in the encoding it is written in.
  edited.byte_order_mark_ = false;
  const std::string body = edited.Serialize();
  if (!utf8_ && LooksLikeUtf8(body)) return false;
  edited.byte_order_mark_ =
      byte_order_mark_ || (utf8_ && !IsAscii(body) && !LooksLikeUtf8(body));
  *this = std::move(edited);
  return true;
}

bool IniFile::Edit(std::string_view section, std::string_view key,
                   std::string_view value) {
  std::string value_bytes;
  std::string key_bytes;
  std::string section_bytes;
  if (!Encode(Quoted(value), &value_bytes) || !Encode(key, &key_bytes) ||
      !Encode(section, &section_bytes)) {
    return false;
  }
  const std::size_t header = FindSection(section);
  if (header != lines_.size()) {
    const std::size_t index = FindKey(header, key);
    if (index != std::string::npos) {
      Line& line = lines_[index];
      line.raw.replace(line.value_offset, std::string::npos, value_bytes);
      return true;
    }
    // After the last non-blank line of the section, so blank lines that
    // separate it from the next section stay where they are.
    std::size_t insert_at = header + 1;
    for (std::size_t i = header + 1;
         i < lines_.size() && lines_[i].kind != Line::Kind::kSection; ++i) {
      if (!Trim(lines_[i].raw).empty()) insert_at = i + 1;
    }
    if (insert_at == lines_.size()) EndLastLine();
    lines_.insert(lines_.begin() + insert_at,
                  MakeLine(key_bytes + "=" + value_bytes, LineEnd()));
    return true;
  }
  EndLastLine();
  lines_.push_back(MakeLine("[" + section_bytes + "]", LineEnd()));
  lines_.push_back(MakeLine(key_bytes + "=" + value_bytes, LineEnd()));
  return true;
}

void IniFile::EndLastLine() {
  if (lines_.empty() || !lines_.back().ending.empty()) return;
  Line& last = lines_.back();
  last.ending =
      !last.raw.empty() && last.raw.back() == '\r' ? "\r\n" : LineEnd();
}

// New lines end like the file's first line, CR LF in a new file.
std::string IniFile::LineEnd() const {
  for (const Line& line : lines_) {
    if (!line.ending.empty()) return line.ending;
  }
  return "\r\n";
}

std::string IniFile::Serialize() const {
  std::string bytes =
      byte_order_mark_ ? std::string(kByteOrderMark) : std::string();
  for (const Line& line : lines_) {
    bytes += line.raw;
    bytes += line.ending;
  }
  return bytes;
}

}  // namespace matslip
