#include "store/table_check.h"

#include <algorithm>
#include <cstring>

#include "store/file_io.h"
#include "store/format.h"
#include "store/table.h"

namespace matslip {

namespace {

constexpr char kInUse[] =
    ": in use by another program (it holds a lock on the file); nothing was "
    "checked, try again";

enum BlockState : unsigned char { kUnseen = 0, kUsed = 1, kFree = 2 };

// Walks every memo chain of every record and the free list, and accounts for
// every block: used by one chain, or free.
class MemoCheck {
 public:
  MemoCheck(Table& table, bool with_unused_space,
            std::vector<std::string>* problems)
      : with_unused_space_(with_unused_space),
        table_(table),
        memo_(*table.memo()),
        file_(memo_.file()),
        count_(memo_.block_count()),
        problems_(problems) {}

  void Run() {
    CheckPendingWrite();
    if (!CheckLength()) return;
    if (!LoadHeaders()) {
      Problem("memo file: its blocks cannot be read");
      return;
    }
    state_.assign(static_cast<std::size_t>(count_), kUnseen);
    chain_of_.assign(static_cast<std::size_t>(count_), 0);
    CheckChains();
    CheckFreeList();
    if (with_unused_space_) CheckEveryBlockAccounted();
  }

 private:
  struct BlockHeader {
    std::int32_t prev = 0, next = 0, used = 0;
  };

  void Problem(std::string s) { problems_->push_back(std::move(s)); }

  // Every block's header, read in large pieces from the start of the file
  // to its end: one read a block, as the chains lead, took most of the
  // check's time on a large memo file.
  bool LoadHeaders() {
    constexpr std::int32_t kPieceBlocks = 2048;  // 1 MiB
    headers_.resize(static_cast<std::size_t>(count_));
    std::string piece;
    for (std::int32_t first = 0; first < count_; first += kPieceBlocks) {
      const std::int32_t n = std::min(kPieceBlocks, count_ - first);
      piece.resize(static_cast<std::size_t>(n) * fmt::kBlockSize);
      if (!file_.ReadAt(std::int64_t{first} * fmt::kBlockSize, piece.data(),
                        piece.size()))
        return false;
      for (std::int32_t i = 0; i < n; ++i) {
        const char* bytes = piece.data() + std::size_t(i) * fmt::kBlockSize;
        headers_[static_cast<std::size_t>(first + i)] = {
            GetI32(bytes + fmt::kBlockPrevOffset),
            GetI32(bytes + fmt::kBlockNextOffset),
            GetI32(bytes + fmt::kBlockUsedOffset)};
      }
    }
    return true;
  }

  void CheckPendingWrite() {
    char journal[4];
    if (file_.ReadAt(fmt::kMemoJournalOffset, journal, 4) &&
        GetI32(journal) != 0)
      Problem(
          "memo file: an interrupted write is pending (opening the table for "
          "writing finishes or undoes it)");
  }

  // False when the header claims more blocks than the file holds: then the
  // chains cannot be walked.
  bool CheckLength() {
    const std::int64_t size = file_.Size();
    const std::int64_t whole = size / fmt::kBlockSize;
    char claimed_bytes[4];
    const std::int32_t claimed =
        file_.ReadAt(fmt::kMemoBlockCountOffset, claimed_bytes, 4)
            ? GetI32(claimed_bytes)
            : count_;
    if (whole < claimed) {
      Problem("memo file: header claims " + std::to_string(claimed) +
              " blocks, the file holds " + std::to_string(whole));
      return false;
    }
    const std::int64_t counted = std::int64_t{count_} * fmt::kBlockSize;
    if (size != counted && with_unused_space_)
      Problem("memo file: " + std::to_string(size - counted) +
              " bytes after the last block");
    return true;
  }

  void CheckChains() {
    const Schema& schema = table_.schema();
    table_.ForEachRecord([&](int index, const char* rec) {
      for (const FieldDef& fd : schema.fields()) {
        if (!IsMemoType(fd.type)) continue;
        const std::int32_t first = GetI32(rec + fd.offset);
        if (first == 0) continue;
        CheckChain(first,
                   "record " + std::to_string(index + 1) + " field " + fd.name);
      }
      return true;
    });
  }

  void CheckChain(std::int32_t first, const std::string& where) {
    ++chain_number_;
    for (std::int32_t b = first, prev = 0; b != 0;) {
      if (b < 1 || b >= count_) {
        Problem(where + ": chain leaves the file at block " +
                std::to_string(b));
        return;
      }
      if (state_[b] == kUsed) {
        Problem(where +
                (chain_of_[b] == chain_number_ ? ": chain loops at block "
                                               : ": chain shares block ") +
                std::to_string(b));
        return;
      }
      state_[b] = kUsed;
      chain_of_[b] = chain_number_;
      const BlockHeader& h = headers_[static_cast<std::size_t>(b)];
      if (h.prev != prev)
        Problem(where + ": block " + std::to_string(b) + " links back to " +
                std::to_string(h.prev) + " instead of " + std::to_string(prev));
      if (h.used < 0 || h.used > fmt::kBlockDataSize)
        Problem(where + ": block " + std::to_string(b) + " claims " +
                std::to_string(h.used) + " used bytes");
      prev = b;
      b = h.next;
    }
  }

  void CheckFreeList() {
    std::int32_t b = memo_.first_free();
    for (std::int32_t i = 0; i < memo_.free_count(); ++i) {
      if (b < 1 || b >= count_ || state_[b] != kUnseen) {
        Problem("memo file: free list damaged at block " + std::to_string(b) +
                (b >= 1 && b < count_ && state_[b] == kUsed
                     ? " (in use by a record)"
                     : ""));
        return;
      }
      state_[b] = kFree;
      b = headers_[static_cast<std::size_t>(b)].next;
    }
  }

  void CheckEveryBlockAccounted() {
    std::int32_t orphans = 0, first_orphan = 0;
    for (std::int32_t i = 1; i < count_; ++i) {
      if (state_[i] == kUnseen && orphans++ == 0) first_orphan = i;
    }
    if (orphans > 0)
      Problem("memo file: " + std::to_string(orphans) +
              " blocks neither used nor free (first: " +
              std::to_string(first_orphan) + ")");
  }

  const bool with_unused_space_;
  Table& table_;
  MemoFile& memo_;
  PosixFile& file_;
  const std::int32_t count_;
  std::vector<std::string>* problems_;
  std::vector<BlockHeader> headers_;  // of every block
  std::vector<unsigned char> state_;  // BlockState of every block
  std::vector<std::int32_t> chain_of_;
  std::int32_t chain_number_ = 0;
};

std::vector<std::string> Check(const std::string& path,
                               bool with_unused_space) {
  std::vector<std::string> problems;
  OpenOptions options;
  options.read_only = true;
  std::string why;
  const BusyWatch busy;
  std::unique_ptr<Table> table = Table::Open(path, options, &why);
  if (busy.busy()) {
    problems.push_back(path + kInUse);
    return problems;
  }
  if (!table) {
    problems.push_back(why.empty() ? "cannot be opened" : why);
    return problems;
  }
  std::int32_t count, next_id;
  if (!table->ReadCounts(&count, &next_id)) {
    problems.push_back("counts cannot be read");
    return problems;
  }
  std::int64_t expected = table->schema().header_length() +
                          std::int64_t{count} * table->schema().record_length();
  std::int64_t size = table->file().Size();
  if (size > expected && with_unused_space)
    problems.push_back(std::to_string(size - expected) +
                       " bytes after the last record");
  if (table->memo()) MemoCheck(*table, with_unused_space, &problems).Run();
  return problems;
}

}  // namespace

std::vector<std::string> CheckTable(const std::string& path) {
  return Check(path, true);
}

std::vector<std::string> CheckTableDamage(const std::string& path) {
  return Check(path, false);
}

}  // namespace matslip
