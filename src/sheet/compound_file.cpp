#include "sheet/compound_file.h"

#include <cstdint>
#include <vector>

namespace matslip {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kHeaderFatSectors = 109;
constexpr std::size_t kDirectoryEntryBytes = 128;

std::uint32_t U32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1]))
             << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2]))
             << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]))
             << 24;
}

std::uint16_t U16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}

class CompoundFile {
 public:
  explicit CompoundFile(std::string_view file) : file_(file) {}
  bool Open();
  bool Stream(std::u16string_view name, std::string* out) const;

 private:
  // The bytes of the regular chain starting at `first`.
  bool Chain(const std::vector<std::uint32_t>& table, std::uint32_t first,
             std::size_t unit, std::string_view source,
             std::size_t source_offset, std::string* out) const;
  bool RegularChain(std::uint32_t first, std::string* out) const {
    return Chain(fat_, first, sector_, file_, sector_, out);
  }
  bool AppendTable(std::uint32_t sector, std::size_t skip_tail,
                   std::vector<std::uint32_t>* table) const;

  std::string_view file_;
  std::size_t sector_ = 512;
  std::size_t mini_sector_ = 64;
  std::uint32_t sectors_ = 0;
  std::uint32_t mini_cutoff_ = 4096;
  std::vector<std::uint32_t> fat_, mini_fat_;
  std::string directory_, mini_stream_;
};

bool CompoundFile::AppendTable(std::uint32_t sector, std::size_t skip_tail,
                               std::vector<std::uint32_t>* table) const {
  if (sector >= sectors_) return false;
  const std::size_t at = (static_cast<std::size_t>(sector) + 1) * sector_;
  for (std::size_t i = 0; i + 4 <= sector_ - skip_tail; i += 4)
    table->push_back(U32(file_, at + i));
  return true;
}

bool CompoundFile::Chain(const std::vector<std::uint32_t>& table,
                         std::uint32_t first, std::size_t unit,
                         std::string_view source, std::size_t source_offset,
                         std::string* out) const {
  out->clear();
  std::size_t steps = 0;
  for (std::uint32_t s = first; s != kEndOfChain; s = table[s]) {
    // A chain longer than its source has sectors loops.
    if (s >= table.size() || ++steps > source.size() / unit) return false;
    const std::size_t at = source_offset + static_cast<std::size_t>(s) * unit;
    if (at + unit > source.size()) return false;
    out->append(source.substr(at, unit));
  }
  return true;
}

bool CompoundFile::Open() {
  if (file_.size() < kHeaderBytes) return false;
  const unsigned shift = U16(file_, 0x1E), mini_shift = U16(file_, 0x20);
  if ((shift != 9 && shift != 12) || mini_shift != 6) return false;
  sector_ = std::size_t{1} << shift;
  mini_sector_ = std::size_t{1} << mini_shift;
  if (file_.size() < sector_) return false;
  sectors_ = static_cast<std::uint32_t>(file_.size() / sector_ - 1);
  mini_cutoff_ = U32(file_, 0x38);

  // The FAT's sectors: 109 in the header, the rest in a chain of DIFAT
  // sectors whose last entry points to the next. A FAT sector maps
  // sector_ / 4 sectors: a FAT bigger than the file needs is forged.
  const std::uint32_t fat_count = U32(file_, 0x2C);
  if (fat_count > sectors_ / (sector_ / 4) + 2) return false;
  std::vector<std::uint32_t> fat_sectors;
  for (std::size_t i = 0; i < kHeaderFatSectors; ++i)
    fat_sectors.push_back(U32(file_, 0x4C + 4 * i));
  std::uint32_t difat = U32(file_, 0x44);
  while (fat_sectors.size() < fat_count && difat < sectors_) {
    const std::size_t at = (static_cast<std::size_t>(difat) + 1) * sector_;
    if (!AppendTable(difat, 4, &fat_sectors)) return false;
    difat = U32(file_, at + sector_ - 4);
  }
  if (fat_count > fat_sectors.size()) return false;
  for (std::uint32_t i = 0; i < fat_count; ++i) {
    if (!AppendTable(fat_sectors[i], 0, &fat_)) return false;
  }
  if (!RegularChain(U32(file_, 0x30), &directory_) ||
      directory_.size() < kDirectoryEntryBytes)
    return false;
  // The mini FAT, and the mini stream it maps (held by the root entry).
  const std::uint32_t mini_fat_first = U32(file_, 0x3C);
  if (mini_fat_first != kEndOfChain) {
    std::string bytes;
    if (!RegularChain(mini_fat_first, &bytes)) return false;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4)
      mini_fat_.push_back(U32(bytes, i));
    if (!RegularChain(U32(directory_, 0x74), &mini_stream_)) return false;
  }
  return true;
}

bool CompoundFile::Stream(std::u16string_view name, std::string* out) const {
  for (std::size_t at = 0; at + kDirectoryEntryBytes <= directory_.size();
       at += kDirectoryEntryBytes) {
    const std::size_t name_bytes = U16(directory_, at + 0x40);
    if (directory_[at + 0x42] != 2 || name_bytes != (name.size() + 1) * 2)
      continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i)
      same = U16(directory_, at + 2 * i) == name[i];
    if (!same) continue;
    const std::uint32_t first = U32(directory_, at + 0x74);
    const std::uint32_t size = U32(directory_, at + 0x78);
    const bool ok = size < mini_cutoff_ ? Chain(mini_fat_, first, mini_sector_,
                                                mini_stream_, 0, out)
                                        : RegularChain(first, out);
    if (!ok || out->size() < size) return false;
    out->resize(size);
    return true;
  }
  return false;
}

}  // namespace

bool ReadCompoundStream(std::string_view file, std::u16string_view name,
                        std::string* stream) {
  CompoundFile compound(file);
  return compound.Open() && compound.Stream(name, stream);
}

}  // namespace matslip
