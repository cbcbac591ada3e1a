// Fuzzes the settings file (config.ini) reader and writer. An input is the
// file's bytes followed by up to four texts, each after a zero byte: a
// section, a key, a value and a second key (left out, they are the slip
// texts' own names and a value of theirs). Each input checks that
//   - parsing and writing back an unedited file gives its bytes unchanged;
//   - a refused IniWrite leaves the file as it was;
//   - after an accepted IniWrite, IniRead gives the value back, and the
//     second key of that section (when it is another key) reads as before.
//
// When the corpus folder is empty, LLVMFuzzerInitialize seeds it with the
// slip texts' settings file, as UTF-8 with LF line ends and as GBK with CR LF.
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/ini.h"
#include "app/ini_file.h"
#include "base/files.h"
#include "base/gbk.h"
#include "fuzz_corpus.h"

namespace {

using namespace matslip;

const std::string* work_dir = nullptr;

struct Input {
  std::string_view file;
  std::string section = "仓库名称";
  std::string key = "仓库名称";
  std::string value = "二号材料库";
  std::string other_key = "使用方向";
};

Input Split(std::string_view bytes) {
  Input in;
  std::vector<std::string_view> parts;
  std::size_t zero;
  while ((zero = bytes.find('\0')) != std::string_view::npos &&
         parts.size() < 4) {
    parts.push_back(bytes.substr(0, zero));
    bytes.remove_prefix(zero + 1);
  }
  parts.push_back(bytes);
  in.file = parts[0];
  std::string* texts[] = {&in.section, &in.key, &in.value, &in.other_key};
  for (std::size_t i = 1; i < parts.size(); ++i) texts[i - 1]->assign(parts[i]);
  return in;
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Whether the two keys name different entries. Keys with blanks or control
// characters at their ends are left out: the reader skips those.
bool PlainlyDifferentKeys(std::string_view a, std::string_view b) {
  for (std::string_view k : {a, b}) {
    if (k.empty() || static_cast<unsigned char>(k.front()) <= ' ' ||
        k.back() == ' ' || k.back() == '\t') {
      return false;
    }
  }
  if (a.size() != b.size()) return true;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return true;
  }
  return false;
}

void Exercise(const Input& in) {
  if (IniFile::Parse(in.file).Serialize() != in.file) abort();
  // A longer value would read back cut to the reader's limit.
  if (in.value.size() > kIniMaxValueBytes) return;
  const std::string path = *work_dir + "/config.ini";
  if (!ReplaceFileAtomically(path, in.file)) abort();
  // A default no file holds: a value cut to the reader's limit cannot end
  // in a control character.
  const std::string kMissing = "\x01";
  const std::string other_before =
      IniRead(path, in.section, in.other_key, kMissing);
  if (!IniWrite(path, in.section, in.key, in.value)) {
    std::string after;
    if (!ReadFile(path, &after) || after != in.file) abort();
    return;
  }
  if (IniRead(path, in.section, in.key, kMissing) != in.value) abort();
  if (PlainlyDifferentKeys(in.key, in.other_key) &&
      IniRead(path, in.section, in.other_key, kMissing) != other_before) {
    abort();
  }
}

void Seed(const std::string& corpus) {
  std::string utf8;
  std::string gbk;
  if (!ReadFile(MATSLIP_SLIP_TEXTS_INI, &utf8) || utf8.empty() ||
      !Utf8ToGbk(utf8, &gbk))
    abort();
  std::string crlf;
  for (char c : gbk) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  std::ofstream(corpus + "/seed-utf8", std::ios::binary) << utf8;
  std::ofstream(corpus + "/seed-gbk", std::ios::binary) << crlf;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  work_dir = &fuzzing::MakeWorkDir("ini-fuzz");
  fuzzing::SeedEmptyCorpora(*argc, *argv, Seed);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  Exercise(Split(std::string_view(reinterpret_cast<const char*>(data), size)));
  return 0;
}
