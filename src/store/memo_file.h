#pragma once
// The memo file (.edt) of a table: 512-byte blocks, block 0 the header, every
// value a chain of blocks of up to 500 data bytes, freed blocks on a list.
//
// Writes are crash-safe. Text that fits into the chain's last block goes into
// its unused bytes before the used count. Writes that take new blocks write
// an undo record into the header block's reserved bytes first and clear it
// when the write is complete; a write cut short (the process killed) is
// rolled back by the next writer or opener, so the file never keeps half a
// chain or a leaked block.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_io.h"

namespace matslip {

class MemoFile {
 public:
  // Where the reference to a new chain's first block is stored: the byte
  // offset of a record's field in the main file. The journal keeps it so that
  // recovery can tell whether the link was written.
  struct NewChainLink {
    std::int64_t main_offset = 0;
    // Stores the first block's number into the record.
    std::function<bool(std::int32_t)> write;
  };

  // Writes an empty memo file (the 512-byte header block) at `path`, with
  // `pair_id` as the id of the pair it belongs to (0: none).
  static bool CreateEmpty(const std::string& path, double created,
                          std::uint64_t pair_id = 0);

  // Opens and checks the memo file; repairs a short file (and finishes or
  // rolls back an interrupted write) unless read-only. `main_file` is the
  // table's main file, read during recovery. Before a short file's counts
  // are lowered, `before_repair` (when set) is told how many counted blocks
  // are missing; when it returns false nothing is written and the open fails.
  bool Open(const std::string& path, bool read_only, std::int32_t version,
            PosixFile* main_file, std::string* why,
            const std::function<bool(std::int32_t blocks_lost)>& before_repair =
                nullptr);
  // Adopts a file nobody else has open yet (a new one, or a copy being
  // made into a new table) for bulk writing: no journal, no locks; new
  // blocks are collected and written in large pieces, the header's counts
  // once by FinishBulk.
  bool OpenNewForBulk(const std::string& path);
  bool FinishBulk();

  // While on, ReadChain serves blocks from a window of the file read in one
  // piece, which pays when chains lie one after another. Only for scans that
  // hold the table's whole-file lock, so nobody changes a chain meanwhile.
  void SetReadAhead(bool on) {
    read_ahead_ = on;
    window_.clear();
  }

  // The value of the chain starting at `first` (0 = empty). False when the
  // chain leaves the file, loops or has a bad used-byte count.
  bool ReadChain(std::int32_t first, std::string* out);
  // Appends `bytes` to the chain at `*first`; a chain that is still empty
  // (0) gets a new one, linked through `link`. Updates `*first`. With
  // durable writes (and not in bulk), the text and its link are on the disk
  // when it returns.
  bool Append(std::int32_t* first, std::string_view bytes,
              const NewChainLink& link);
  // Releases the chains starting at `firsts` for reuse.
  bool Release(const std::vector<std::int32_t>& firsts);
  // Whether another process's write is pending in the file (its undo record
  // is set), or the record cannot be read.
  bool HasPendingWrite();
  // Finishes or undoes a write whose writer died, and reads the counts
  // again. Only while no other writer can be at work (the table's
  // whole-file lock is held).
  bool Recover();
  // Writes a copy of the file's counted blocks (as the header counts them
  // now) to `path` with `created` as its creation time and `pair_id` as its
  // pair's id, for a table copy that keeps every memo reference.
  // False (nothing left at `path`) when a write of another process is
  // pending in the file or the copy fails.
  bool CopyTo(const std::string& path, double created, std::uint64_t pair_id);

  PosixFile& file() { return file_; }
  std::int32_t block_count() const { return block_count_; }
  std::int32_t free_count() const { return free_count_; }
  std::int32_t first_free() const { return first_free_; }
  // Re-reads the header's counts; false when they are out of range.
  bool ReloadHeader();

 private:
  struct Journal;
  // The last block of a chain and the data bytes it uses.
  struct ChainEnd {
    std::int32_t block = 0;
    std::int32_t used = 0;
    char bytes[512];  // the whole block as read (fmt::kBlockSize)
  };
  bool WriteHeaderCounts();
  // Reads the header's counts; with the header lock held and writing allowed,
  // first finishes or undoes a write a dead writer left (see the journal).
  bool RecoverIfNeeded();
  // Whether the dead writer of `j` wrote its link (the file holds `whole`
  // blocks).
  bool IsLinked(const Journal& j, std::int64_t whole);
  // Puts the free list, the counts and the file's length back as they were
  // before the write of `j`.
  bool Undo(const Journal& j);
  // Takes the three counts at `h` (the header from offset 16) when in range.
  bool TakeCounts(const char* h);
  // Lowers the counts (in memory) to the blocks the file really holds; true
  // when they were lowered.
  bool ClampToFile();
  bool ReadBlockHeader(std::int32_t block, std::int32_t* prev,
                       std::int32_t* next, std::int32_t* used);
  bool WriteJournal(const Journal& j);
  bool ClearJournal();

  // The steps of Append. The text either fits into the unused bytes of the
  // chain's last block, or it fills them and continues in new blocks.
  bool FindChainEnd(std::int32_t first, ChainEnd* end);
  bool AppendInLastBlock(const ChainEnd& end, std::string_view bytes);
  // Picks `needed` blocks for the new part of a chain and records them in
  // `j`.
  bool TakeBlocks(std::size_t needed, std::vector<std::int32_t>* blocks,
                  Journal* j);
  // Writes `text` into `blocks`, chained after `last` (0: a new chain).
  bool WriteChainBlocks(std::int32_t last,
                        const std::vector<std::int32_t>& blocks,
                        std::string_view text);
  bool LinkNewBlocks(std::int32_t last, std::int32_t new_first,
                     std::int32_t* first, const NewChainLink& link);

  // Writes blocks [first, first + bytes / 512) (bulk: collected first).
  bool WriteBlocks(std::int32_t first, std::string_view bytes);
  bool FlushBulk();
  // The 512 bytes of block `b`, through the read-ahead window when on.
  bool ReadBlock(std::int32_t b, char* out);

  PosixFile file_;
  PosixFile* main_file_ = nullptr;
  bool read_only_ = false;
  bool bulk_ = false;
  std::int32_t block_count_ = 1;
  std::int32_t free_count_ = 0;
  std::int32_t first_free_ = 0;

  std::string bulk_pending_;          // bulk: blocks not yet written
  std::int32_t bulk_pending_at_ = 0;  // block number of its first block
  bool read_ahead_ = false;
  std::string window_;  // read-ahead: blocks from window_at_
  std::int32_t window_at_ = 0;
};

}  // namespace matslip
