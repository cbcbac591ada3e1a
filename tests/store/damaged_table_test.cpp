// Opening a damaged table: the original bytes of both files are kept beside
// them before the repair changes anything, and the repair is reported.
#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "store/db.h"
#include "store/names.h"
#include "store/table_check.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::ReadTestFile;
using testing::WriteTestFile;

constexpr std::size_t kHeader = 116 + 3 * 72;
constexpr std::size_t kRecord = 24;

class DamagedTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClock(CivilToDate({2026, 12, 7, 9, 5, 7}));
    path_ = dir_.File("t.mzk");
    memo_ = dir_.File("t.edt");
    ASSERT_TRUE(testing::CreateTable(path_, testing::SmallSchema()));
    ASSERT_TRUE(DbOpen(path_, "t"));
    for (int i = 0; i < 10; ++i) {
      ASSERT_TRUE(DbAppend({std::to_string(i)}));
      ASSERT_TRUE(DbWriteMemo(3, "log " + std::to_string(i)));
    }
    DbCloseAll();
  }
  void TearDown() override { ResetClock(); }

  std::string CopyPath() const {
    return dir_.File("t-damaged-20261207-090507.mzk");
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string path_, memo_;
};

TEST_F(DamagedTableTest, ShortTableIsCopiedWholeBeforeItsRepair) {
  const std::string cut =
      ReadTestFile(path_).substr(0, kHeader + 6 * kRecord + kRecord / 2);
  ASSERT_TRUE(WriteTestFile(path_, cut));
  const std::string memo = ReadTestFile(memo_);
  const std::vector<std::string> damage = CheckTable(path_);
  ASSERT_FALSE(damage.empty());

  DbOpenReport report;
  ASSERT_TRUE(DbOpen(path_, "t", kShareReadWrite, &report));
  EXPECT_EQ(DbRecordCount(), 6);
  EXPECT_EQ(report.repair.records_lost, 4);
  EXPECT_EQ(report.repair.memo_blocks_lost, 0);
  EXPECT_EQ(report.repair.copy_path, CopyPath());
  EXPECT_EQ(ReadTestFile(CopyPath()), cut);
  EXPECT_EQ(ReadTestFile(MemoPathOf(CopyPath())), memo);
  // The copy checks as the damaged table did.
  EXPECT_EQ(CheckTable(CopyPath()), damage);
  EXPECT_EQ(damage, std::vector<std::string>{
                        "header counts 10 records, the file holds 6"});
}

TEST_F(DamagedTableTest, ShortMemoFileIsCopiedBeforeItsRepair) {
  const std::string table = ReadTestFile(path_);
  const std::string cut = ReadTestFile(memo_).substr(0, 8 * 512 + 100);
  ASSERT_TRUE(WriteTestFile(memo_, cut));

  DbOpenReport report;
  ASSERT_TRUE(DbOpen(path_, "t", kShareReadWrite, &report));
  EXPECT_EQ(report.repair.records_lost, 0);
  EXPECT_EQ(report.repair.memo_blocks_lost, 3);  // blocks 8, 9 and 10
  EXPECT_EQ(ReadTestFile(CopyPath()), table);
  EXPECT_EQ(ReadTestFile(MemoPathOf(CopyPath())), cut);
}

TEST_F(DamagedTableTest, TwoRepairsInOneSecondKeepTwoCopies) {
  const std::string table = ReadTestFile(path_);
  ASSERT_TRUE(WriteTestFile(path_, table.substr(0, kHeader + 9 * kRecord)));
  ASSERT_TRUE(DbOpen(path_, "t"));
  DbCloseAll();
  ASSERT_TRUE(WriteTestFile(path_, table.substr(0, kHeader + 8 * kRecord)));
  DbOpenReport report;
  ASSERT_TRUE(DbOpen(path_, "t", kShareReadWrite, &report));
  EXPECT_EQ(report.repair.copy_path,
            dir_.File("t-damaged-20261207-090507-2.mzk"));
  EXPECT_EQ(ReadTestFile(CopyPath()).size(), kHeader + 9 * kRecord);
  EXPECT_EQ(ReadTestFile(report.repair.copy_path).size(),
            kHeader + 8 * kRecord);
}

TEST_F(DamagedTableTest, CopyThatCannotBeWrittenMeansNoRepairAndNoOpen) {
  const std::string cut =
      ReadTestFile(path_).substr(0, kHeader + 6 * kRecord + 3);
  ASSERT_TRUE(WriteTestFile(path_, cut));
  const std::string memo = ReadTestFile(memo_);
  // A folder where the copy's main file would go makes its rename fail.
  ASSERT_TRUE(CreateDirectory(CopyPath()));

  DbOpenReport report;
  EXPECT_FALSE(DbOpen(path_, "t", kShareReadWrite, &report));
  EXPECT_EQ(report.why, "damaged table cannot be copied before its repair");
  EXPECT_EQ(ReadTestFile(path_), cut);
  EXPECT_EQ(ReadTestFile(memo_), memo);
  EXPECT_FALSE(FileExists(MemoPathOf(CopyPath())));
}

TEST_F(DamagedTableTest, BadMemoFileLeavesAShortTableUnrepaired) {
  const std::string cut = ReadTestFile(path_).substr(0, kHeader + 6 * kRecord);
  ASSERT_TRUE(WriteTestFile(path_, cut));
  ASSERT_TRUE(WriteTestFile(memo_, std::string(512, 'x')));
  EXPECT_FALSE(DbOpen(path_, "t"));
  EXPECT_EQ(ReadTestFile(path_), cut);
}

TEST_F(DamagedTableTest, AppendCutShortIsDroppedWithoutACopy) {
  // A record written but not yet counted: an append the crash interrupted.
  const std::string whole = ReadTestFile(path_);
  ASSERT_TRUE(WriteTestFile(path_, whole + std::string(kRecord, 'x')));
  DbOpenReport report;
  ASSERT_TRUE(DbOpen(path_, "t", kShareReadWrite, &report));
  EXPECT_FALSE(report.repair.repaired());
  EXPECT_EQ(ReadTestFile(path_), whole);
  EXPECT_FALSE(FileExists(CopyPath()));
}

TEST_F(DamagedTableTest, SoundTableReportsNoRepair) {
  DbOpenReport report;
  ASSERT_TRUE(DbOpen(path_, "t", kShareReadWrite, &report));
  EXPECT_FALSE(report.repair.repaired());
  EXPECT_EQ(report.repair.records_lost, 0);
}

}  // namespace
}  // namespace matslip
