#include "sheet/byte_source.h"

namespace matslip {

long ByteSource::Read(char* buffer, std::size_t size) {
  if (too_large_) return -1;
  const long n = ReadMore(buffer, size);
  if (n < 0) return -1;
  given_ += static_cast<std::uint64_t>(n);
  if (given_ > kMaxPartBytes) {
    too_large_ = true;
    return -1;
  }
  return n;
}

FileSource::~FileSource() {
  if (file_) std::fclose(file_);
}

bool FileSource::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  return file_ != nullptr;
}

long FileSource::ReadMore(char* buffer, std::size_t size) {
  const std::size_t n = std::fread(buffer, 1, size, file_);
  return std::ferror(file_) ? -1 : static_cast<long>(n);
}

}  // namespace matslip
