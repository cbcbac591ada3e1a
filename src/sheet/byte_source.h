#pragma once
// Bytes read piece by piece (a zip part, a plain file) and counted as they
// come, whatever the file claims: a source that gives more than
// kMaxPartBytes is cut off and flagged.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace matslip {

inline constexpr std::uint64_t kMaxPartBytes = 64ull << 20;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `buffer`; 0 at the end, -1 on a damaged source or
  // one that grows beyond kMaxPartBytes (too_large() tells which).
  long Read(char* buffer, std::size_t size);
  bool too_large() const { return too_large_; }

 protected:
  // The next bytes as they are; -1 on an error.
  virtual long ReadMore(char* buffer, std::size_t size) = 0;

 private:
  std::uint64_t given_ = 0;
  bool too_large_ = false;
};

// A plain file's bytes.
class FileSource : public ByteSource {
 public:
  ~FileSource() override;
  bool Open(const std::string& path);

 protected:
  long ReadMore(char* buffer, std::size_t size) override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace matslip
