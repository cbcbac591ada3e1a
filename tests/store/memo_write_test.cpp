// Memo writes: which blocks a write takes, and what a writer killed in the
// middle of one leaves for the next opener.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "store/db.h"
#include "store/file_io.h"
#include "store/format.h"
#include "store/table_check.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::CreateTable;
using testing::ReadTestFile;
using testing::SmallSchema;
using testing::WriteTestFile;

constexpr int kMemoField = 3;  // 1-based, as DbWriteMemo takes it
constexpr int kMemoIndex = kMemoField - 1;

// Runs `body` in a child process whose files may not grow beyond `limit`
// bytes: the write that would cross it kills the child (SIGXFSZ), as a crash
// at that moment would. True when the child died of that signal.
bool KilledWhenFileReaches(std::int64_t limit,
                           const std::function<void()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_DFL);
    rlimit r{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    ::setrlimit(RLIMIT_FSIZE, &r);
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
}

// `size` letters from `first` on, round the alphabet.
std::string Text(std::size_t size, char first) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    s[i] = static_cast<char>('a' + (first - 'a' + i) % 26);
  return s;
}

class MemoWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("t.mzk");
    edt_ = dir_.File("t.edt");
    ASSERT_TRUE(CreateTable(path_, SmallSchema()));
    ASSERT_TRUE(DbOpen(path_, "t"));
  }

  // Record 1 keeps `kept`; a second record's text of `blocks` full blocks
  // is purged, which leaves those blocks on the free list in ascending order.
  void MakeFreeBlocks(int blocks, const std::string& kept) {
    ASSERT_TRUE(DbAppend({"keep"}));
    ASSERT_TRUE(DbWriteMemo(kMemoField, kept));
    ASSERT_TRUE(DbAppend({"gone"}));
    ASSERT_TRUE(DbWriteMemo(kMemoField, std::string(blocks * 500, 'g')));
    ASSERT_TRUE(DbDelete());
    ASSERT_TRUE(DbPurge());
    ASSERT_EQ(FreeCount(), blocks);
  }

  std::int32_t HeaderAt(int offset) {
    return GetI32(ReadTestFile(edt_).data() + offset);
  }
  std::int32_t FreeCount() { return HeaderAt(fmt::kMemoFreeCountOffset); }
  std::int32_t BlockCount() { return HeaderAt(fmt::kMemoBlockCountOffset); }
  std::int64_t MemoSize() { return std::int64_t(ReadTestFile(edt_).size()); }

  // The free list's blocks in list order, as the header and links name them.
  std::vector<std::int32_t> FreeList() {
    const std::string m = ReadTestFile(edt_);
    std::vector<std::int32_t> list;
    std::int32_t b = GetI32(m.data() + fmt::kMemoFirstFreeOffset);
    for (int i = GetI32(m.data() + fmt::kMemoFreeCountOffset); i > 0; --i) {
      list.push_back(b);
      b = GetI32(m.data() + std::size_t(b) * fmt::kBlockSize +
                 fmt::kBlockNextOffset);
    }
    return list;
  }

  // The memo text of record `record`, read through a fresh open (which
  // finishes or undoes a write a dead writer left).
  std::string TextOf(int record) {
    DbCloseAll();
    auto table = Table::Open(path_, OpenOptions{});
    Value v;
    if (!table || !table->GoTo(record) || !table->Read(kMemoIndex, &v))
      return "<unreadable>";
    return v.ToText();
  }

  // Appends `text` to record `record` in a child killed when the memo file
  // would grow beyond `limit` bytes.
  bool AppendKilledAt(int record, const std::string& text, std::int64_t limit) {
    DbCloseAll();
    return KilledWhenFileReaches(limit, [&] {
      auto table = Table::Open(path_, OpenOptions{});
      if (table && table->GoTo(record))
        table->AppendMemo(kMemoIndex, Value::Text(text));
    });
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string path_, edt_;
};

TEST_F(MemoWriteTest, LargeTextTakesEveryBlockItNeedsFromTheFreeList) {
  MakeFreeBlocks(200, "kept");
  const std::int64_t size = MemoSize();
  ASSERT_TRUE(DbAppend({"new"}));
  const std::string text = Text(75000, 'a');  // 150 blocks
  ASSERT_TRUE(DbWriteMemo(kMemoField, text));
  EXPECT_EQ(FreeCount(), 50);
  EXPECT_EQ(MemoSize(), size);
  EXPECT_EQ(BlockCount(), size / fmt::kBlockSize);
  EXPECT_EQ(DbRead(kMemoField).ToText(), text);
  EXPECT_EQ(CheckTable(path_), std::vector<std::string>{});
}

TEST_F(MemoWriteTest, TextLargerThanTheFreeListTakesAllOfItThenGrows) {
  MakeFreeBlocks(200, "kept");
  const std::int64_t size = MemoSize();
  ASSERT_TRUE(DbAppend({"new"}));
  const std::string text = Text(125000, 'a');  // 250 blocks
  ASSERT_TRUE(DbWriteMemo(kMemoField, text));
  EXPECT_EQ(FreeCount(), 0);
  EXPECT_EQ(HeaderAt(fmt::kMemoFirstFreeOffset), 0);
  EXPECT_EQ(MemoSize(), size + 50 * fmt::kBlockSize);
  EXPECT_EQ(DbRead(kMemoField).ToText(), text);
  EXPECT_EQ(CheckTable(path_), std::vector<std::string>{});
}

TEST_F(MemoWriteTest, WriterKilledAfterFillingFreeBlocksIsRolledBack) {
  MakeFreeBlocks(200, "kept");
  ASSERT_TRUE(DbAppend({"new"}));
  const std::vector<std::int32_t> free_before = FreeList();
  const std::int64_t size = MemoSize();
  // 250 blocks: all 200 free ones are written, then the file would grow.
  ASSERT_TRUE(AppendKilledAt(2, Text(125000, 'a'), size + 10 * 512));
  EXPECT_NE(HeaderAt(fmt::kMemoJournalOffset), 0);  // left pending

  EXPECT_EQ(TextOf(2), "");
  EXPECT_EQ(HeaderAt(fmt::kMemoJournalOffset), 0);
  EXPECT_EQ(FreeList(), free_before);
  EXPECT_EQ(MemoSize(), size);
  EXPECT_EQ(TextOf(1), "kept");
  EXPECT_EQ(CheckTable(path_), std::vector<std::string>{});
}

TEST_F(MemoWriteTest, KilledContinuationOfAValueKeepsItsTextAndFreeList) {
  // The free list in two runs, the later release first: 8..12, then 2..7.
  ASSERT_TRUE(DbAppend({"keep"}));
  ASSERT_TRUE(DbWriteMemo(kMemoField, "kept"));
  ASSERT_TRUE(DbAppend({"a"}));
  ASSERT_TRUE(DbWriteMemo(kMemoField, std::string(3000, 'a')));
  ASSERT_TRUE(DbAppend({"b"}));
  ASSERT_TRUE(DbWriteMemo(kMemoField, std::string(2500, 'b')));
  ASSERT_TRUE(DbGoTo(2));
  ASSERT_TRUE(DbDelete());
  ASSERT_TRUE(DbPurge());
  ASSERT_TRUE(DbGoTo(2));
  ASSERT_TRUE(DbDelete());
  ASSERT_TRUE(DbPurge());
  const std::vector<std::int32_t> free_before = FreeList();
  ASSERT_EQ(free_before.size(), 11u);
  ASSERT_GT(free_before.front(), free_before.back());
  const std::int64_t size = MemoSize();

  const std::string more = Text(8000, 'k');  // the rest of block 1 + 16
  ASSERT_TRUE(AppendKilledAt(1, more, size + 2 * 512));
  EXPECT_EQ(TextOf(1), "kept");
  EXPECT_EQ(FreeList(), free_before);
  EXPECT_EQ(MemoSize(), size);
  EXPECT_EQ(CheckTable(path_), std::vector<std::string>{});

  // The undone write leaves nothing in the way of the same write again.
  ASSERT_TRUE(DbOpen(path_, "t"));
  ASSERT_TRUE(DbGoTo(1));
  ASSERT_TRUE(DbWriteMemo(kMemoField, more));
  EXPECT_EQ(TextOf(1), "kept" + more);
  EXPECT_EQ(FreeCount(), 0);
  EXPECT_EQ(CheckTable(path_), std::vector<std::string>{});
}

TEST_F(MemoWriteTest, UndoThatCannotFollowTheTakenBlocksChangesNothing) {
  MakeFreeBlocks(20, "kept");
  ASSERT_TRUE(DbAppend({"new"}));
  const std::vector<std::int32_t> free_before = FreeList();
  ASSERT_TRUE(AppendKilledAt(2, Text(15000, 'a'), MemoSize() + 5 * 512));
  // A taken block's link damaged after the crash: the blocks after it
  // cannot be found.
  std::string m = ReadTestFile(edt_);
  PutI32(m.data() + std::size_t(free_before[3]) * fmt::kBlockSize +
             fmt::kBlockNextOffset,
         99999);
  ASSERT_TRUE(WriteTestFile(edt_, m));
  const std::string records = ReadTestFile(path_);

  std::string why;
  EXPECT_FALSE(Table::Open(path_, OpenOptions{}, &why));
  EXPECT_EQ(why, "interrupted memo write cannot be undone");
  EXPECT_EQ(ReadTestFile(edt_), m);
  EXPECT_EQ(ReadTestFile(path_), records);
  EXPECT_NE(CheckTable(path_), std::vector<std::string>{});
}

TEST_F(MemoWriteTest, TextInUnusedBytesIsInvisibleUntilItsLengthIsWritten) {
  ASSERT_TRUE(DbAppend({"x"}));
  ASSERT_TRUE(DbWriteMemo(kMemoField, "first line\r\n"));
  DbCloseAll();
  // Bytes after a block's used count (left by a writer that died, or by
  // another program) are not part of the value, and the next append writes
  // over them.
  std::string m = ReadTestFile(edt_);
  const std::size_t at = fmt::kBlockSize + fmt::kBlockHeaderSize + 12;
  m.replace(at, 11, "lost line\r\n");
  ASSERT_TRUE(WriteTestFile(edt_, m));

  EXPECT_EQ(TextOf(1), "first line\r\n");
  EXPECT_EQ(CheckTable(path_), std::vector<std::string>{});
  ASSERT_TRUE(DbOpen(path_, "t"));
  ASSERT_TRUE(DbGoTo(1));
  ASSERT_TRUE(DbWriteMemo(kMemoField, "2nd\r\n"));
  EXPECT_EQ(TextOf(1), "first line\r\n2nd\r\n");
  EXPECT_EQ(CheckTable(path_), std::vector<std::string>{});
}

TEST_F(MemoWriteTest, UndoOfADeadWritersBlocksKeepsALaterAppendToTheSameValue) {
  ASSERT_TRUE(DbAppend({"x"}));
  ASSERT_TRUE(DbWriteMemo(kMemoField, "abc"));
  DbCloseAll();
  // This writer opened the table before the other one died, so it has not
  // seen the other's undo record.
  auto writer = Table::Open(path_, OpenOptions{});
  ASSERT_TRUE(writer);
  const std::int64_t size = MemoSize();
  ASSERT_TRUE(KilledWhenFileReaches(size + 512, [&] {
    auto other = Table::Open(path_, OpenOptions{});
    if (other && other->GoTo(1))
      other->AppendMemo(kMemoIndex, Value::Text(Text(2000, 'z')));
  }));
  ASSERT_TRUE(writer->GoTo(1));
  ASSERT_TRUE(writer->AppendMemo(kMemoIndex, Value::Text("def")));
  writer.reset();

  EXPECT_EQ(TextOf(1), "abcdef");
  EXPECT_EQ(MemoSize(), size);
  EXPECT_EQ(CheckTable(path_), std::vector<std::string>{});
}

}  // namespace
}  // namespace matslip
