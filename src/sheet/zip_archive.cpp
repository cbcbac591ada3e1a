#include "sheet/zip_archive.h"

#include "sheet/sheet_errors.h"

namespace matslip {

ZipPart::~ZipPart() { zip_fclose(file_); }

long ZipPart::ReadMore(char* buffer, std::size_t size) {
  const zip_int64_t n = zip_fread(file_, buffer, size);
  return n < 0 ? -1 : static_cast<long>(n);
}

ZipArchive::~ZipArchive() {
  if (zip_) zip_discard(zip_);
}

bool ZipArchive::Open(const std::string& path, std::string* reason) {
  int error = 0;
  zip_ = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (zip_) return true;
  return SheetFailure(reason, error == ZIP_ER_OPEN || error == ZIP_ER_READ
                                  ? kSheetCannotOpen
                                  : kSheetDamaged);
}

bool ZipArchive::Has(const std::string& name) const {
  return zip_name_locate(zip_, name.c_str(), 0) >= 0;
}

std::uint64_t ZipArchive::ClaimedSize(const std::string& name) const {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(zip_, name.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
    return 0;
  return st.size;
}

std::unique_ptr<ZipPart> ZipArchive::OpenPart(const std::string& name,
                                              std::string* reason) const {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(zip_, name.c_str(), 0, &st) != 0) {
    SheetFailure(reason, kSheetDamaged);
    return nullptr;
  }
  if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) &&
      st.encryption_method != ZIP_EM_NONE) {
    SheetFailure(reason, kSheetEncrypted);
    return nullptr;
  }
  zip_file_t* file = zip_fopen(zip_, name.c_str(), 0);
  if (!file) {
    SheetFailure(reason, kSheetDamaged);
    return nullptr;
  }
  return std::make_unique<ZipPart>(file);
}

bool ZipArchive::ReadSmallPart(const std::string& name, std::size_t max_bytes,
                               std::string* bytes, std::string* reason) const {
  std::unique_ptr<ZipPart> part = OpenPart(name, reason);
  if (!part) return false;
  bytes->clear();
  char buffer[4096];
  for (;;) {
    const long n = part->Read(buffer, sizeof buffer);
    if (n < 0) {
      return SheetFailure(reason,
                          part->too_large() ? kSheetTooLarge : kSheetDamaged);
    }
    if (n == 0) return true;
    if (bytes->size() + static_cast<std::size_t>(n) > max_bytes)
      return SheetFailure(reason, kSheetTooLarge);
    bytes->append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace matslip
