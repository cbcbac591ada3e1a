#include "store/table_check.h"

#include <cstring>

#include "store/file_io.h"
#include "store/format.h"
#include "store/table.h"

namespace matslip {

namespace {

enum BlockState : unsigned char { kUnseen = 0, kUsed = 1, kFree = 2 };

// Walks every memo chain of every record and the free list.
void CheckMemo(Table& table, std::vector<std::string>* problems) {
  MemoFile& memo = *table.memo();
  PosixFile& f = memo.file();
  const std::int32_t count = memo.block_count();
  auto problem = [&](std::string s) { problems->push_back(std::move(s)); };

  char journal[4];
  if (f.ReadAt(fmt::kMemoJournalOffset, journal, 4) && GetI32(journal) != 0)
    problem(
        "memo file: an interrupted write is pending (opening the table for "
        "writing finishes or undoes it)");
  std::int64_t whole = f.Size() / fmt::kBlockSize;
  char claimed_bytes[4];
  const std::int32_t claimed =
      f.ReadAt(fmt::kMemoBlockCountOffset, claimed_bytes, 4)
          ? GetI32(claimed_bytes)
          : count;
  if (whole < claimed) {
    problem("memo file: header claims " + std::to_string(claimed) +
            " blocks, the file holds " + std::to_string(whole));
    return;
  }
  if (f.Size() != std::int64_t{count} * fmt::kBlockSize)
    problem("memo file: " +
            std::to_string(f.Size() - std::int64_t{count} * fmt::kBlockSize) +
            " bytes after the last block");

  std::vector<unsigned char> state(static_cast<std::size_t>(count), kUnseen);
  std::vector<std::int32_t> chain_of(static_cast<std::size_t>(count), 0);
  std::int32_t chain_number = 0;
  auto read_header = [&](std::int32_t b, std::int32_t h[3]) {
    char bytes[fmt::kBlockHeaderSize];
    if (!f.ReadAt(std::int64_t{b} * fmt::kBlockSize, bytes, sizeof bytes))
      return false;
    h[0] = GetI32(bytes);
    h[1] = GetI32(bytes + 4);
    h[2] = GetI32(bytes + 8);
    return true;
  };

  const Schema& schema = table.schema();
  table.ForEachRecord([&](int index, const char* rec) {
    for (const FieldDef& fd : schema.fields()) {
      if (!IsMemoType(fd.type)) continue;
      std::int32_t b = GetI32(rec + fd.offset), prev = 0;
      if (b == 0) continue;
      ++chain_number;
      std::string where =
          "record " + std::to_string(index + 1) + " field " + fd.name;
      while (b != 0) {
        if (b < 1 || b >= count) {
          problem(where + ": chain leaves the file at block " +
                  std::to_string(b));
          break;
        }
        if (state[b] == kUsed) {
          problem(where +
                  (chain_of[b] == chain_number ? ": chain loops at block "
                                               : ": chain shares block ") +
                  std::to_string(b));
          break;
        }
        state[b] = kUsed;
        chain_of[b] = chain_number;
        std::int32_t h[3];
        if (!read_header(b, h)) {
          problem(where + ": block " + std::to_string(b) + " cannot be read");
          break;
        }
        if (h[0] != prev)
          problem(where + ": block " + std::to_string(b) + " links back to " +
                  std::to_string(h[0]) + " instead of " + std::to_string(prev));
        if (h[2] < 0 || h[2] > fmt::kBlockDataSize)
          problem(where + ": block " + std::to_string(b) + " claims " +
                  std::to_string(h[2]) + " used bytes");
        prev = b;
        b = h[1];
      }
    }
    return true;
  });

  std::int32_t b = memo.first_free();
  for (std::int32_t i = 0; i < memo.free_count(); ++i) {
    if (b < 1 || b >= count || state[b] != kUnseen) {
      problem("memo file: free list damaged at block " + std::to_string(b) +
              (b >= 1 && b < count && state[b] == kUsed
                   ? " (in use by a record)"
                   : ""));
      break;
    }
    state[b] = kFree;
    std::int32_t h[3];
    if (!read_header(b, h)) break;
    b = h[1];
  }

  std::int32_t orphans = 0, first_orphan = 0;
  for (std::int32_t i = 1; i < count; ++i) {
    if (state[i] == kUnseen && orphans++ == 0) first_orphan = i;
  }
  if (orphans > 0)
    problem("memo file: " + std::to_string(orphans) +
            " blocks neither used nor free (first: " +
            std::to_string(first_orphan) + ")");
}

}  // namespace

std::vector<std::string> CheckTable(const std::string& path) {
  std::vector<std::string> problems;
  OpenOptions options;
  options.read_only = true;
  std::string why;
  std::unique_ptr<Table> table = Table::Open(path, options, &why);
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
  if (size > expected)
    problems.push_back(std::to_string(size - expected) +
                       " bytes after the last record");
  if (table->memo()) CheckMemo(*table, &problems);
  return problems;
}

}  // namespace matslip
