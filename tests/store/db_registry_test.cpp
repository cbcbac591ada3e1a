// The registry and cursor semantics of the Db* operations.
#include <gtest/gtest.h>

#include <thread>

#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/table.h"
#include "store/table_check.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::CreateTable;
using testing::SmallSchema;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("t.mzk");
    ASSERT_TRUE(CreateTable(path_, SmallSchema()));
    ASSERT_TRUE(DbOpen(path_, "t"));
  }
  void AppendN(int n) {
    for (int i = 1; i <= n; ++i)
      ASSERT_TRUE(DbAppend({"item" + std::to_string(i), double(i)}));
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string path_;
};

TEST_F(RegistryTest, SkipStopsPastTheEndAndBeforeTheFirst) {
  AppendN(3);
  ASSERT_TRUE(DbGoTo(3));
  EXPECT_TRUE(DbSkip(1));
  EXPECT_EQ(DbRecordNumber(), 4);  // past the end
  EXPECT_FALSE(DbSkip(1));
  DbRead(1);
  EXPECT_FALSE(DbLastResult());
  EXPECT_TRUE(DbSkip(-10));
  EXPECT_EQ(DbRecordNumber(), 0);  // before the first
  EXPECT_FALSE(DbSkip(-1));
  EXPECT_TRUE(DbSkip(0));
  EXPECT_TRUE(DbSkip(100));
  EXPECT_EQ(DbRecordNumber(), 4);
}

TEST_F(RegistryTest, SkipOnEmptyTableFails) {
  EXPECT_FALSE(DbSkip(1));
  EXPECT_FALSE(DbSkip(-1));
  EXPECT_TRUE(DbSkip(0));
  EXPECT_TRUE(DbGoTo(5));
  EXPECT_EQ(DbRecordNumber(), 1);
  DbRead(1);
  EXPECT_FALSE(DbLastResult());
}

TEST_F(RegistryTest, GoToClampsToFirstAndLast) {
  AppendN(5);
  ASSERT_TRUE(DbGoTo(0));
  EXPECT_EQ(DbRecordNumber(), 1);
  EXPECT_EQ(DbRead(1).ToText(), "item1");
  ASSERT_TRUE(DbGoTo(99));
  EXPECT_EQ(DbRecordNumber(), 5);
  EXPECT_EQ(DbRead("数量").ToNumber(), 5);
}

// Another opener of the same file (another process in the program's world)
// appends and empties; the cursor moves of this one must follow.
TEST_F(RegistryTest, GoToSeesRecordsAnotherOpenerAppendedAndEmptied) {
  AppendN(2);
  auto other = Table::Open(path_, OpenOptions{});
  ASSERT_TRUE(other);
  ASSERT_TRUE(DbGoTo(2));
  ASSERT_TRUE(other->Append({Value::Text("item3"), Value::Number(3)}));
  ASSERT_TRUE(DbGoTo(3));
  EXPECT_EQ(DbRecordNumber(), 3);
  EXPECT_EQ(DbRead(1).ToText(), "item3");
  ASSERT_TRUE(DbGoTo(9));
  EXPECT_EQ(DbRecordNumber(), 3);

  // Emptied as a new pair put in place: this opener writes nothing into the
  // files it still has, and opening the path again finds the empty table.
  ASSERT_TRUE(other->Empty());
  ASSERT_TRUE(DbGoTo(2));
  EXPECT_FALSE(DbWrite(1, "x"));
  EXPECT_FALSE(DbWriteMemo(3, "x"));
  DbOpen(path_, "t");  // already open: the entry follows its path
  EXPECT_EQ(DbRecordCount(), 0);
  ASSERT_TRUE(other->Append({Value::Text("new1"), Value::Number(1)}));
  ASSERT_TRUE(DbGoTo(1));
  EXPECT_EQ(DbRead(1).ToText(), "new1");
  EXPECT_EQ(CheckTable(path_), std::vector<std::string>{});
}

TEST_F(RegistryTest, FindStartsAtCursorAndRestoresItOnMiss) {
  AppendN(5);
  ASSERT_TRUE(DbGoTo(2));
  EXPECT_TRUE(DbFind([] { return DbRead(2).ToNumber() >= 2; }));
  EXPECT_EQ(DbRecordNumber(), 2);  // the current record is included
  ASSERT_TRUE(DbGoTo(3));
  EXPECT_FALSE(DbFind([] { return DbRead(1).ToText() == "item1"; }));
  EXPECT_EQ(DbRecordNumber(), 3);
  ASSERT_TRUE(DbSkip(-10));
  EXPECT_TRUE(DbFind([] { return DbRecordNumber() == 4; }));
  EXPECT_EQ(DbRead(1).ToText(), "item4");
}

TEST_F(RegistryTest, SameFileTwiceFailsAndFirstAliasKeepsWorking) {
  AppendN(1);
  EXPECT_FALSE(DbOpen(path_, "other"));
  EXPECT_FALSE(DbSelect("other"));
  EXPECT_TRUE(DbSelect("t"));
  EXPECT_EQ(DbRecordCount(), 1);
  EXPECT_FALSE(DbOpen("", "x"));
  EXPECT_FALSE(DbOpen(dir_.File("missing.mzk"), "x"));
}

TEST_F(RegistryTest, AliasWinsOverFileNameOfAnotherTable) {
  // A table whose file name is "data.mzk" and another whose alias is
  // "data.mzk": the alias wins.
  std::string a = dir_.File("data.mzk"), b = dir_.File("b.mzk");
  ASSERT_TRUE(CreateTable(a, SmallSchema()));
  ASSERT_TRUE(CreateTable(b, SmallSchema()));
  ASSERT_TRUE(DbOpen(a, "first"));
  ASSERT_TRUE(DbOpen(b, "DATA.MZK"));
  ASSERT_TRUE(DbAppend({"in b"}));
  ASSERT_TRUE(DbSelect("first"));
  EXPECT_EQ(DbRecordCount(), 0);
  ASSERT_TRUE(DbSelect("data.mzk"));
  EXPECT_EQ(DbRecordCount(), 1);
  ASSERT_TRUE(DbSelect(a));  // full path
  EXPECT_EQ(DbRecordCount(), 0);
}

TEST_F(RegistryTest, ClosingRulesForCurrentAndEarlierTables) {
  std::string b = dir_.File("b.mzk");
  ASSERT_TRUE(CreateTable(b, SmallSchema()));
  ASSERT_TRUE(DbOpen(b, "b"));
  ASSERT_TRUE(DbAppend({"x"}));
  DbClose("t");  // opened before the current one
  EXPECT_EQ(DbRecordCount(), 1);
  EXPECT_TRUE(DbLastResult());
  DbClose("nobody");  // unknown: nothing happens
  EXPECT_EQ(DbRecordCount(), 1);
  DbClose();  // the current one
  EXPECT_EQ(DbRecordCount(), 0);
  EXPECT_FALSE(DbLastResult());
  EXPECT_FALSE(DbAppend({"y"}));
  EXPECT_FALSE(DbFirst());
  EXPECT_EQ(DbRecordNumber(), 0);
}

TEST_F(RegistryTest, FieldsByPositionAndNameWithoutCase) {
  EXPECT_EQ(DbFieldCount(), 3);
  EXPECT_EQ(DbFieldName(2), "数量");
  EXPECT_EQ(DbFieldType("记录"), fmt::kMemo);
  EXPECT_EQ(DbFieldType(4), 0);
  EXPECT_FALSE(DbLastResult());
  std::string p = dir_.File("c.mzk");
  ASSERT_TRUE(CreateTable(p, Schema({{"Name", fmt::kText, 4, 0}})));
  ASSERT_TRUE(DbOpen(p, "c"));
  EXPECT_EQ(DbFieldType("nAmE"), fmt::kText);
}

TEST_F(RegistryTest, TextIsCutAtCharacterBoundaryAndPadded) {
  // 8 bytes hold four GBK characters; a fifth would be cut whole.
  ASSERT_TRUE(DbAppend({"钢芯铝绞线"}));
  EXPECT_EQ(DbRead(1).ToText(), "钢芯铝绞");
  ASSERT_TRUE(DbWrite(1, "a钢芯铝绞"));  // 9 bytes: the last character goes
  EXPECT_EQ(DbRead(1).ToText(), "a钢芯铝");
  EXPECT_FALSE(DbWrite(1, "\xF0\x9F\x98\x80"));  // no GBK form: refused
  EXPECT_EQ(DbRead(1).ToText(), "a钢芯铝");
}

TEST_F(RegistryTest, WriteConvertsToTheFieldType) {
  ASSERT_TRUE(DbAppend({"x", "１２．５"}));
  EXPECT_DOUBLE_EQ(DbRead(2).ToNumber(), 12.5);
  ASSERT_TRUE(DbWrite(2, "abc"));
  EXPECT_DOUBLE_EQ(DbRead(2).ToNumber(), 0);
  ASSERT_TRUE(DbWrite(1, 3.5));
  EXPECT_EQ(DbRead(1).ToText(), "3.5");
}

TEST_F(RegistryTest, MemoAppendsContinueTheText) {
  ASSERT_TRUE(DbAppend({"x"}));
  EXPECT_EQ(DbRead(3).ToText(), "");
  ASSERT_TRUE(DbWriteMemo(3, "第一行\r\n"));
  ASSERT_TRUE(DbWriteMemo(3, "第二行\r\n"));
  EXPECT_EQ(DbRead(3).ToText(), "第一行\r\n第二行\r\n");
  ASSERT_TRUE(DbWrite(3, "replaced"));
  EXPECT_EQ(DbRead(3).ToText(), "replaced");
}

TEST_F(RegistryTest, LastResultIsPerThread) {
  EXPECT_FALSE(DbSelect("nobody"));
  bool other = false;
  std::thread([&] { other = DbLastResult(); }).join();
  EXPECT_FALSE(DbLastResult());
  EXPECT_FALSE(other);  // a fresh thread starts with no result
  EXPECT_TRUE(DbSelect("t"));
  EXPECT_TRUE(DbLastResult());
}

TEST_F(RegistryTest, MaterialTableCreatedWhenMissing) {
  std::string data = dir_.File("data.mzk");
  ASSERT_TRUE(material::EnsureTable(data));
  ASSERT_TRUE(DbOpen(data, "data"));
  EXPECT_EQ(DbFieldCount(), material::kFieldCount);
  for (int i = 1; i <= material::kFieldCount; ++i)
    EXPECT_EQ(DbFieldName(i), material::kFieldNames[i - 1]);
  EXPECT_EQ(DbFieldType(material::kOutLog), fmt::kMemo);
  EXPECT_EQ(DbFieldType(material::kInDate), fmt::kDateTime);
  EXPECT_EQ(DbFieldType(material::kAlarm), fmt::kDouble);
  // An existing table is left alone.
  ASSERT_TRUE(DbAppend({"钢芯铝绞线", "LGJ-95/20"}));
  DbClose("data");
  ASSERT_TRUE(material::EnsureTable(data));
  ASSERT_TRUE(DbOpen(data, "data"));
  EXPECT_EQ(DbRecordCount(), 1);
}

TEST_F(RegistryTest, TableReplacedOnDiskIsOpenedAnewUnderItsAlias) {
  AppendN(3);
  ASSERT_TRUE(CreateTable(dir_.File("u.mzk"), SmallSchema()));
  ASSERT_TRUE(DbOpen(dir_.File("u.mzk"), "u"));
  // Another table takes t's place, as a restore or a load does it.
  const std::string next = dir_.File("next.mzk");
  ASSERT_TRUE(CreateTable(next, SmallSchema()));
  ASSERT_TRUE(DbOpen(next, "next"));
  ASSERT_TRUE(DbAppend({"new", 7.0, "new log"}));
  DbClose("next");
  ASSERT_TRUE(MoveFile(dir_.File("next.edt"), dir_.File("t.edt")));
  ASSERT_TRUE(MoveFile(next, path_));

  DbOpenReport report;
  EXPECT_FALSE(DbOpen(path_, "data", kShareReadWrite, &report));
  EXPECT_TRUE(report.reopened);
  EXPECT_EQ(DbRecordCount(), 0);  // "u" stays current
  ASSERT_TRUE(DbSelect("t"));
  EXPECT_FALSE(DbSelect("data"));
  ASSERT_EQ(DbRecordCount(), 1);
  ASSERT_TRUE(DbFirst());
  EXPECT_EQ(DbRead(1).ToText(), "new");
  EXPECT_EQ(DbRead(3).ToText(), "new log");
  // Nothing changed since: the entry is kept as it is.
  EXPECT_FALSE(DbOpen(path_, "t", kShareReadWrite, &report));
  EXPECT_FALSE(report.reopened);
}

TEST_F(RegistryTest, TableRemovedOnDiskIsClosedOnTheNextOpen) {
  AppendN(2);
  ASSERT_TRUE(RemoveFile(path_));
  DbOpenReport report;
  EXPECT_FALSE(DbOpen(path_, "t", kShareReadWrite, &report));
  EXPECT_EQ(report.why, "file cannot be opened");
  EXPECT_FALSE(DbSelect("t"));
}

TEST_F(RegistryTest, MemoFileWithoutItsTableIsKeptByteForByte) {
  const std::string data = dir_.File("data.mzk");
  const std::string logs = std::string("WEDT") + std::string(1020, '\x7');
  ASSERT_TRUE(testing::WriteTestFile(dir_.File("data.edt"), logs));
  EXPECT_FALSE(material::EnsureTable(data));
  EXPECT_FALSE(FileExists(data));
  EXPECT_EQ(testing::ReadTestFile(dir_.File("data.edt")), logs);
}

TEST_F(RegistryTest, InstallationInUpperCaseIsFoundAndOpened) {
  ASSERT_TRUE(material::EnsureTable(dir_.File("data.mzk")));
  ASSERT_TRUE(DbOpen(dir_.File("data.mzk"), "data"));
  ASSERT_TRUE(DbAppend({"钢芯铝绞线", "LGJ-95/20"}));
  ASSERT_TRUE(DbWriteMemo(material::kInLog, "进库 10"));
  DbCloseAll();
  ASSERT_TRUE(MoveFile(dir_.File("data.mzk"), dir_.File("DATA.MZK")));
  ASSERT_TRUE(MoveFile(dir_.File("data.edt"), dir_.File("DATA.EDT")));

  const std::string data = ExistingPathIgnoringCase(dir_.File("data.mzk"));
  EXPECT_EQ(data, dir_.File("DATA.MZK"));
  EXPECT_TRUE(material::EnsureTable(data));
  ASSERT_TRUE(DbOpen(data, "data"));
  EXPECT_EQ(DbRecordCount(), 1);
  ASSERT_TRUE(DbFirst());
  EXPECT_EQ(DbRead(material::kInLog).ToText(), "进库 10");
  EXPECT_FALSE(FileExists(dir_.File("data.mzk")));
  EXPECT_FALSE(FileExists(dir_.File("data.edt")));
  EXPECT_FALSE(FileExists(dir_.File("DATA.edt")));
}

}  // namespace
}  // namespace matslip
