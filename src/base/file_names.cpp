// The path-text helpers of files.h: no file system access here.
#include "base/files.h"
#include "base/utf8.h"

namespace matslip {
namespace {

// Full-width stand-ins for the characters a file name cannot hold.
char32_t SafeStandIn(unsigned char c) {
  if (c < 0x20) return 0x2400 + c;
  switch (c) {
    case '/':
      return 0xFF0F;
    case '\\':
      return 0xFF3C;
    case ':':
      return 0xFF1A;
    case '*':
      return 0xFF0A;
    case '?':
      return 0xFF1F;
    case '"':
      return 0xFF02;
    case '<':
      return 0xFF1C;
    case '>':
      return 0xFF1E;
    case '|':
      return 0xFF5C;
    case 0x7F:
      return 0x2421;
    default:
      return 0;
  }
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string_view WithoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string SafeFileName(std::string_view key) {
  if (key == "." || key == "..") {
    std::string dots;
    for (std::size_t i = 0; i < key.size(); ++i) AppendUtf8(0xFF0E, &dots);
    return dots;
  }
  // Byte by byte: in UTF-8 an ASCII byte is always a character of its own.
  std::string name;
  name.reserve(key.size());
  for (const char c : key) {
    const char32_t stand_in = SafeStandIn(static_cast<unsigned char>(c));
    if (stand_in != 0) {
      AppendUtf8(stand_in, &name);
    } else {
      name.push_back(c);
    }
  }
  return name;
}

// As POSIX dirname: "a/b" -> "a", "b" -> ".", "/b" -> "/", "a/b/" -> "a".
std::string DirName(std::string_view path) {
  path = WithoutTrailingSlashes(path);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  std::string_view dir = path.substr(0, slash);
  while (!dir.empty() && dir.back() == '/') dir.remove_suffix(1);
  return dir.empty() ? "/" : std::string(dir);
}

// As POSIX basename: "a/b" -> "b", "a/b/" -> "b", "/" -> "/".
std::string BaseName(std::string_view path) {
  path = WithoutTrailingSlashes(path);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos || path == "/") return std::string(path);
  return std::string(path.substr(slash + 1));
}

}  // namespace matslip
