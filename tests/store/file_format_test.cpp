// The bytes on disk: header, descriptors, records, memo blocks, repairs.
#include <gtest/gtest.h>

#include <cstring>

#include "base/clock.h"
#include "base/datetime.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/file_io.h"
#include "store/table_check.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::CreateTable;
using testing::ReadTestFile;
using testing::SmallSchema;
using testing::WriteTestFile;

std::int32_t I32At(const std::string& bytes, std::size_t offset) {
  return GetI32(bytes.data() + offset);
}

class FileFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClock(CivilToDate({2013, 9, 10, 9, 5, 7})); }
  void TearDown() override { ResetClock(); }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
};

TEST_F(FileFormatTest, MaterialTableHeaderIs1772BytesWithItsDescriptors) {
  std::string path = dir_.File("data.mzk");
  ASSERT_TRUE(material::CreateEmptyTable(path));
  std::string b = ReadTestFile(path);
  ASSERT_EQ(b.size(), 1772u);
  EXPECT_EQ(b.substr(0, 4), "WEDB");
  EXPECT_EQ(I32At(b, 4), 0x10000);
  double created;
  std::memcpy(&created, b.data() + 8, 8);
  EXPECT_EQ(created, CivilToDate({2013, 9, 10, 9, 5, 7}));
  EXPECT_EQ(I32At(b, 16), 0);  // records
  EXPECT_EQ(I32At(b, 20), 1);  // next identifier
  // 4 + 64 + 64 + 16 + 18 numbers and dates of 8 + 2 memo references of 4.
  EXPECT_EQ(I32At(b, 24), 4 + 64 + 64 + 16 + 18 * 8 + 2 * 4);
  EXPECT_EQ(b.substr(28, 76), std::string(76, '\0'));
  // The pair id, the same in both files, and not zero.
  const std::string pair_id = b.substr(104, 8);
  EXPECT_NE(pair_id, std::string(8, '\0'));
  EXPECT_EQ(I32At(b, 112), 23);
  // Descriptor 1: 品名 in GBK, text, offset 4, width 64.
  const char* d1 = b.data() + 116;
  EXPECT_EQ(std::string(d1, 5), std::string("\xC6\xB7\xC3\xFB\0", 5));
  EXPECT_EQ(GetI32(d1 + 20), 10);
  EXPECT_EQ(GetI32(d1 + 24), 4);
  EXPECT_EQ(GetI32(d1 + 28), 64);
  EXPECT_EQ(std::string(d1 + 32, 40), std::string(40, '\0'));
  // Descriptor 10: 出库记录, a memo after three texts and five numbers/dates.
  const char* d10 = b.data() + 116 + 9 * 72;
  EXPECT_EQ(GetI32(d10 + 20), 12);
  EXPECT_EQ(GetI32(d10 + 24), 4 + 64 + 64 + 16 + 6 * 8);
  EXPECT_EQ(GetI32(d10 + 28), 0);
  // The new memo file is exactly one 512-byte header block.
  std::string m = ReadTestFile(dir_.File("data.edt"));
  ASSERT_EQ(m.size(), 512u);
  EXPECT_EQ(m.substr(0, 4), "WEDT");
  EXPECT_EQ(I32At(m, 4), 0x10000);
  EXPECT_EQ(I32At(m, 16), 1);
  EXPECT_EQ(I32At(m, 20), 0);
  EXPECT_EQ(I32At(m, 24), 0);
  EXPECT_EQ(m.substr(28, 476), std::string(476, '\0'));
  EXPECT_EQ(m.substr(504), pair_id);
}

TEST_F(FileFormatTest, RecordBytesAndAppendProtocol) {
  std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  ASSERT_TRUE(DbOpen(path, "t"));
  ASSERT_TRUE(DbAppend({"ab", 2.5}));
  std::string b = ReadTestFile(path);
  const std::size_t header = 116 + 3 * 72, reclen = 4 + 8 + 8 + 4;
  ASSERT_EQ(b.size(), header + reclen);
  EXPECT_EQ(I32At(b, 16), 1);
  EXPECT_EQ(I32At(b, 20), 2);
  EXPECT_EQ(I32At(b, header), 1);  // identifier
  EXPECT_EQ(b.substr(header + 4, 8), std::string("ab\0\0\0\0\0\0", 8));
  double v;
  std::memcpy(&v, b.data() + header + 12, 8);
  EXPECT_EQ(v, 2.5);
  EXPECT_EQ(I32At(b, header + 20), 0);  // no memo yet
}

TEST_F(FileFormatTest, IdentifiersAreNeverReusedAfterPurge) {
  std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  ASSERT_TRUE(DbOpen(path, "t"));
  for (const char* n : {"a", "b", "c"}) ASSERT_TRUE(DbAppend({n}));
  ASSERT_TRUE(DbGoTo(2));
  ASSERT_TRUE(DbDelete());
  ASSERT_TRUE(DbDelete([] { return DbRead(1).ToText() == "c"; }));
  EXPECT_EQ(DbRecordCount(), 3);  // marked records still count
  ASSERT_TRUE(DbPurge());
  EXPECT_EQ(DbRecordCount(), 1);
  ASSERT_TRUE(DbAppend({"d"}));
  std::string b = ReadTestFile(path);
  const std::size_t header = 116 + 3 * 72, reclen = 24;
  EXPECT_EQ(I32At(b, header), 1);
  EXPECT_EQ(I32At(b, header + reclen), 4);
  EXPECT_EQ(I32At(b, 20), 5);
  EXPECT_EQ(b.size(), header + 2 * reclen);
}

TEST_F(FileFormatTest, ShortFileIsRepairedToWholeRecords) {
  std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  ASSERT_TRUE(DbOpen(path, "t"));
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(DbAppend({std::to_string(i)}));
  DbCloseAll();
  std::string b = ReadTestFile(path);
  const std::size_t header = 116 + 3 * 72, reclen = 24;
  ASSERT_EQ(I32At(b, 16), 10);
  ASSERT_TRUE(
      WriteTestFile(path, b.substr(0, header + 9 * reclen + reclen / 2)));
  // A read-only opener does not repair, and so cannot open it.
  EXPECT_EQ(CheckTable(path).size(), 1u);
  ASSERT_TRUE(DbOpen(path, "t"));
  EXPECT_EQ(DbRecordCount(), 9);
  ASSERT_TRUE(DbGoTo(9));
  EXPECT_EQ(DbRead(1).ToText(), "8");
  std::string repaired = ReadTestFile(path);
  EXPECT_EQ(repaired.size(), header + 9 * reclen);
  EXPECT_EQ(I32At(repaired, 16), 9);
  EXPECT_EQ(I32At(repaired, 20), 11);  // the next identifier stays
}

TEST_F(FileFormatTest, TrailingPartialRecordIsDroppedOnOpen) {
  std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  std::string b = ReadTestFile(path);
  ASSERT_TRUE(WriteTestFile(path, b + std::string(10, 'x')));
  ASSERT_TRUE(DbOpen(path, "t"));
  EXPECT_EQ(ReadTestFile(path), b);
}

TEST_F(FileFormatTest, LongMemoTakesBlocksOf500And500And200) {
  std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  ASSERT_TRUE(DbOpen(path, "t"));
  ASSERT_TRUE(DbAppend({"x"}));
  std::string text(1200, 'm');
  for (int i = 0; i < 1200; ++i) text[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(DbWriteMemo(3, text));
  EXPECT_EQ(DbRead(3).ToText(), text);
  std::string m = ReadTestFile(dir_.File("t.edt"));
  ASSERT_EQ(m.size(), 4u * 512);
  EXPECT_EQ(I32At(m, 16), 4);
  struct Block {
    int prev, next, used;
  };
  Block want[] = {{0, 2, 500}, {1, 3, 500}, {2, 0, 200}};
  for (int i = 0; i < 3; ++i) {
    std::size_t at = (i + 1) * 512;
    EXPECT_EQ(I32At(m, at), want[i].prev) << i;
    EXPECT_EQ(I32At(m, at + 4), want[i].next) << i;
    EXPECT_EQ(I32At(m, at + 8), want[i].used) << i;
    EXPECT_EQ(m.substr(at + 12, want[i].used),
              text.substr(i * 500, want[i].used));
  }
  EXPECT_EQ(m.substr(3 * 512 + 12 + 200), std::string(300, '\0'));
  EXPECT_EQ(m.substr(28, 476), std::string(476, '\0'));  // no journal left
  std::string b = ReadTestFile(path);
  EXPECT_EQ(I32At(b, 116 + 3 * 72 + 20), 1);  // the record names block 1
}

TEST_F(FileFormatTest, AppendToMemoFillsTheLastBlockFirst) {
  std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  ASSERT_TRUE(DbOpen(path, "t"));
  ASSERT_TRUE(DbAppend({"x"}));
  ASSERT_TRUE(DbWriteMemo(3, std::string(450, 'a')));
  ASSERT_TRUE(DbWriteMemo(3, std::string(100, 'b')));
  std::string m = ReadTestFile(dir_.File("t.edt"));
  ASSERT_EQ(m.size(), 3u * 512);
  EXPECT_EQ(I32At(m, 512 + 8), 500);
  EXPECT_EQ(m.substr(512 + 12 + 450, 50), std::string(50, 'b'));
  EXPECT_EQ(I32At(m, 1024 + 8), 50);
  EXPECT_EQ(I32At(m, 1024), 1);
  EXPECT_EQ(DbRead(3).ToText(), std::string(450, 'a') + std::string(100, 'b'));
}

TEST_F(FileFormatTest, FreedBlocksAreReused) {
  std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  ASSERT_TRUE(DbOpen(path, "t"));
  ASSERT_TRUE(DbAppend({"gone"}));
  ASSERT_TRUE(DbWriteMemo(3, std::string(1200, 'g')));  // blocks 1..3
  ASSERT_TRUE(DbAppend({"stays"}));
  ASSERT_TRUE(DbWriteMemo(3, "short"));  // block 4
  ASSERT_TRUE(DbGoTo(1));
  ASSERT_TRUE(DbDelete());
  ASSERT_TRUE(DbPurge());
  std::string m = ReadTestFile(dir_.File("t.edt"));
  EXPECT_EQ(I32At(m, 16), 5);
  EXPECT_EQ(I32At(m, 20), 3);  // three free blocks
  EXPECT_EQ(CheckTable(path), std::vector<std::string>{});
  ASSERT_TRUE(DbAppend({"new"}));
  ASSERT_TRUE(DbWriteMemo(3, std::string(700, 'n')));  // two blocks, reused
  m = ReadTestFile(dir_.File("t.edt"));
  EXPECT_EQ(m.size(), 5u * 512);
  EXPECT_EQ(I32At(m, 16), 5);
  EXPECT_EQ(I32At(m, 20), 1);
  EXPECT_EQ(DbRead(3).ToText(), std::string(700, 'n'));
  ASSERT_TRUE(DbGoTo(1));
  EXPECT_EQ(DbRead(3).ToText(), "short");
  EXPECT_EQ(CheckTable(path), std::vector<std::string>{});
}

TEST_F(FileFormatTest, EmptyResetsBothFilesButKeepsNextIdentifier) {
  std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  ASSERT_TRUE(DbOpen(path, "t"));
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(DbAppend({"x"}));
    ASSERT_TRUE(DbWriteMemo(3, std::string(600, 'x')));
  }
  ASSERT_TRUE(DbEmpty());
  EXPECT_EQ(DbRecordCount(), 0);
  std::string b = ReadTestFile(path);
  EXPECT_EQ(b.size(), 116u + 3 * 72);
  EXPECT_EQ(I32At(b, 20), 6);
  std::string m = ReadTestFile(dir_.File("t.edt"));
  EXPECT_EQ(m.size(), 512u);
  EXPECT_EQ(I32At(m, 16), 1);
  EXPECT_EQ(I32At(m, 20), 0);
  EXPECT_EQ(I32At(m, 24), 0);
}

TEST_F(FileFormatTest, OpenChecksRejectBadHeaders) {
  std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  const std::string good = ReadTestFile(path);
  struct Case {
    const char* what;
    std::size_t offset;
    std::int32_t value;
  } cases[] = {
      {"magic", 0, 0x42444557 + 1},      {"version above 0x10000", 4, 0x10001},
      {"negative count", 16, -1},        {"zero next id", 20, 0},
      {"zero record length", 24, 0},     {"zero field count", 112, 0},
      {"type 0", 116 + 20, 0},           {"type 13", 116 + 20, 13},
      {"negative offset", 116 + 24, -4}, {"text width 0", 116 + 28, 0},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    PutI32(bad.data() + c.offset, c.value);
    ASSERT_TRUE(WriteTestFile(path, bad));
    EXPECT_FALSE(DbOpen(path, "t")) << c.what;
    EXPECT_EQ(ReadTestFile(path), bad) << c.what << ": nothing written";
  }
  // A name without a zero byte in its first 17 bytes.
  std::string bad = good;
  std::memset(bad.data() + 116, 'n', 17);
  ASSERT_TRUE(WriteTestFile(path, bad));
  EXPECT_FALSE(DbOpen(path, "t"));
  // A lower version is accepted.
  std::string older = good;
  PutI32(older.data() + 4, 0x0FFFF);
  ASSERT_TRUE(WriteTestFile(path, older));
  std::string memo = ReadTestFile(dir_.File("t.edt"));
  PutI32(memo.data() + 4, 0x0FFFF);
  ASSERT_TRUE(WriteTestFile(dir_.File("t.edt"), memo));
  EXPECT_TRUE(DbOpen(path, "t"));
}

// 品名 text 8 at 4, 数量 double at 12, 记录 memo at 20: records of 24 bytes.
// Descriptor i lies at 116 + 72 * i; its offset at +24, its width at +28.
TEST_F(FileFormatTest,
       FieldsOverlappingTheIdentifierOrPastTheRecordAreRefused) {
  const std::string path = dir_.File("t.mzk");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  const std::string good = ReadTestFile(path);
  ASSERT_EQ(I32At(good, 24), 24);
  struct Case {
    const char* what;
    std::size_t offset;
    std::int32_t value;
  } cases[] = {
      {"text at offset 0", 116 + 24, 0},
      {"text at offset 3", 116 + 24, 3},
      {"text of width 21 ending at 25", 116 + 28, 21},
      {"double at offset 17 ending at 25", 116 + 72 + 24, 17},
      {"memo at offset 21 ending at 25", 116 + 144 + 24, 21},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    PutI32(bad.data() + c.offset, c.value);
    ASSERT_TRUE(WriteTestFile(path, bad));
    std::string why;
    EXPECT_FALSE(Table::Open(path, OpenOptions{}, &why)) << c.what;
    EXPECT_EQ(why, "field outside the record") << c.what;
    EXPECT_EQ(ReadTestFile(path), bad) << c.what << ": nothing written";
  }
  // The first field right after the identifier, the last one ending with
  // the record: the file as written opens.
  ASSERT_TRUE(WriteTestFile(path, good));
  EXPECT_NE(Table::Open(path, OpenOptions{}), nullptr);
}

TEST_F(FileFormatTest, MemoOpenChecksAndShortMemoRepair) {
  std::string path = dir_.File("t.mzk"), edt = dir_.File("t.edt");
  ASSERT_TRUE(CreateTable(path, SmallSchema()));
  ASSERT_TRUE(DbOpen(path, "t"));
  ASSERT_TRUE(DbAppend({"x"}));
  ASSERT_TRUE(DbWriteMemo(3, std::string(800, 'x')));  // blocks 1, 2
  DbCloseAll();
  const std::string good = ReadTestFile(edt);
  for (auto [offset, value] : {std::pair<int, int>{0, 0},
                               {4, 0x0FFFF},
                               {16, 0},
                               {20, 3},
                               {24, 3},
                               {20, -1}}) {
    std::string bad = good;
    PutI32(bad.data() + offset, value);
    ASSERT_TRUE(WriteTestFile(edt, bad));
    EXPECT_FALSE(DbOpen(path, "t")) << offset << "=" << value;
  }
  // Fewer whole blocks than the header says: the count is lowered.
  ASSERT_TRUE(WriteTestFile(edt, good.substr(0, 2 * 512 + 100)));
  ASSERT_TRUE(DbOpen(path, "t"));
  EXPECT_EQ(I32At(ReadTestFile(edt), 16), 2);
  Value v = DbRead(3);
  EXPECT_FALSE(DbLastResult());  // the chain now leaves the file
  EXPECT_TRUE(v.empty());
}

}  // namespace
}  // namespace matslip
