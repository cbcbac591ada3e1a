#pragma once
// Reading and writing one entry of a settings (INI) file, with the rules of
// the platform's profile-file functions: section and key names compared with
// ASCII case folded (other bytes exactly), leading blanks and control
// characters of the path, section and key skipped (and trailing blanks of
// section and key, as names in the file lose theirs), values trimmed of the
// blanks around them and of one pair of matching quotes. Files are GBK with CR
// LF line ends (see ini_file.h for other encodings and line ends). Nothing is
// cached: every call reads the file again.
#include <string>
#include <string_view>

namespace matslip {

// Longest text IniRead returns, in bytes of its GBK form.
inline constexpr std::size_t kIniMaxValueBytes = 10240;

// The value of `key` in `section`, or `default_text` (without its trailing
// blanks) when the file or the key is missing; cut to kIniMaxValueBytes. The
// empty text when the path, section or key is empty after the skipping.
std::string IniRead(const std::string& path, const std::string& section,
                    const std::string& key, const std::string& default_text);

// Stores the value, creating the file, section or key as needed, and replaces
// the file atomically. False (file unchanged) when the path, section or key is
// empty after the skipping, when the section holds ']', when the key holds
// '=' or starts with '[' or ';' (it would not read back as a key), when
// a text holds a line break or NUL or cannot be encoded in GBK, when its GBK
// bytes would make a GBK file read as UTF-8 (IniFile::Set), or when the file
// cannot be read or written.
bool IniWrite(const std::string& path, const std::string& section,
              const std::string& key, const std::string& value);

// Whether IniWrite can store this value (no line break, no NUL, encodable in
// GBK), so that a window can refuse a text where it is typed.
bool IniValueWritable(std::string_view value);

}  // namespace matslip
