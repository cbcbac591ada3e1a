#pragma once
// Byte layout of the record-database files: the main file (.mzk) and its memo
// file (.edt). All integers little-endian. See docs/file-format.md.
#include <cstdint>

namespace matslip::fmt {

// Main file header.
inline constexpr char kMagic[4] = {'W', 'E', 'D', 'B'};
inline constexpr std::int32_t kVersion = 0x10000;
inline constexpr int kMagicOffset = 0;
inline constexpr int kVersionOffset = 4;
inline constexpr int kCreatedOffset = 8;  // date-time, 8 bytes
inline constexpr int kCountOffset = 16;   // record count, then next id
inline constexpr int kNextIdOffset = 20;
inline constexpr int kRecordLengthOffset = 24;
// A table written as a new pair (store/table_pair.h) carries a random
// 8-byte pair id here and at kMemoPairIdOffset of its memo file, so that a
// replacement's journal knows the new files wherever the folder went.
inline constexpr int kPairIdOffset = 104;
inline constexpr int kFieldCountOffset = 112;
inline constexpr int kFixedHeaderSize = 116;  // up to the descriptors
inline constexpr int kDescriptorSize = 72;
inline constexpr int kDescNameSize = 20;
inline constexpr int kDescNameMax = 16;  // bytes before the terminator
inline constexpr int kDescTypeOffset = 20;
inline constexpr int kDescOffsetOffset = 24;
inline constexpr int kDescWidthOffset = 28;
inline constexpr int kRecordIdSize = 4;

// Field type codes.
enum FieldType : int {
  kByte = 1,
  kShort = 2,
  kInt = 3,
  kLong = 4,
  kSingle = 5,
  kDouble = 6,
  kBoolean = 7,
  kDateTime = 8,
  kValue4 = 9,
  kText = 10,
  kBinary = 11,
  kMemo = 12,
};

// Memo file.
inline constexpr char kMemoMagic[4] = {'W', 'E', 'D', 'T'};
inline constexpr int kBlockSize = 512;
inline constexpr int kBlockDataSize = 500;
inline constexpr int kMemoVersionOffset = 4;
inline constexpr int kMemoCreatedOffset = 8;  // date-time, 8 bytes
// Every block but block 0 starts with three int32: the previous and the next
// block of its value (in a free block: the next free block) and the number of
// data bytes used; the data follows.
inline constexpr int kBlockPrevOffset = 0;
inline constexpr int kBlockNextOffset = 4;
inline constexpr int kBlockUsedOffset = 8;
inline constexpr int kBlockHeaderSize = 12;
inline constexpr int kMemoBlockCountOffset = 16;
inline constexpr int kMemoFreeCountOffset = 20;
inline constexpr int kMemoFirstFreeOffset = 24;
// Bytes 28..67 of block 0 are zero at rest. While a memo write that takes
// new blocks is under way they hold its undo record (memo_file.cpp), so that
// a write cut short by a crash is rolled back on the next open.
inline constexpr int kMemoJournalOffset = 28;
inline constexpr int kMemoPairIdOffset = 504;  // see kPairIdOffset

// Bulk operations move records in blocks of at most this many bytes.
inline constexpr int kBulkBytes = 163840;

}  // namespace matslip::fmt
