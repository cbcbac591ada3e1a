// Copy, sort, append-from, delete with a condition, and share modes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/file_io.h"
#include "store/table_check.h"
#include "store/table_pair.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::CreateTable;
using testing::ReadTestFile;
using testing::SmallSchema;

class BulkOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_.File("data.mzk");
    ASSERT_TRUE(material::CreateEmptyTable(data_));
    ASSERT_TRUE(DbOpen(data_, "data"));
  }
  void AddMaterial(const std::string& name, const std::string& model,
                   double quantity, double value, const std::string& log = "") {
    ASSERT_TRUE(DbAppend({name, model, "米", quantity, 1.0, value}));
    if (!log.empty()) {
      ASSERT_TRUE(DbWriteMemo(material::kInLog, log));
    }
  }
  // Reads field `field` of every record of the table at `path`.
  std::vector<std::string> Column(const std::string& path,
                                  const FieldRef& field) {
    std::vector<std::string> out;
    bool own = path != data_;
    EXPECT_TRUE(own ? DbOpen(path, "peek") : DbSelect("data"));
    int n = DbRecordCount();
    for (int i = 1; i <= n; ++i) {
      DbGoTo(i);
      out.push_back(DbRead(field).ToText());
    }
    if (own) DbClose("peek");
    DbSelect("data");
    return out;
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string data_;
};

TEST_F(BulkOpsTest, CopyToWithFieldListAndCondition) {
  AddMaterial("钢芯铝绞线", "LGJ-95/20", 10, 100, "进库一\r\n");
  AddMaterial("悬式绝缘子", "XP-70", 0, 0);
  AddMaterial("熔丝", "10A", 5, 50, "进库三\r\n");
  ASSERT_TRUE(DbGoTo(2));
  std::string target = dir_.File("qd.mzk");
  ASSERT_TRUE(DbCopyTo(
      target, [] { return DbRead(material::kQuantity).ToNumber() > 0; },
      material::StockListFields()));
  EXPECT_EQ(DbRecordNumber(), 2);  // the source cursor is restored
  EXPECT_EQ(DbRead(1).ToText(), "悬式绝缘子");
  EXPECT_FALSE(FileExists(dir_.File("qd.edt")));  // no memo field copied
  ASSERT_TRUE(DbOpen(target, "qd"));
  EXPECT_EQ(DbFieldCount(), 7);
  EXPECT_EQ(DbFieldName(7), "报警数量");
  EXPECT_EQ(DbRecordCount(), 2);
  DbClose("qd");
  EXPECT_EQ(Column(target, 1),
            (std::vector<std::string>{"钢芯铝绞线", "熔丝"}));
  EXPECT_EQ(Column(target, 4), (std::vector<std::string>{"10", "5"}));
  EXPECT_TRUE(CheckTable(target).empty());

  // All fields, memo texts included, and identifiers renumbered from 1.
  std::string all = dir_.File("all.mzk");
  ASSERT_TRUE(DbCopyTo(all));
  EXPECT_EQ(Column(all, material::kInLog),
            (std::vector<std::string>{"进库一\r\n", "", "进库三\r\n"}));
  EXPECT_EQ(CheckTable(all), std::vector<std::string>{});

  // A condition true for no record still makes a valid empty file.
  std::string none = dir_.File("none.mzk");
  ASSERT_TRUE(DbCopyTo(none, [] { return false; }));
  EXPECT_EQ(Column(none, 1), std::vector<std::string>{});
  EXPECT_EQ(ReadTestFile(dir_.File("none.edt")).size(), 512u);

  EXPECT_FALSE(DbCopyTo(dir_.File("x.mzk"), nullptr, {"没有这个字段"}));
  EXPECT_FALSE(FileExists(dir_.File("x.mzk")));
}

TEST_F(BulkOpsTest, FullCopyTakesTheMemoFileWholeAndBothLiveOn) {
  AddMaterial("a", "1", 1, 1, std::string(1300, 'a'));
  AddMaterial("b", "2", 2, 2, "short b");
  AddMaterial("gone", "3", 3, 3, std::string(800, 'g'));
  ASSERT_TRUE(DbDelete());
  ASSERT_TRUE(DbPurge());  // leaves free blocks behind
  const std::string source_memo = ReadTestFile(dir_.File("data.edt"));
  std::string backup = dir_.File("backup.mzk");
  ASSERT_TRUE(DbCopyTo(backup));
  std::string copied = ReadTestFile(dir_.File("backup.edt"));
  ASSERT_EQ(copied.size(), source_memo.size());
  // Counts, blocks and free list; a pair id of its own.
  EXPECT_EQ(copied.substr(16, 488), source_memo.substr(16, 488));
  EXPECT_EQ(copied.substr(512), source_memo.substr(512));
  EXPECT_EQ(CheckTable(backup), std::vector<std::string>{});
  std::string sorted = dir_.File("sorted.mzk");
  ASSERT_TRUE(DbSortTo(sorted, "品名", false));
  EXPECT_EQ(Column(sorted, material::kInLog),
            (std::vector<std::string>{"short b", std::string(1300, 'a')}));
  EXPECT_EQ(CheckTable(sorted), std::vector<std::string>{});
  // The copies and the source change independently afterwards.
  ASSERT_TRUE(DbOpen(backup, "backup"));
  ASSERT_TRUE(DbGoTo(2));
  ASSERT_TRUE(DbWriteMemo(material::kInLog, std::string(900, '+')));
  ASSERT_TRUE(DbSelect("data"));
  ASSERT_TRUE(DbGoTo(2));
  ASSERT_TRUE(DbWriteMemo(material::kInLog, " more"));
  DbClose("backup");
  EXPECT_EQ(Column(backup, material::kInLog),
            (std::vector<std::string>{std::string(1300, 'a'),
                                      "short b" + std::string(900, '+')}));
  EXPECT_EQ(Column(data_, material::kInLog),
            (std::vector<std::string>{std::string(1300, 'a'), "short b more"}));
  EXPECT_EQ(CheckTable(backup), std::vector<std::string>{});
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

// The memo file taken whole is copied as far as its header counts blocks
// now, not as far as it did when this opener last read the header.
TEST_F(BulkOpsTest, FullCopyTakesBlocksAnotherOpenerAddedMeanwhile) {
  AddMaterial("a", "1", 1, 1, "short a");
  AddMaterial("b", "2", 2, 2, "short b");
  {
    auto other = Table::Open(data_, OpenOptions{});
    ASSERT_TRUE(other && other->GoTo(2));
    ASSERT_TRUE(other->AppendMemo(material::kInLog - 1,
                                  Value::Text(std::string(1500, '+'))));
  }
  std::string backup = dir_.File("backup.mzk");
  ASSERT_TRUE(DbCopyTo(backup));
  EXPECT_EQ(CheckTable(backup), std::vector<std::string>{});
  EXPECT_EQ(Column(backup, material::kInLog),
            (std::vector<std::string>{"short a",
                                      "short b" + std::string(1500, '+')}));
}

TEST_F(BulkOpsTest, FullCopyWithAWritePendingCopiesChainByChain) {
  AddMaterial("a", "1", 1, 1, std::string(1300, 'a'));
  // Another process's memo write is under way: its undo record is there.
  std::string memo = ReadTestFile(dir_.File("data.edt"));
  PutI32(memo.data() + 28, 0x314E524A);
  ASSERT_TRUE(testing::WriteTestFile(dir_.File("data.edt"), memo));
  std::string backup = dir_.File("backup.mzk");
  ASSERT_TRUE(DbCopyTo(backup));
  EXPECT_EQ(GetI32(ReadTestFile(dir_.File("backup.edt")).data() + 28), 0);
  EXPECT_EQ(Column(backup, material::kInLog),
            std::vector<std::string>{std::string(1300, 'a')});
  EXPECT_EQ(CheckTable(backup), std::vector<std::string>{});
}

TEST_F(BulkOpsTest, CopyToReplacesAnExistingTargetWhole) {
  AddMaterial("a", "1", 1, 1);
  std::string target = dir_.File("data2.mzk");
  ASSERT_TRUE(DbCopyTo(target));
  AddMaterial("b", "2", 2, 2);
  ASSERT_TRUE(DbCopyTo(target, nullptr, material::StockListFields()));
  EXPECT_EQ(Column(target, 1), (std::vector<std::string>{"a", "b"}));
  EXPECT_FALSE(FileExists(dir_.File("data2.edt")));  // the old memo file went
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_EQ(entry.path().filename().string().find(".new"), std::string::npos)
        << entry.path();
  EXPECT_FALSE(FileExists(target + ".pair"));
}

TEST_F(BulkOpsTest, SortByTextUsesGbkByteOrder) {
  // GBK orders Chinese by pinyin for level-1 characters: 电 (B5E7) before
  // 钢 (B8D6) before 熔 (C8DB); "ab" before "abc" (zero padding).
  for (const char* n : {"熔丝", "abc", "钢管", "电缆", "ab"})
    AddMaterial(n, "", 1, 1);
  std::string sorted = dir_.File("qd4.mzk");
  ASSERT_TRUE(DbSortTo(sorted, "品名", true));
  EXPECT_EQ(Column(sorted, 1),
            (std::vector<std::string>{"ab", "abc", "电缆", "钢管", "熔丝"}));
  ASSERT_TRUE(DbSortTo(sorted, "品名", false));
  EXPECT_EQ(Column(sorted, 1),
            (std::vector<std::string>{"熔丝", "钢管", "电缆", "abc", "ab"}));
}

TEST_F(BulkOpsTest, SortByNumberAndDateAndRestoresCursor) {
  AddMaterial("a", "", 1, 25.5, "log a");
  AddMaterial("b", "", 1, -3);
  AddMaterial("c", "", 1, 100, std::string(1100, 'c'));
  ASSERT_TRUE(DbGoTo(2));
  std::string sorted = dir_.File("s.mzk");
  ASSERT_TRUE(DbSortTo(sorted, "金额", true));
  EXPECT_EQ(DbRecordNumber(), 2);
  EXPECT_EQ(Column(sorted, 1), (std::vector<std::string>{"b", "a", "c"}));
  EXPECT_EQ(Column(sorted, material::kInLog),
            (std::vector<std::string>{"", "log a", std::string(1100, 'c')}));
  EXPECT_EQ(CheckTable(sorted), std::vector<std::string>{});
  ASSERT_TRUE(DbGoTo(1));
  ASSERT_TRUE(DbWrite(material::kOutDate, Value::Date(45000)));
  ASSERT_TRUE(DbGoTo(3));
  ASSERT_TRUE(DbWrite(material::kOutDate, Value::Date(44000)));
  ASSERT_TRUE(DbSortTo(sorted, "出库日期", false));
  EXPECT_EQ(Column(sorted, 1), (std::vector<std::string>{"a", "c", "b"}));
  EXPECT_FALSE(DbSortTo(dir_.File("bad.mzk"), "材  料  品  名", true));
  EXPECT_FALSE(FileExists(dir_.File("bad.mzk")));
}

TEST_F(BulkOpsTest, SortPutsNotANumberFirst) {
  for (int i = 0; i < 40; ++i) AddMaterial(std::to_string(i), "", 1, 40 - i);
  ASSERT_TRUE(DbGoTo(7));
  ASSERT_TRUE(DbWrite(material::kValue, std::nan("")));
  std::string sorted = dir_.File("s.mzk");
  for (bool ascending : {true, false}) {
    ASSERT_TRUE(DbSortTo(sorted, "金额", ascending));
    std::vector<std::string> names = Column(sorted, 1);
    ASSERT_EQ(names.size(), 40u);
    EXPECT_EQ(ascending ? names.front() : names.back(), "6");
  }
  // Two keys take the general comparison, with the same order.
  ASSERT_TRUE(DbSortTo(sorted, {{"金额", true}, {"品名", true}}));
  EXPECT_EQ(Column(sorted, 1).front(), "6");
}

TEST_F(BulkOpsTest, AppendFromPairsByNameAndCompatibleType) {
  AddMaterial("old", "", 1, 1, "老记录\r\n");
  std::string other = dir_.File("other.mzk");
  // 数量 as an integer (numeric: paired), 单位 as a number (text vs number:
  // not paired), 品名 wider than in data, an extra field nobody has.
  ASSERT_TRUE(CreateTable(other, Schema({{"品名", fmt::kText, 80, 0},
                                         {"数量", fmt::kInt, 0, 0},
                                         {"单位", fmt::kDouble, 0, 0},
                                         {"进库记录", fmt::kMemo, 0, 0},
                                         {"extra", fmt::kText, 4, 0}})));
  ASSERT_TRUE(DbOpen(other, "xdgja"));
  ASSERT_TRUE(DbAppend({std::string(70, 'n'), 7, 3.0, "新记录\r\n", "zz"}));
  ASSERT_TRUE(DbSelect("data"));
  ASSERT_TRUE(DbAppendFrom("xdgja"));
  EXPECT_EQ(DbRecordCount(), 2);
  ASSERT_TRUE(DbGoTo(2));
  EXPECT_EQ(DbRead(1).ToText(), std::string(64, 'n'));
  EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), 7);
  EXPECT_EQ(DbRead(material::kUnit).ToText(), "");
  EXPECT_EQ(DbRead(material::kInLog).ToText(), "新记录\r\n");
  DbGoTo(1);
  EXPECT_EQ(DbRead(material::kInLog).ToText(), "老记录\r\n");
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
  EXPECT_FALSE(DbAppendFrom("nobody"));
}

TEST_F(BulkOpsTest, DeleteWithConditionMarksButStillCounts) {
  for (int i = 1; i <= 6; ++i)
    AddMaterial("m" + std::to_string(i), "", i, i, "log");
  ASSERT_TRUE(DbGoTo(4));
  ASSERT_TRUE(DbDelete(
      [] { return int(DbRead(material::kQuantity).ToNumber()) % 2 == 0; }));
  EXPECT_EQ(DbRecordNumber(), 4);
  EXPECT_EQ(DbRecordCount(), 6);
  ASSERT_TRUE(DbPurge());
  EXPECT_EQ(DbRecordCount(), 3);
  EXPECT_EQ(Column(data_, 1), (std::vector<std::string>{"m1", "m3", "m5"}));
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

TEST_F(BulkOpsTest, PurgeMovesManyBlocksOfRecords) {
  // More records than fit in one 160 KiB block (300 bytes each).
  for (int i = 0; i < 1500; ++i) AddMaterial(std::to_string(i), "", i, i);
  ASSERT_TRUE(DbDelete(
      [] { return int(DbRead(material::kQuantity).ToNumber()) % 10 == 3; }));
  ASSERT_TRUE(DbPurge());
  ASSERT_EQ(DbRecordCount(), 1350);
  int expected = 0;
  for (int i = 1; i <= 1350; ++i, ++expected) {
    if (expected % 10 == 3) ++expected;
    ASSERT_TRUE(DbGoTo(i));
    ASSERT_EQ(DbRead(material::kQuantity).ToNumber(), expected) << i;
  }
}

TEST_F(BulkOpsTest, PurgeReplacesTheFileAndOtherOpenersStopWriting) {
  for (int i = 0; i < 4; ++i) AddMaterial(std::to_string(i), "", i, i, "log");
  auto other = Table::Open(data_, OpenOptions{});
  ASSERT_TRUE(other);
  ASSERT_TRUE(DbGoTo(2));
  ASSERT_TRUE(DbDelete());
  ASSERT_TRUE(DbPurge());
  EXPECT_FALSE(FileExists(data_ + ".tmp"));
  // The purged table keeps working in this process...
  ASSERT_TRUE(DbAppend({"after", "", "", 9.0}));
  EXPECT_EQ(Column(data_, 1),
            (std::vector<std::string>{"0", "2", "3", "after"}));
  // ...while an opener of the replaced file fails instead of writing into a
  // file nobody sees any more.
  EXPECT_FALSE(other->Append({"lost"}));
  ASSERT_TRUE(other->GoTo(1));
  EXPECT_FALSE(other->Write(0, Value::Text("lost")));
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

TEST_F(BulkOpsTest, ShareModesKeepOtherOpenersOut) {
  DbCloseAll();
  OpenOptions exclusive;
  exclusive.share_mode = kShareExclusive;
  auto owner = Table::Open(data_, exclusive);
  ASSERT_TRUE(owner);
  EXPECT_FALSE(DbOpen(data_, "data"));
  OpenOptions reader;
  reader.read_only = true;
  EXPECT_FALSE(Table::Open(data_, reader));
  owner.reset();
  ASSERT_TRUE(DbOpen(data_, "data"));
  // Someone has it open for writing: deny-write and exclusive openers fail,
  // a plain opener and a reader succeed.
  OpenOptions deny_write;
  deny_write.share_mode = kShareDenyWrite;
  EXPECT_FALSE(Table::Open(data_, deny_write));
  EXPECT_FALSE(Table::Open(data_, exclusive));
  EXPECT_TRUE(Table::Open(data_, OpenOptions{}));
  EXPECT_TRUE(Table::Open(data_, reader));
  DbCloseAll();
  // A reader that denies writing lets other readers in, not writers.
  deny_write.read_only = true;
  auto guard = Table::Open(data_, deny_write);
  ASSERT_TRUE(guard);
  EXPECT_TRUE(Table::Open(data_, reader));
  EXPECT_FALSE(DbOpen(data_, "data"));
}

}  // namespace
}  // namespace matslip
