#include "dbgrid/db_provider.h"

#include <gtest/gtest.h>

#include <string>

#include "base/datetime.h"
#include "grid/data_src.h"
#include "store/db.h"
#include "store/file_io.h"
#include "store/format.h"
#include "store/schema.h"
#include "store/table.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

class DbProviderTest : public ::testing::Test {
 protected:
  DbProviderTest() {
    DbCloseAll();
    SetDurableWrites(false);
    path_ = dir_.File("every.mzk");
    const Schema schema({{"字节", fmt::kByte, 0, 0},
                         {"短整", fmt::kShort, 0, 0},
                         {"整数", fmt::kInt, 0, 0},
                         {"长整", fmt::kLong, 0, 0},
                         {"单精", fmt::kSingle, 0, 0},
                         {"双精", fmt::kDouble, 0, 0},
                         {"逻辑", fmt::kBoolean, 0, 0},
                         {"日期", fmt::kDateTime, 0, 0},
                         {"值4", fmt::kValue4, 0, 0},
                         {"品名", fmt::kText, 16, 0},
                         {"数据", fmt::kBinary, 0, 0},
                         {"记录", fmt::kMemo, 0, 0}});
    auto table = Table::Create(path_, schema);
    EXPECT_NE(table, nullptr);
    memo_ = std::string(700, 'x') + "出库";
    EXPECT_TRUE(table->Append(
        {Value::Integer(200), Value::Integer(-3), Value::Integer(70000),
         Value::Integer(5000000000LL), Value::Number(0.1), Value::Number(0.13),
         Value::Boolean(true), Value::Date(CivilToDate({2013, 9, 10, 9, 5, 7})),
         Value::Integer(9), Value::Text("钢芯铝绞线"), Value::Binary("ab"),
         Value::Text(memo_)}));
    EXPECT_TRUE(
        table->Append({Value::Integer(0), Value::Integer(0), Value::Integer(0),
                       Value::Integer(0), Value::Number(0), Value::Number(1250),
                       Value::Boolean(false), Value::Date(0), Value::Integer(0),
                       Value::Text(""), Value(), Value()}));
  }
  ~DbProviderTest() override { DbCloseAll(); }

  testing::TempDir dir_;
  std::string path_;
  std::string memo_;
  DataSrc table_;
  DbProvider provider_;
};

TEST_F(DbProviderTest, EveryRecordBecomesARowOfTextsAfterTheTablesRows) {
  table_.SetTableSize(1, 7);
  table_.SetCellText(1, 1, "品名");
  provider_.set_file_name(path_);
  ASSERT_TRUE(table_.ConnectProvider(provider_));
  ASSERT_EQ(table_.GetRowCount(), 3);
  ASSERT_EQ(table_.GetColumnCount(), 12);
  EXPECT_EQ(table_.GetCellText(1, 1), "品名");
  const char* first[] = {"200", "-3",         "70000", "5000000000",
                         "0.1", "0.13",       "1",     "2013年9月10日9时5分7秒",
                         "9",   "钢芯铝绞线", "ab"};
  for (int c = 1; c <= 11; ++c)
    EXPECT_EQ(table_.GetCellText(2, c), first[c - 1]) << c;
  EXPECT_EQ(table_.GetCellText(2, 12), memo_);
  const char* second[] = {"0", "0", "0", "0", "0", "1250",
                          "0", "",  "0", "",  "",  ""};
  for (int c = 1; c <= 12; ++c)
    EXPECT_EQ(table_.GetCellText(3, c), second[c - 1]) << c;
}

TEST_F(DbProviderTest, CallersOpenTablesAndCurrentTableAreUntouched) {
  const std::string other = dir_.File("other.mzk");
  ASSERT_NE(Table::Create(other, Schema({{"品名", fmt::kText, 8, 0}})),
            nullptr);
  ASSERT_TRUE(DbOpen(path_, "data"));  // the provider's own file, open already
  ASSERT_TRUE(DbOpen(other, "other"));
  ASSERT_TRUE(DbSelect("data"));
  ASSERT_TRUE(DbSkip(1));
  provider_.set_file_name(path_);
  ASSERT_TRUE(table_.ConnectProvider(provider_));
  EXPECT_EQ(table_.GetRowCount(), 2);
  EXPECT_EQ(DbFieldCount(), 12);  // "data" is still current
  EXPECT_EQ(DbRecordNumber(), 2);
  EXPECT_TRUE(DbSelect("other"));
}

TEST_F(DbProviderTest, UnreadableFileAddsNothing) {
  table_.SetTableSize(1, 2);
  provider_.set_file_name(dir_.File("missing.mzk"));
  EXPECT_FALSE(table_.ConnectProvider(provider_));
  provider_.set_file_name("");
  EXPECT_FALSE(table_.ConnectProvider(provider_));
  EXPECT_EQ(table_.GetRowCount(), 1);
  EXPECT_EQ(table_.GetColumnCount(), 2);
}

TEST_F(DbProviderTest, SourceFailingHalfWayLeavesTheTableAsItWas) {
  // Record 2's memo reference points past the memo file: record 1 reads,
  // record 2 does not.
  std::int64_t at;
  {
    OpenOptions read_only;
    read_only.read_only = true;
    auto table = Table::Open(path_, read_only);
    ASSERT_NE(table, nullptr);
    at = table->schema().header_length() + table->schema().record_length() +
         table->schema().field(11).offset;
  }
  std::string bytes = testing::ReadTestFile(path_);
  PutI32(bytes.data() + at, 999);
  ASSERT_TRUE(testing::WriteTestFile(path_, bytes));
  table_.SetTableSize(1, 2);
  table_.SetCellText(1, 2, "表头");
  table_.SetColumnWidths(2, 1, 333);
  provider_.set_file_name(path_);
  EXPECT_FALSE(table_.ConnectProvider(provider_));
  EXPECT_EQ(table_.GetRowCount(), 1);
  EXPECT_EQ(table_.GetColumnCount(), 2);
  EXPECT_EQ(table_.GetCellText(1, 2), "表头");
  EXPECT_EQ(table_.GetColumnWidth(2), 333);
}

TEST_F(DbProviderTest, EmptyFileStillGivesItsColumns) {
  ASSERT_TRUE(DbOpen(path_, "e"));
  ASSERT_TRUE(DbEmpty());
  DbClose("e");
  provider_.set_file_name(path_);
  ASSERT_TRUE(table_.ConnectProvider(provider_));
  EXPECT_EQ(table_.GetRowCount(), 0);
  EXPECT_EQ(table_.GetColumnCount(), 12);
}

}  // namespace
}  // namespace matslip
