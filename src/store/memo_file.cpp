#include "store/memo_file.h"

#include <algorithm>
#include <cstring>

#include "base/files.h"
#include "store/durability.h"
#include "store/format.h"

namespace matslip {

namespace {

constexpr std::int64_t kHeaderLockOffset = fmt::kMemoBlockCountOffset;
constexpr std::int64_t kHeaderLockLength = fmt::kBlockSize - kHeaderLockOffset;
// The header's three counts, read and written as one piece from
// kMemoBlockCountOffset.
constexpr int kCountsSize = 12;
constexpr int kFreeCountAt =
    fmt::kMemoFreeCountOffset - fmt::kMemoBlockCountOffset;
constexpr int kFirstFreeAt =
    fmt::kMemoFirstFreeOffset - fmt::kMemoBlockCountOffset;

// The undo record's layout, from kMemoJournalOffset.
constexpr std::uint32_t kJournalTag = 0x324E524A;  // "JRN2"
constexpr int kJournalTagAt = 0;
constexpr int kJournalOldCountAt = 4;
constexpr int kJournalOldFreeCountAt = 8;
constexpr int kJournalOldFirstFreeAt = 12;
constexpr int kJournalNewFirstAt = 16;
constexpr int kJournalLastAt = 20;
constexpr int kJournalTakenAt = 24;
constexpr int kJournalRestFreeAt = 28;
constexpr int kJournalLinkOffsetAt = 32;  // 8 bytes
constexpr int kJournalSize = 40;

// Waits until what was written to `file` is on the disk, when durable
// writes are on.
bool Barrier(PosixFile* file) {
  return !DurableWrites() || file == nullptr || file->Sync();
}

std::int64_t BlockOffset(std::int32_t block) {
  return std::int64_t{block} * fmt::kBlockSize;
}

}  // namespace

// The undo record of a memo write that takes new blocks. The blocks it takes
// from the free list are the list's first `taken` blocks, and the new chain
// runs through them in list order, so each of them but the last keeps the
// next-block number it had on the list whether it was written yet or not:
// the record names the list's head and the count instead of every block, and
// holds any number of them.
struct MemoFile::Journal {
  std::int32_t old_count = 0, old_free_count = 0, old_first_free = 0;
  std::int32_t new_first = 0;    // first block added to the chain
  std::int32_t last = 0;         // block the chain continued from, 0 if new
  std::int32_t taken = 0;        // blocks taken from the free list
  std::int32_t rest_free = 0;    // free list after the blocks taken from it
  std::int64_t link_offset = 0;  // main-file offset of a new chain's link

  std::string Encode() const {
    std::string b(static_cast<std::size_t>(kJournalSize), '\0');
    char* p = b.data();
    PutI32(p + kJournalTagAt, static_cast<std::int32_t>(kJournalTag));
    PutI32(p + kJournalOldCountAt, old_count);
    PutI32(p + kJournalOldFreeCountAt, old_free_count);
    PutI32(p + kJournalOldFirstFreeAt, old_first_free);
    PutI32(p + kJournalNewFirstAt, new_first);
    PutI32(p + kJournalLastAt, last);
    PutI32(p + kJournalTakenAt, taken);
    PutI32(p + kJournalRestFreeAt, rest_free);
    PutI64(p + kJournalLinkOffsetAt, link_offset);
    return b;
  }

  // False when the bytes are not a journal of ours.
  bool Decode(const char* p) {
    if (static_cast<std::uint32_t>(GetI32(p + kJournalTagAt)) != kJournalTag)
      return false;
    old_count = GetI32(p + kJournalOldCountAt);
    old_free_count = GetI32(p + kJournalOldFreeCountAt);
    old_first_free = GetI32(p + kJournalOldFirstFreeAt);
    new_first = GetI32(p + kJournalNewFirstAt);
    last = GetI32(p + kJournalLastAt);
    taken = GetI32(p + kJournalTakenAt);
    rest_free = GetI32(p + kJournalRestFreeAt);
    link_offset = GetI64(p + kJournalLinkOffsetAt);
    return true;
  }

  // Whether a write of ours can have left this record in a file whose header
  // now counts `count` blocks and that holds `whole` blocks: such a write
  // only ever adds blocks, and everything it names lies in the old file.
  bool Plausible(std::int32_t count, std::int64_t whole) const {
    auto in_old = [&](std::int32_t b) { return b >= 0 && b < old_count; };
    return old_count >= 1 && old_count <= count && old_count <= whole &&
           old_free_count >= 0 && old_free_count <= old_count - 1 &&
           in_old(old_first_free) && in_old(last) && in_old(rest_free) &&
           taken >= 0 && taken <= old_free_count && link_offset >= 0 &&
           new_first == (taken > 0 ? old_first_free : old_count) &&
           (taken == 0 || old_first_free != 0);
  }
};

bool MemoFile::CreateEmpty(const std::string& path, double created,
                           std::uint64_t pair_id) {
  PosixFile f;
  if (!f.Create(path)) return false;
  char block[fmt::kBlockSize] = {};
  std::memcpy(block, fmt::kMemoMagic, 4);
  PutI32(block + fmt::kMemoVersionOffset, fmt::kVersion);
  PutF64(block + fmt::kMemoCreatedOffset, created);
  PutI32(block + fmt::kMemoBlockCountOffset, 1);
  PutI64(block + fmt::kMemoPairIdOffset, static_cast<std::int64_t>(pair_id));
  return f.WriteAt(0, block, sizeof block);
}

bool MemoFile::Open(
    const std::string& path, bool read_only, std::int32_t version,
    PosixFile* main_file, std::string* why,
    const std::function<bool(std::int32_t blocks_lost)>& before_repair) {
  auto fail = [why](const char* reason) {
    if (why) *why = reason;
    return false;
  };
  read_only_ = read_only;
  main_file_ = main_file;
  if (!file_.Open(path, read_only)) return fail("memo file cannot be opened");
  char head[32];
  if (!file_.ReadAt(0, head, sizeof head)) return fail("memo file too short");
  if (std::memcmp(head, fmt::kMemoMagic, 4) != 0) return fail("bad memo magic");
  if (GetI32(head + fmt::kMemoVersionOffset) != version)
    return fail("memo version differs");
  RegionLock lock(&file_, kHeaderLockOffset, kHeaderLockLength, true,
                  read_only);
  if (!lock.ok()) return fail("memo file cannot be locked");
  if (!ReloadHeader()) return fail("bad memo header counts");
  if (file_.Size() < fmt::kBlockSize) return fail("memo file too short");
  // A count beyond the file is lowered; a reader does so in memory only, so
  // that a damaged header never makes it walk blocks that are not there.
  const std::int32_t counted = block_count_;
  const bool lowered = ClampToFile();
  if (read_only) return true;
  if (lowered && before_repair && !before_repair(counted - block_count_))
    return false;  // `before_repair` said why
  if (lowered && !WriteHeaderCounts())
    return fail("memo header cannot be written");
  if (!RecoverIfNeeded())
    return fail("interrupted memo write cannot be undone");
  // Blocks beyond the count belong to a write whose counts never reached
  // the disk (a power cut kept its blocks, not its header): they go, as a
  // record beyond the main file's count does.
  const std::int64_t counted_end = BlockOffset(block_count_);
  if (file_.Size() > counted_end && !file_.Truncate(counted_end))
    return fail("memo file cannot be cut to its blocks");
  return true;
}

bool MemoFile::OpenNewForBulk(const std::string& path) {
  if (!file_.Open(path, false) || !ReloadHeader()) return false;
  bulk_ = true;
  return true;
}

bool MemoFile::FinishBulk() {
  bool flushed = FlushBulk();
  bulk_ = false;
  return flushed && WriteHeaderCounts();
}

bool MemoFile::FlushBulk() {
  bool ok = bulk_pending_.empty() ||
            file_.WriteAt(BlockOffset(bulk_pending_at_), bulk_pending_);
  bulk_pending_.clear();
  return ok;
}

bool MemoFile::WriteBlocks(std::int32_t first, std::string_view bytes) {
  if (!bulk_) return file_.WriteAt(BlockOffset(first), bytes);
  // New blocks of a new file come one after another at its end.
  const std::int64_t pending_end =
      bulk_pending_at_ + std::int64_t(bulk_pending_.size() / fmt::kBlockSize);
  if (bulk_pending_.empty()) {
    bulk_pending_at_ = first;
  } else if (first != pending_end) {
    if (!FlushBulk()) return false;
    bulk_pending_at_ = first;
  }
  bulk_pending_.append(bytes);
  return bulk_pending_.size() < static_cast<std::size_t>(fmt::kBulkBytes) ||
         FlushBulk();
}

bool MemoFile::ReadBlock(std::int32_t b, char* out) {
  if (!read_ahead_) return file_.ReadAt(BlockOffset(b), out, fmt::kBlockSize);
  constexpr std::int32_t kWindowBlocks = 64;
  const std::int64_t have = std::int64_t(window_.size() / fmt::kBlockSize);
  if (b < window_at_ || b >= window_at_ + have) {
    const std::int32_t n = std::min(kWindowBlocks, block_count_ - b);
    window_.resize(static_cast<std::size_t>(n) * fmt::kBlockSize);
    std::int64_t got =
        file_.ReadUpTo(BlockOffset(b), window_.data(), window_.size());
    if (got < fmt::kBlockSize) {
      window_.clear();
      return false;
    }
    window_.resize(static_cast<std::size_t>(got / fmt::kBlockSize) *
                   fmt::kBlockSize);
    window_at_ = b;
  }
  std::memcpy(out,
              window_.data() + std::size_t(b - window_at_) * fmt::kBlockSize,
              fmt::kBlockSize);
  return true;
}

bool MemoFile::ReloadHeader() {
  char h[kCountsSize];
  return file_.ReadAt(fmt::kMemoBlockCountOffset, h, sizeof h) && TakeCounts(h);
}

bool MemoFile::TakeCounts(const char* h) {
  std::int32_t count = GetI32(h), free_count = GetI32(h + kFreeCountAt),
               first_free = GetI32(h + kFirstFreeAt);
  if (count <= 0 || free_count < 0 || free_count > count - 1 ||
      first_free < 0 || first_free > count - 1)
    return false;
  block_count_ = count;
  free_count_ = free_count;
  first_free_ = first_free;
  return true;
}

bool MemoFile::ClampToFile() {
  const std::int64_t whole = file_.Size() / fmt::kBlockSize;
  if (whole < 1 || whole >= block_count_) return false;
  block_count_ = static_cast<std::int32_t>(whole);
  if (free_count_ > block_count_ - 1) free_count_ = block_count_ - 1;
  if (first_free_ >= block_count_) first_free_ = 0, free_count_ = 0;
  return true;
}

bool MemoFile::WriteHeaderCounts() {
  char h[kCountsSize];
  PutI32(h, block_count_);
  PutI32(h + kFreeCountAt, free_count_);
  PutI32(h + kFirstFreeAt, first_free_);
  return file_.WriteAt(fmt::kMemoBlockCountOffset, h, sizeof h);
}

bool MemoFile::ReadBlockHeader(std::int32_t block, std::int32_t* prev,
                               std::int32_t* next, std::int32_t* used) {
  if (block < 1 || block >= block_count_) return false;
  char h[fmt::kBlockHeaderSize];
  if (!file_.ReadAt(BlockOffset(block), h, sizeof h)) return false;
  *prev = GetI32(h + fmt::kBlockPrevOffset);
  *next = GetI32(h + fmt::kBlockNextOffset);
  *used = GetI32(h + fmt::kBlockUsedOffset);
  return *used >= 0 && *used <= fmt::kBlockDataSize;
}

bool MemoFile::ReadChain(std::int32_t first, std::string* out) {
  out->clear();
  char block[fmt::kBlockSize];
  bool reloaded = false;
  std::int64_t steps = 0;
  for (std::int32_t b = first; b != 0;) {
    if (b < 1 || b >= block_count_) {
      // Another writer may have added blocks since we read the header.
      if (reloaded || !ReloadHeader()) return false;
      ClampToFile();
      reloaded = true;
      continue;
    }
    if (++steps > block_count_) return false;  // a loop
    if (!ReadBlock(b, block)) return false;
    std::int32_t used = GetI32(block + fmt::kBlockUsedOffset);
    if (used < 0 || used > fmt::kBlockDataSize) return false;
    out->append(block + fmt::kBlockHeaderSize, static_cast<std::size_t>(used));
    b = GetI32(block + fmt::kBlockNextOffset);
  }
  return true;
}

bool MemoFile::WriteJournal(const Journal& j) {
  return file_.WriteAt(fmt::kMemoJournalOffset, j.Encode());
}

bool MemoFile::ClearJournal() {
  static const char zeros[kJournalSize] = {};
  return file_.WriteAt(fmt::kMemoJournalOffset, zeros, sizeof zeros);
}

// Called with the header lock held: a journal left behind belongs to a writer
// that died (a live one would hold the lock). Finishes it when the new blocks
// were already linked, else puts the file back as it was before that write.
bool MemoFile::RecoverIfNeeded() {
  if (read_only_ || bulk_) return ReloadHeader();
  // The counts and the journal area in one read.
  char head[fmt::kBlockSize - fmt::kMemoBlockCountOffset];
  if (!file_.ReadAt(fmt::kMemoBlockCountOffset, head, sizeof head))
    return false;
  const char* area =
      head + (fmt::kMemoJournalOffset - fmt::kMemoBlockCountOffset);
  Journal j;
  if (!j.Decode(area)) return TakeCounts(head);  // nothing of ours pending
  const std::int64_t whole = file_.Size() / fmt::kBlockSize;
  if (!j.Plausible(GetI32(head), whole)) {
    // Not a record any write of ours leaves: these bytes belong at zero.
    return ClearJournal() && TakeCounts(head);
  }
  if (!IsLinked(j, whole) && !Undo(j)) return false;
  // What the undo put back is on the disk before its record goes.
  return Barrier(&file_) && ClearJournal() && ReloadHeader();
}

bool MemoFile::IsLinked(const Journal& j, std::int64_t whole) {
  char h[4];
  if (j.last != 0) {
    return j.last < whole &&
           file_.ReadAt(BlockOffset(j.last) + fmt::kBlockNextOffset, h, 4) &&
           GetI32(h) == j.new_first;
  }
  return main_file_ != nullptr && main_file_->ReadAt(j.link_offset, h, 4) &&
         GetI32(h) == j.new_first;
}

// The block the chain continued from is left alone: its next and used fields
// change only in the link, and text the dead writer put into its unused
// bytes is not part of the value. Another writer may even have appended to
// it since (appends within a block take no header lock).
bool MemoFile::Undo(const Journal& j) {
  // The taken blocks back on the free list, in their old order.
  std::vector<std::int32_t> taken;
  std::vector<bool> seen(static_cast<std::size_t>(j.old_count), false);
  for (std::int32_t b = j.old_first_free;
       static_cast<std::int32_t>(taken.size()) < j.taken;) {
    if (b < 1 || b >= j.old_count || seen[b]) return false;
    seen[b] = true;
    taken.push_back(b);
    char h[fmt::kBlockHeaderSize];
    if (static_cast<std::int32_t>(taken.size()) < j.taken) {
      if (!file_.ReadAt(BlockOffset(b), h, sizeof h)) return false;
      b = GetI32(h + fmt::kBlockNextOffset);
    }
  }
  for (std::size_t i = 0; i < taken.size(); ++i) {
    char free_block[fmt::kBlockSize] = {};
    PutI32(free_block + fmt::kBlockNextOffset,
           i + 1 < taken.size() ? taken[i + 1] : j.rest_free);
    if (!file_.WriteAt(BlockOffset(taken[i]), free_block, sizeof free_block))
      return false;
  }
  block_count_ = j.old_count;
  free_count_ = j.old_free_count;
  first_free_ = j.old_first_free;
  return WriteHeaderCounts() && file_.Truncate(BlockOffset(j.old_count));
}

bool MemoFile::Append(std::int32_t* first, std::string_view bytes,
                      const NewChainLink& link) {
  if (read_only_) return false;
  if (bytes.empty()) return true;
  window_.clear();
  ChainEnd end;
  if (*first != 0 && !FindChainEnd(*first, &end)) return false;
  if (end.block != 0 &&
      bytes.size() <= std::size_t(fmt::kBlockDataSize - end.used))
    return AppendInLastBlock(end, bytes) && (bulk_ || Barrier(&file_));

  RegionLock lock(&file_, kHeaderLockOffset, kHeaderLockLength, true, bulk_);
  if (!lock.ok()) return false;
  if (!bulk_ && !RecoverIfNeeded()) return false;
  Journal j;
  j.old_count = block_count_;
  j.old_free_count = free_count_;
  j.old_first_free = first_free_;
  j.last = end.block;
  j.link_offset = end.block != 0 ? 0 : link.main_offset;
  const std::string_view fill = bytes.substr(
      0, end.block != 0 ? std::size_t(fmt::kBlockDataSize - end.used) : 0);
  const std::string_view rest = bytes.substr(fill.size());
  std::vector<std::int32_t> blocks;
  if (!TakeBlocks((rest.size() + fmt::kBlockDataSize - 1) / fmt::kBlockDataSize,
                  &blocks, &j))
    return false;
  if (!bulk_ && !WriteJournal(j)) return false;
  if (!fill.empty() &&
      !file_.WriteAt(BlockOffset(end.block) + fmt::kBlockHeaderSize + end.used,
                     fill))
    return false;
  if (!WriteChainBlocks(end.block, blocks, rest)) return false;
  if (bulk_) return LinkNewBlocks(end.block, blocks.front(), first, link);
  // The undo record, the new blocks and the counts reach the disk before
  // the link that makes the blocks part of the value, and the link before
  // the undo record goes: after a power cut a link only ever leads to
  // blocks that are there, and blocks not linked go back to the free list.
  // The cleared record need not reach the disk now: one found again with
  // its link written is only cleared (RecoverIfNeeded).
  return WriteHeaderCounts() && Barrier(&file_) &&
         LinkNewBlocks(end.block, blocks.front(), first, link) &&
         Barrier(end.block != 0 ? &file_ : main_file_) && ClearJournal();
}

// The chain belongs to a record whose lock the caller holds, so nobody
// changes it meanwhile; only the counts in memory may be behind another
// process that added blocks to it.
bool MemoFile::FindChainEnd(std::int32_t first, ChainEnd* end) {
  bool reloaded = false;
  std::int64_t steps = 0;
  for (std::int32_t b = first;;) {
    if ((b < 1 || b >= block_count_) && !reloaded) {
      if (!ReloadHeader()) return false;
      ClampToFile();
      reloaded = true;
    }
    // The whole block, so that an append into it can write its used count
    // and the text in one piece.
    if (b < 1 || b >= block_count_ ||
        !file_.ReadAt(BlockOffset(b), end->bytes, sizeof end->bytes))
      return false;
    const std::int32_t next = GetI32(end->bytes + fmt::kBlockNextOffset);
    const std::int32_t used = GetI32(end->bytes + fmt::kBlockUsedOffset);
    if (used < 0 || used > fmt::kBlockDataSize) return false;
    if (next == 0) {
      end->block = b;
      end->used = used;
      return true;
    }
    if (++steps > block_count_) return false;  // a loop
    b = next;
  }
}

// Needs no undo record and no header lock: the text goes into bytes that
// are not part of the value, and the used count makes it so. Count and text
// go out in one write from the count's offset on, which stays inside the
// block: a write within one page is copied whole before a killed process
// ends, and the 512-byte block is one disk sector, which reaches the disk
// whole. So the count is never there without its text, with durable writes
// too, and nobody sees half an append.
bool MemoFile::AppendInLastBlock(const ChainEnd& end, std::string_view bytes) {
  static_assert(sizeof ChainEnd{}.bytes == fmt::kBlockSize);
  char piece[fmt::kBlockSize];
  const std::size_t kept = fmt::kBlockHeaderSize - fmt::kBlockUsedOffset +
                           static_cast<std::size_t>(end.used);
  std::memcpy(piece, end.bytes + fmt::kBlockUsedOffset, kept);
  PutI32(piece, end.used + static_cast<std::int32_t>(bytes.size()));
  std::memcpy(piece + kept, bytes.data(), bytes.size());
  return file_.WriteAt(BlockOffset(end.block) + fmt::kBlockUsedOffset, piece,
                       kept + bytes.size());
}

// The free list's blocks first, in list order, then new blocks at the end;
// sets the journal's new blocks and the counts in memory to what they are
// after the write.
bool MemoFile::TakeBlocks(std::size_t needed, std::vector<std::int32_t>* blocks,
                          Journal* j) {
  blocks->reserve(needed);
  std::vector<bool> seen;
  std::int32_t free_head = first_free_, free_left = free_count_;
  while (blocks->size() < needed && free_left > 0 && free_head != 0) {
    std::int32_t prev, next, used;
    if (!ReadBlockHeader(free_head, &prev, &next, &used)) return false;
    if (seen.empty()) seen.resize(static_cast<std::size_t>(block_count_));
    if (seen[free_head]) return false;  // the free list loops
    seen[free_head] = true;
    blocks->push_back(free_head);
    free_head = next;
    --free_left;
  }
  if (free_left == 0) free_head = 0;
  j->taken = static_cast<std::int32_t>(blocks->size());
  std::int64_t count = block_count_;
  while (blocks->size() < needed) {
    if (count >= INT32_MAX) return false;
    blocks->push_back(static_cast<std::int32_t>(count++));
  }
  j->new_first = blocks->front();
  j->rest_free = free_head;
  block_count_ = static_cast<std::int32_t>(count);
  free_count_ = free_left;
  first_free_ = free_head;
  return true;
}

// Consecutive blocks go out in one write.
bool MemoFile::WriteChainBlocks(std::int32_t last,
                                const std::vector<std::int32_t>& blocks,
                                std::string_view text) {
  std::string run;
  std::int32_t run_start = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const bool continues =
        !run.empty() &&
        blocks[i] == run_start + std::int64_t(run.size() / fmt::kBlockSize);
    if (!run.empty() && !continues) {
      if (!WriteBlocks(run_start, run)) return false;
      run.clear();
    }
    if (run.empty()) run_start = blocks[i];
    const std::string_view chunk =
        text.substr(i * fmt::kBlockDataSize, fmt::kBlockDataSize);
    char blk[fmt::kBlockSize] = {};
    PutI32(blk + fmt::kBlockPrevOffset, i == 0 ? last : blocks[i - 1]);
    PutI32(blk + fmt::kBlockNextOffset,
           i + 1 < blocks.size() ? blocks[i + 1] : 0);
    PutI32(blk + fmt::kBlockUsedOffset,
           static_cast<std::int32_t>(chunk.size()));
    std::memcpy(blk + fmt::kBlockHeaderSize, chunk.data(), chunk.size());
    run.append(blk, sizeof blk);
  }
  return run.empty() || WriteBlocks(run_start, run);
}

// The write that makes the new blocks part of the value: the last block's
// next and used fields in one write, or the record's reference.
bool MemoFile::LinkNewBlocks(std::int32_t last, std::int32_t new_first,
                             std::int32_t* first, const NewChainLink& link) {
  if (last != 0) {
    char h[8];
    PutI32(h, new_first);
    PutI32(h + fmt::kBlockUsedOffset - fmt::kBlockNextOffset,
           fmt::kBlockDataSize);
    return file_.WriteAt(BlockOffset(last) + fmt::kBlockNextOffset, h,
                         sizeof h);
  }
  if (!link.write || !link.write(new_first)) return false;
  *first = new_first;
  return true;
}

bool MemoFile::Release(const std::vector<std::int32_t>& firsts) {
  if (read_only_) return false;
  window_.clear();
  RegionLock lock(&file_, kHeaderLockOffset, kHeaderLockLength, true, bulk_);
  if (!lock.ok()) return false;
  if (!bulk_ && !RecoverIfNeeded()) return false;
  // Collect the blocks first, then free them in ascending order, so that
  // neighbouring blocks go out in one write and later values reuse them
  // front to back.
  std::vector<bool> seen(static_cast<std::size_t>(block_count_), false);
  std::vector<std::int32_t> blocks;
  bool all_ok = true;
  for (std::int32_t first : firsts) {
    for (std::int32_t b = first; b != 0;) {
      std::int32_t prev, next, used;
      if (!ReadBlockHeader(b, &prev, &next, &used) || seen[b]) {
        all_ok = false;  // broken or shared chain: free what was valid
        break;
      }
      seen[b] = true;
      blocks.push_back(b);
      b = next;
    }
  }
  if (blocks.empty()) return all_ok;
  std::sort(blocks.begin(), blocks.end());
  std::string run;
  std::int32_t run_start = blocks.front();
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (!run.empty() &&
        (blocks[i] != run_start + std::int32_t(run.size() / fmt::kBlockSize) ||
         run.size() >= static_cast<std::size_t>(fmt::kBulkBytes))) {
      if (!file_.WriteAt(BlockOffset(run_start), run)) return false;
      run.clear();
      run_start = blocks[i];
    }
    char free_block[fmt::kBlockSize] = {};
    PutI32(free_block + fmt::kBlockNextOffset,
           i + 1 < blocks.size() ? blocks[i + 1] : first_free_);
    run.append(free_block, sizeof free_block);
  }
  if (!file_.WriteAt(BlockOffset(run_start), run)) return false;
  first_free_ = blocks.front();
  // Blocks a damaged file had on its free list already would count twice;
  // the count must stay one the header may hold.
  free_count_ = static_cast<std::int32_t>(std::min<std::int64_t>(
      std::int64_t{free_count_} + std::int64_t(blocks.size()),
      block_count_ - 1));
  return WriteHeaderCounts() && all_ok;
}

bool MemoFile::HasPendingWrite() {
  char tag[4];
  return !file_.ReadAt(fmt::kMemoJournalOffset, tag, 4) || GetI32(tag) != 0;
}

bool MemoFile::Recover() {
  RegionLock lock(&file_, kHeaderLockOffset, kHeaderLockLength, true,
                  read_only_);
  return lock.ok() && RecoverIfNeeded();
}

// The counts are read again: another opener may have added blocks since
// they were last read, which the records copied with this file refer to.
bool MemoFile::CopyTo(const std::string& path, double created,
                      std::uint64_t pair_id) {
  if (HasPendingWrite() || !ReloadHeader()) return false;
  PosixFile out;
  if (!out.Create(path)) return false;
  bool ok = CopyRange(file_, 0, &out, 0, BlockOffset(block_count_));
  char date[8], id[8];
  PutF64(date, created);
  PutI64(id, static_cast<std::int64_t>(pair_id));
  ok = ok && out.WriteAt(fmt::kMemoCreatedOffset, date, sizeof date) &&
       out.WriteAt(fmt::kMemoPairIdOffset, id, sizeof id) &&
       (!DurableWrites() || out.Sync());
  if (!ok) {
    out.Close();
    RemoveFile(path);
  }
  return ok;
}

}  // namespace matslip
