#pragma once
// Read-only access to the parts of a zip file (.xlsx, .ods), inflated
// piece by piece. The bytes inflated are counted as they come, whatever the
// zip's headers claim: a part that grows beyond kMaxPartBytes is cut off
// and flagged.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace matslip {

inline constexpr std::uint64_t kMaxPartBytes = 64ull << 20;

// One part being read; Read() gives its next bytes.
class ZipPart {
 public:
  explicit ZipPart(zip_file_t* file) : file_(file) {}
  ~ZipPart();
  ZipPart(const ZipPart&) = delete;
  ZipPart& operator=(const ZipPart&) = delete;

  // Up to `size` bytes into `buffer`; 0 at the end, -1 on a damaged part or
  // one that grows beyond kMaxPartBytes (too_large() tells which).
  long Read(char* buffer, std::size_t size);
  bool too_large() const { return too_large_; }

 private:
  zip_file_t* file_;
  std::uint64_t inflated_ = 0;
  bool too_large_ = false;
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
