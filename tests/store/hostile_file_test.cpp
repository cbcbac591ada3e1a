// Damaged and hostile files: no crash, no hang, a clean failure.
#include <gtest/gtest.h>

#include "material/material_table.h"
#include "store/db.h"
#include "store/file_io.h"
#include "store/table_check.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::ReadTestFile;
using testing::WriteTestFile;

class HostileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("data.mzk");
    edt_ = dir_.File("data.edt");
    ASSERT_TRUE(material::CreateEmptyTable(path_));
    ASSERT_TRUE(DbOpen(path_, "data"));
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(DbAppend(
          {"钢芯铝绞线", "LGJ-95/" + std::to_string(i), "米", 10.0 * i}));
      ASSERT_TRUE(
          DbWriteMemo(material::kInLog, std::string(600 * i + 10, 'x')));
    }
    DbCloseAll();
    main_ = ReadTestFile(path_);
    memo_ = ReadTestFile(edt_);
  }

  // Opens the files as they are and reads every field of every record.
  // Returns whether the open succeeded; a read may fail, but must return.
  bool OpenAndReadAll() {
    auto table = Table::Open(path_, OpenOptions{});
    if (!table) return false;
    for (int i = 1; i <= table->RecordCount(); ++i) {
      table->GoTo(i);
      for (int f = 0; f < table->schema().field_count(); ++f) {
        Value v;
        table->Read(f, &v);
      }
    }
    table->Append({"新", "x"});
    table->AppendMemo(material::kInLog - 1, Value::Text("line\r\n"));
    CheckTable(path_);
    return true;
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string path_, edt_, main_, memo_;
};

TEST_F(HostileFileTest, EveryHeaderByteSetToBadValues) {
  ASSERT_EQ(main_.size() > 1772u, true);
  int tried = 0, opened = 0;
  for (std::size_t at = 0; at < 1772; ++at) {
    for (unsigned char bad : {0x00, 0xFF, 0x80, 0x7F}) {
      if (static_cast<unsigned char>(main_[at]) == bad) continue;
      std::string damaged = main_;
      damaged[at] = static_cast<char>(bad);
      ASSERT_TRUE(WriteTestFile(path_, damaged));
      ASSERT_TRUE(WriteTestFile(edt_, memo_));
      ++tried;
      if (OpenAndReadAll()) ++opened;
    }
  }
  std::printf("damaged headers tried: %d, still opened: %d\n", tried, opened);
  EXPECT_GT(tried, 5000);
  EXPECT_LT(opened, tried);
}

TEST_F(HostileFileTest, TruncatedAtEveryHeaderByte) {
  for (std::size_t len = 0; len < 1772; ++len) {
    ASSERT_TRUE(WriteTestFile(path_, main_.substr(0, len)));
    EXPECT_FALSE(OpenAndReadAll()) << len;
    EXPECT_EQ(ReadTestFile(path_).size(), len) << "a failed open wrote";
  }
}

TEST_F(HostileFileTest, MemoFileTruncatedAnywhere) {
  for (std::size_t len = 0; len <= memo_.size(); len += 7) {
    ASSERT_TRUE(WriteTestFile(path_, main_));
    ASSERT_TRUE(WriteTestFile(edt_, memo_.substr(0, len)));
    bool ok = OpenAndReadAll();
    EXPECT_EQ(ok, len >= 512) << len;
  }
}

TEST_F(HostileFileTest, MemoChainsThatLoopOrLeaveTheFile) {
  // Record 3's chain is blocks 4, 5 (600 * 2 + 10 bytes = 1210: 4, 5, 6).
  struct Case {
    const char* what;
    std::size_t offset;
    std::int32_t value;
  } cases[] = {
      {"next points to itself", 4 * 512 + 4, 4},
      {"next points back to the first block", 6 * 512 + 4, 4},
      {"next past the end", 5 * 512 + 4, 1000000},
      {"next negative", 5 * 512 + 4, -7},
      {"used count above 500", 5 * 512 + 8, 501},
      {"used count negative", 4 * 512 + 8, -1},
      {"next into the header block", 4 * 512 + 4, 0x7FFFFFFF},
  };
  for (const Case& c : cases) {
    std::string bad = memo_;
    PutI32(bad.data() + c.offset, c.value);
    ASSERT_TRUE(WriteTestFile(path_, main_));
    ASSERT_TRUE(WriteTestFile(edt_, bad));
    EXPECT_FALSE(CheckTable(path_).empty()) << c.what;
    ASSERT_TRUE(DbOpen(path_, "data")) << c.what;
    ASSERT_TRUE(DbGoTo(3));
    DbRead(material::kInLog);
    EXPECT_FALSE(DbLastResult()) << c.what;
    // Appending follows the chain to its end: it must fail, not hang.
    EXPECT_FALSE(DbWriteMemo(material::kInLog, "more")) << c.what;
    // Releasing a broken chain stops at the damage; the record goes.
    ASSERT_TRUE(DbDelete());
    EXPECT_TRUE(DbPurge()) << c.what;
    EXPECT_EQ(DbRecordCount(), 2);
    DbCloseAll();
  }
}

TEST_F(HostileFileTest, ReaderOfAHugeBlockCountAndALoopStopsAtTheFilesEnd) {
  // The header claims two thousand million blocks and record 3's chain
  // loops: a reader must give up after the blocks the file really has.
  std::string bad = memo_;
  PutI32(bad.data() + 16, 0x7FFFFFFF);
  PutI32(bad.data() + 6 * 512 + 4, 4);
  ASSERT_TRUE(WriteTestFile(path_, main_));
  ASSERT_TRUE(WriteTestFile(edt_, bad));
  OpenOptions read_only;
  read_only.read_only = true;
  auto table = Table::Open(path_, read_only);
  ASSERT_TRUE(table);
  ASSERT_TRUE(table->GoTo(3));
  Value v;
  EXPECT_FALSE(table->Read(material::kInLog - 1, &v));
  ASSERT_TRUE(table->GoTo(2));
  EXPECT_TRUE(table->Read(material::kInLog - 1, &v));
  EXPECT_EQ(v.ToText(), std::string(610, 'x'));
  std::vector<std::string> problems = CheckTable(path_);
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems[0].find("claims 2147483647 blocks"), std::string::npos);
  EXPECT_EQ(ReadTestFile(edt_), bad);  // readers never write
}

TEST_F(HostileFileTest, DamagedFreeListIsReportedAndNeverLoops) {
  ASSERT_TRUE(DbOpen(path_, "data"));
  ASSERT_TRUE(DbGoTo(3));
  ASSERT_TRUE(DbDelete());
  ASSERT_TRUE(DbPurge());  // frees blocks 4, 5, 6
  DbCloseAll();
  std::string memo = ReadTestFile(edt_);
  ASSERT_EQ(GetI32(memo.data() + 20), 3);
  std::int32_t head = GetI32(memo.data() + 24);
  PutI32(memo.data() + head * 512 + 4, head);  // the free list loops
  ASSERT_TRUE(WriteTestFile(edt_, memo));
  std::vector<std::string> problems = CheckTable(path_);
  ASSERT_FALSE(problems.empty());
  ASSERT_TRUE(DbOpen(path_, "data"));
  ASSERT_TRUE(DbGoTo(1));
  EXPECT_FALSE(DbWriteMemo(material::kInLog, std::string(1500, 'y')));
}

TEST_F(HostileFileTest, HugeCountsAndLengthsAreRejectedWithoutAllocating) {
  for (auto [offset, value] : {std::pair<int, int>{24, 0x7FFFFFFF},
                               {112, 0x7FFFFFFF},
                               {112, 100000},
                               {16, 0x7FFFFFFF},
                               {116 + 28, 0x7FFFFFFF}}) {
    std::string bad = main_;
    PutI32(bad.data() + offset, value);
    ASSERT_TRUE(WriteTestFile(path_, bad));
    ASSERT_TRUE(WriteTestFile(edt_, memo_));
    OpenAndReadAll();  // under the sanitizers: no overflow, no huge allocation
  }
  std::string bad = memo_;
  PutI32(bad.data() + 16, 0x7FFFFFFF);
  ASSERT_TRUE(WriteTestFile(path_, main_));
  ASSERT_TRUE(WriteTestFile(edt_, bad));
  EXPECT_TRUE(OpenAndReadAll());  // the block count is lowered to the file's
  EXPECT_EQ(GetI32(ReadTestFile(edt_).data() + 16) <= 8, true);
}

}  // namespace
}  // namespace matslip
