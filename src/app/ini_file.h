#pragma once
// One settings file in memory, parsed the way the platform's profile-file
// functions read it, for look-up and for editing one entry. Lines that are
// not edited keep their bytes exactly, line ends included.
//
// Encoding: UTF-8 when the file starts with a UTF-8 byte-order mark, or when
// it is valid UTF-8 throughout and holds at least one character of three or
// more bytes (as Linux editors save Chinese text); GBK otherwise. The file
// keeps its encoding, and its mark, when written back; a UTF-8 file without
// one gets it when an edit leaves no character that tells it is UTF-8.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace matslip {

class IniFile {
 public:
  // Parses file bytes. Lines end at LF (a CR before it is part of the line
  // end); bytes that do not decode are kept and never match a name.
  static IniFile Parse(std::string_view bytes);

  // The value of `key` in the first section named `section` (both compared
  // with ASCII case folded), with blanks around it removed and one pair of
  // matching quotes around that removed. nullopt when the key is missing.
  std::optional<std::string> Find(std::string_view section,
                                  std::string_view key) const;

  // Sets a value: rewrites the value part of an existing key line, else adds
  // "key=value" after the last non-blank line of the section, else appends
  // the section at the end. A value that Find would trim or unquote is
  // written in double quotes so it reads back unchanged. False when a text
  // cannot be encoded in the file's encoding, or when a GBK file would then
  // be valid UTF-8 with a character of three bytes and read back as such
  // (nothing changes then).
  bool Set(std::string_view section, std::string_view key,
           std::string_view value);

  std::string Serialize() const;

 private:
  struct Line {
    enum class Kind { kOther, kSection, kKey };
    std::string raw;     // bytes without the line end
    std::string ending;  // "\r\n", "\n", or "" for a last line without one
    Kind kind = Kind::kOther;
    std::string name;              // UTF-8, trimmed: section or key name
    std::size_t value_offset = 0;  // keys: byte offset of the value in `raw`
  };

  // Set without the check that the file reads back in its encoding.
  bool Edit(std::string_view section, std::string_view key,
            std::string_view value);
  std::string Decode(std::string_view bytes) const;
  bool Encode(std::string_view utf8, std::string* bytes) const;
  Line MakeLine(std::string raw, std::string ending) const;
  // Index of the first section header named `section`; lines_.size() if none.
  std::size_t FindSection(std::string_view section) const;
  // Index of `key` in the section whose header is at `header`, or npos.
  std::size_t FindKey(std::size_t header, std::string_view key) const;
  std::string LineEnd() const;
  // Gives the last line a line end, before a line is added after it. A CR it
  // ends with stays part of it: only CR LF after it keeps it so.
  void EndLastLine();

  bool utf8_ = false;
  bool byte_order_mark_ = false;
  std::vector<Line> lines_;
};

}  // namespace matslip
