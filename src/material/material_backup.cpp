#include "material/material_backup.h"

#include <cstdint>
#include <cstdio>

#include "base/files.h"
#include "base/utf8.h"
#include "store/db.h"
#include "store/names.h"

namespace matslip {
namespace {

// A file name may take 255 bytes. Room is kept for ".mzk" and for the
// suffixes of the temporaries the engine writes beside a target.
constexpr std::size_t kNameLimit = 255;
constexpr std::size_t kExtensionBytes = 4;
constexpr std::size_t kTemporarySuffixBytes = 16;
constexpr std::size_t kBaseLimit =
    kNameLimit - kExtensionBytes - kTemporarySuffixBytes;
// "-" and 16 hexadecimal digits.
constexpr std::size_t kHashBytes = 17;

// FNV-1a over 64 bits: the same on every machine and in every run.
std::uint64_t StableHash(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

// The longest prefix of `name` of at most `limit` bytes that ends at a
// character boundary.
std::string_view CharacterPrefix(std::string_view name, std::size_t limit) {
  std::size_t end = 0;
  for (std::size_t pos = 0; pos < name.size();) {
    std::size_t next = pos;
    NextCodePoint(name, &next);
    if (next > limit) break;
    end = pos = next;
  }
  return name.substr(0, end);
}

}  // namespace

std::string MaterialBackupPath(const std::string& folder,
                               const MaterialKey& key) {
  std::string base = SafeFileName(key.name + key.model);
  if (base.size() > kBaseLimit) {
    // The hash covers both parts apart, so that keys whose long names are
    // cut alike still get files of their own.
    char hash[kHashBytes + 1];
    std::snprintf(hash, sizeof hash, "-%016llx",
                  static_cast<unsigned long long>(
                      StableHash(key.name + '\0' + key.model)));
    base = std::string(CharacterPrefix(base, kBaseLimit - kHashBytes)) + hash;
  }
  return ExistingPathIgnoringCase(folder + "/" + base + kTableExtension);
}

bool WriteMaterialBackup(const std::string& folder, const MaterialKey& key,
                         const std::vector<int>& record_numbers) {
  const std::string path = MaterialBackupPath(folder, key);
  if (CreateDirectory(folder) && DbCopyRecordsTo(path, record_numbers))
    return true;
  RemoveFile(path);
  RemoveFile(MemoPathOf(path));
  return false;
}

}  // namespace matslip
