#pragma once
// Read-only access to the parts of a zip file (.xlsx, .ods), inflated
// piece by piece, each bounded as a ByteSource.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "sheet/byte_source.h"

namespace matslip {

// One part being read; Read() gives its next bytes.
class ZipPart : public ByteSource {
 public:
  explicit ZipPart(zip_file_t* file) : file_(file) {}
  ~ZipPart() override;
  ZipPart(const ZipPart&) = delete;
  ZipPart& operator=(const ZipPart&) = delete;

 protected:
  long ReadMore(char* buffer, std::size_t size) override;

 private:
  zip_file_t* file_;
};

class ZipArchive {
 public:
  ~ZipArchive();
  // False with a reason (sheet/sheet_errors.h) when the file is no zip.
  bool Open(const std::string& path, std::string* reason);

  bool Has(const std::string& name) const;
  // The size the zip's directory claims for a part (0 when missing).
  std::uint64_t ClaimedSize(const std::string& name) const;
  // Null with a reason when the part is missing, encrypted or damaged.
  std::unique_ptr<ZipPart> OpenPart(const std::string& name,
                                    std::string* reason) const;
  // The whole part, when it is at most `max_bytes` long.
  bool ReadSmallPart(const std::string& name, std::size_t max_bytes,
                     std::string* bytes, std::string* reason) const;

 private:
  zip_t* zip_ = nullptr;
};

}  // namespace matslip
