#include "store/memo_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "store/durability.h"
#include "store/format.h"

namespace matslip {

namespace {

constexpr std::uint32_t kJournalTag = 0x314E524A;  // "JRN1"
constexpr int kJournalFixed = 44;
constexpr int kJournalArea = fmt::kBlockSize - fmt::kMemoJournalOffset;
constexpr int kMaxPopped = (kJournalArea - kJournalFixed) / 4;
constexpr std::int64_t kHeaderLockOffset = fmt::kMemoBlockCountOffset;
constexpr std::int64_t kHeaderLockLength = fmt::kBlockSize - kHeaderLockOffset;

std::int64_t BlockOffset(std::int32_t block) {
  return std::int64_t{block} * fmt::kBlockSize;
}

}  // namespace

// The undo record of a memo write that takes new blocks.
struct MemoFile::Journal {
  std::int32_t old_count = 0, old_free_count = 0, old_first_free = 0;
  std::int32_t new_first = 0;        // first block added to the chain
  std::int32_t last = 0;             // block the chain continued from, 0 if new
  std::int32_t old_used = 0;         // its used bytes before the write
  std::int64_t link_offset = 0;      // main-file offset of a new chain's link
  std::int32_t rest_free = 0;        // free list after the blocks taken from it
  std::vector<std::int32_t> popped;  // blocks taken from the free list

  std::string Encode() const {
    std::string b(static_cast<std::size_t>(kJournalArea), '\0');
    char* p = b.data();
    PutI32(p, static_cast<std::int32_t>(kJournalTag));
    PutI32(p + 4, old_count);
    PutI32(p + 8, old_free_count);
    PutI32(p + 12, old_first_free);
    PutI32(p + 16, new_first);
    PutI32(p + 20, last);
    PutI32(p + 24, old_used);
    PutI64(p + 28, link_offset);
    PutI32(p + 36, rest_free);
    PutI32(p + 40, static_cast<std::int32_t>(popped.size()));
    for (std::size_t i = 0; i < popped.size(); ++i)
      PutI32(p + kJournalFixed + 4 * i, popped[i]);
    return b;
  }

  // False when the bytes are not a journal of ours (or are damaged).
  bool Decode(const char* p) {
    if (static_cast<std::uint32_t>(GetI32(p)) != kJournalTag) return false;
    old_count = GetI32(p + 4);
    old_free_count = GetI32(p + 8);
    old_first_free = GetI32(p + 12);
    new_first = GetI32(p + 16);
    last = GetI32(p + 20);
    old_used = GetI32(p + 24);
    link_offset = GetI64(p + 28);
    rest_free = GetI32(p + 36);
    std::int32_t n = GetI32(p + 40);
    if (n < 0 || n > kMaxPopped || old_count < 1 || old_used < 0 ||
        old_used > fmt::kBlockDataSize || old_free_count < 0 || link_offset < 0)
      return false;
    popped.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) popped[i] = GetI32(p + kJournalFixed + 4 * i);
    return true;
  }

  // Whether a write of ours can have left this record in a file whose header
  // now counts `count` blocks and that holds `whole` blocks: such a write
  // only ever adds blocks, and everything it names lies in the old file.
  bool Plausible(std::int32_t count, std::int64_t whole) const {
    auto old_block = [&](std::int32_t b) { return b >= 1 && b < old_count; };
    if (old_count > count || old_count > whole ||
        old_free_count > old_count - 1 || old_first_free < 0 ||
        old_first_free >= old_count || new_first < 1 || last < 0 ||
        last >= old_count || rest_free < 0 || rest_free >= old_count)
      return false;
    for (std::int32_t b : popped)
      if (!old_block(b)) return false;
    return true;
  }
};

bool MemoFile::CreateEmpty(const std::string& path, double created) {
  PosixFile f;
  if (!f.Create(path)) return false;
  char block[fmt::kBlockSize] = {};
  std::memcpy(block, fmt::kMemoMagic, 4);
  PutI32(block + 4, fmt::kVersion);
  PutF64(block + 8, created);
  PutI32(block + fmt::kMemoBlockCountOffset, 1);
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
  if (GetI32(head + 4) != version) return fail("memo version differs");
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
  return true;
}

bool MemoFile::OpenNewForBulk(const std::string& path) {
  if (!file_.Open(path, false)) return false;
  bulk_ = true;
  block_count_ = 1;
  free_count_ = 0;
  first_free_ = 0;
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
  char h[12];
  return file_.ReadAt(fmt::kMemoBlockCountOffset, h, sizeof h) && TakeCounts(h);
}

bool MemoFile::TakeCounts(const char* h) {
  std::int32_t count = GetI32(h), free_count = GetI32(h + 4),
               first_free = GetI32(h + 8);
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
  char h[12];
  PutI32(h, block_count_);
  PutI32(h + 4, free_count_);
  PutI32(h + 8, first_free_);
  return file_.WriteAt(fmt::kMemoBlockCountOffset, h, sizeof h);
}

bool MemoFile::ReadBlockHeader(std::int32_t block, std::int32_t* prev,
                               std::int32_t* next, std::int32_t* used) {
  if (block < 1 || block >= block_count_) return false;
  char h[fmt::kBlockHeaderSize];
  if (!file_.ReadAt(BlockOffset(block), h, sizeof h)) return false;
  *prev = GetI32(h);
  *next = GetI32(h + 4);
  *used = GetI32(h + 8);
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
    std::int32_t used = GetI32(block + 8);
    if (used < 0 || used > fmt::kBlockDataSize) return false;
    out->append(block + fmt::kBlockHeaderSize, static_cast<std::size_t>(used));
    b = GetI32(block + 4);
  }
  return true;
}

bool MemoFile::WriteJournal(const Journal& j) {
  return file_.WriteAt(fmt::kMemoJournalOffset, j.Encode());
}

bool MemoFile::ClearJournal() {
  static const char zeros[kJournalArea] = {};
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
  if (!j.Plausible(GetI32(head), file_.Size() / fmt::kBlockSize)) {
    // Not a record any write of ours leaves: these bytes belong at zero.
    return ClearJournal() && TakeCounts(head);
  }
  std::int64_t whole = file_.Size() / fmt::kBlockSize;
  bool linked = false;
  if (j.last != 0) {
    char h[8];
    linked = j.last < whole && file_.ReadAt(BlockOffset(j.last) + 4, h, 4) &&
             GetI32(h) == j.new_first && j.new_first != 0;
  } else if (main_file_ != nullptr) {
    char h[4];
    linked = main_file_->ReadAt(j.link_offset, h, 4) &&
             GetI32(h) == j.new_first && j.new_first != 0;
  }
  if (!linked) {
    // Give the blocks taken from the free list back, in their old order.
    for (std::size_t i = 0; i < j.popped.size(); ++i) {
      std::int32_t b = j.popped[i];
      if (b < 1 || b >= j.old_count) continue;
      char h[fmt::kBlockSize] = {};
      PutI32(h + 4, i + 1 < j.popped.size() ? j.popped[i + 1] : j.rest_free);
      if (!file_.WriteAt(BlockOffset(b), h, sizeof h)) return false;
    }
    if (j.last != 0 && j.last < j.old_count) {
      char tail[fmt::kBlockDataSize] = {};
      std::size_t n =
          static_cast<std::size_t>(fmt::kBlockDataSize - j.old_used);
      if (!file_.WriteAt(
              BlockOffset(j.last) + fmt::kBlockHeaderSize + j.old_used, tail,
              n))
        return false;
      char h[8];
      PutI32(h, 0);
      PutI32(h + 4, j.old_used);
      if (!file_.WriteAt(BlockOffset(j.last) + 4, h, sizeof h)) return false;
    }
    block_count_ = j.old_count;
    free_count_ = j.old_free_count;
    first_free_ = j.old_first_free;
    if (!WriteHeaderCounts()) return false;
    if (!file_.Truncate(BlockOffset(j.old_count))) return false;
  }
  if (!ClearJournal()) return false;
  return ReloadHeader();
}

bool MemoFile::Append(std::int32_t* first, std::string_view bytes,
                      const NewChainLink& link) {
  if (read_only_) return false;
  if (bytes.empty()) return true;
  window_.clear();
  RegionLock lock(&file_, kHeaderLockOffset, kHeaderLockLength, true, bulk_);
  if (!lock.ok()) return false;
  if (!bulk_ && !RecoverIfNeeded()) return false;

  // Find the end of the existing chain.
  std::int32_t last = 0, last_used = 0;
  if (*first != 0) {
    std::int64_t steps = 0;
    for (std::int32_t b = *first;;) {
      std::int32_t prev, next, used;
      if (!ReadBlockHeader(b, &prev, &next, &used)) return false;
      if (next == 0) {
        last = b;
        last_used = used;
        break;
      }
      if (++steps > block_count_) return false;
      b = next;
    }
  }
  std::size_t room = last ? std::size_t(fmt::kBlockDataSize - last_used) : 0;
  std::size_t fill = std::min(room, bytes.size());
  if (fill > 0 &&
      !file_.WriteAt(BlockOffset(last) + fmt::kBlockHeaderSize + last_used,
                     bytes.data(), fill))
    return false;
  if (fill == bytes.size()) {
    char h[4];
    PutI32(h, static_cast<std::int32_t>(last_used + fill));
    return file_.WriteAt(BlockOffset(last) + 8, h, 4);
  }

  // Blocks for the rest: from the free list first, then new at the end.
  std::string_view rest = bytes.substr(fill);
  std::size_t needed =
      (rest.size() + fmt::kBlockDataSize - 1) / fmt::kBlockDataSize;
  Journal j;
  j.old_count = block_count_;
  j.old_free_count = free_count_;
  j.old_first_free = first_free_;
  j.last = last;
  j.old_used = last_used;
  j.link_offset = last ? 0 : link.main_offset;
  std::vector<std::int32_t> blocks;
  blocks.reserve(needed);
  std::int32_t free_head = first_free_, free_left = free_count_;
  while (blocks.size() < needed && free_left > 0 && free_head != 0 &&
         static_cast<int>(j.popped.size()) < kMaxPopped) {
    std::int32_t prev, next, used;
    if (!ReadBlockHeader(free_head, &prev, &next, &used)) return false;
    if (std::find(blocks.begin(), blocks.end(), free_head) != blocks.end())
      return false;  // the free list loops
    blocks.push_back(free_head);
    j.popped.push_back(free_head);
    free_head = next;
    --free_left;
  }
  if (free_left == 0) free_head = 0;
  std::int64_t count = block_count_;
  while (blocks.size() < needed) {
    if (count >= INT32_MAX) return false;
    blocks.push_back(static_cast<std::int32_t>(count++));
  }
  j.new_first = blocks.front();
  j.rest_free = free_head;
  if (!bulk_ && !WriteJournal(j)) return false;

  // Write the new blocks; consecutive ones at the end go out in one write.
  std::string buf;
  std::int64_t run_start = -1;
  auto flush = [&]() {
    bool ok =
        buf.empty() || WriteBlocks(static_cast<std::int32_t>(run_start), buf);
    buf.clear();
    run_start = -1;
    return ok;
  };
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    char blk[fmt::kBlockSize] = {};
    std::string_view chunk =
        rest.substr(i * fmt::kBlockDataSize, fmt::kBlockDataSize);
    PutI32(blk, i == 0 ? last : blocks[i - 1]);
    PutI32(blk + 4, i + 1 < blocks.size() ? blocks[i + 1] : 0);
    PutI32(blk + 8, static_cast<std::int32_t>(chunk.size()));
    std::memcpy(blk + fmt::kBlockHeaderSize, chunk.data(), chunk.size());
    bool contiguous =
        run_start >= 0 &&
        blocks[i] == run_start + std::int64_t(buf.size() / fmt::kBlockSize);
    if (!contiguous && !flush()) return false;
    if (run_start < 0) run_start = blocks[i];
    buf.append(blk, sizeof blk);
  }
  if (!flush()) return false;

  block_count_ = static_cast<std::int32_t>(count);
  free_count_ = free_left;
  first_free_ = free_head;
  if (!bulk_ && !WriteHeaderCounts()) return false;

  // The link makes the new blocks part of the value.
  if (last != 0) {
    char h[8];
    PutI32(h, blocks.front());
    PutI32(h + 4, fmt::kBlockDataSize);
    if (!file_.WriteAt(BlockOffset(last) + 4, h, sizeof h)) return false;
  } else {
    if (!link.write || !link.write(blocks.front())) return false;
    *first = blocks.front();
  }
  return bulk_ || ClearJournal();
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
    PutI32(free_block + 4, i + 1 < blocks.size() ? blocks[i + 1] : first_free_);
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

bool MemoFile::CopyTo(const std::string& path, double created) {
  if (HasPendingWrite()) return false;
  PosixFile out;
  if (!out.Create(path)) return false;
  const std::int64_t length = BlockOffset(block_count_);
  bool ok = true;
  std::int64_t done = 0;
  // The kernel copies without the bytes passing through here; where it
  // cannot, a plain read and write loop does.
  while (ok && done < length) {
    loff_t in_at = done, out_at = done;
    ssize_t n = ::copy_file_range(file_.fd(), &in_at, out.fd(), &out_at,
                                  static_cast<std::size_t>(length - done), 0);
    if (n > 0) {
      done += n;
      continue;
    }
    std::string chunk(static_cast<std::size_t>(
                          std::min<std::int64_t>(length - done, 1 << 20)),
                      '\0');
    ok = file_.ReadAt(done, chunk.data(), chunk.size()) &&
         out.WriteAt(done, chunk);
    done += static_cast<std::int64_t>(chunk.size());
  }
  char date[8];
  PutF64(date, created);
  ok = ok && out.WriteAt(8, date, sizeof date) &&
       (!DurableWrites() || out.Sync());
  if (!ok) {
    out.Close();
    ::unlink(path.c_str());
  }
  return ok;
}

bool MemoFile::Reset() {
  if (read_only_) return false;
  RegionLock lock(&file_, kHeaderLockOffset, kHeaderLockLength, true, bulk_);
  if (!lock.ok()) return false;
  block_count_ = 1;
  free_count_ = 0;
  first_free_ = 0;
  return WriteHeaderCounts() && ClearJournal() &&
         file_.Truncate(fmt::kBlockSize);
}

}  // namespace matslip
