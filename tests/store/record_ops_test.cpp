// Several fields of a record in one write, and copies of a run of records.
#include <gtest/gtest.h>

#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/file_io.h"
#include "store/format.h"
#include "store/record_codec.h"
#include "store/table_check.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::ReadTestFile;

class RecordOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_.File("data.mzk");
    ASSERT_TRUE(material::CreateEmptyTable(data_));
    ASSERT_TRUE(DbOpen(data_, "data"));
  }
  void AddMaterial(const std::string& name, double quantity,
                   const std::string& in_log = "",
                   const std::string& out_log = "") {
    ASSERT_TRUE(DbAppend({name, "规格", "米", quantity, 2.0, quantity * 2}));
    if (!in_log.empty()) {
      ASSERT_TRUE(DbWriteMemo(material::kInLog, in_log));
    }
    if (!out_log.empty()) {
      ASSERT_TRUE(DbWriteMemo(material::kOutLog, out_log));
    }
  }
  // The bytes of record `number` (1-based) of the table file at `path`.
  std::string RecordBytes(const std::string& path, int number) {
    const Schema schema(material::Fields());
    return ReadTestFile(path).substr(
        schema.header_length() +
            std::size_t(number - 1) * schema.record_length(),
        schema.record_length());
  }
  // Field `field` of every record of the table at `path`, as texts.
  std::vector<std::string> Column(const std::string& path, int field) {
    std::vector<std::string> out;
    auto t = Table::Open(path, OpenOptions{.read_only = true});
    EXPECT_TRUE(t);
    if (!t) return out;
    for (int i = 1; i <= t->RecordCount(); ++i) {
      Value v;
      EXPECT_TRUE(t->GoTo(i) && t->Read(field - 1, &v));
      out.push_back(v.ToText());
    }
    return out;
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string data_;
};

using WriteFieldsTest = RecordOpsTest;

TEST_F(WriteFieldsTest, WritesEveryValueAndNoOtherByte) {
  AddMaterial("钢芯铝绞线", 10, "进库一\r\n");
  AddMaterial("熔丝", 5);
  ASSERT_TRUE(DbGoTo(1));
  const std::string before = RecordBytes(data_, 1);
  const std::string second = RecordBytes(data_, 2);
  ASSERT_TRUE(DbWriteFields({{material::kQuantity, 7.5},
                             {"金额", 15.0},
                             {material::kInDate, Value::Date(46000.5)}}));
  EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), 7.5);
  DbClose();
  EXPECT_EQ(Column(data_, material::kQuantity),
            (std::vector<std::string>{"7.5", "5"}));
  EXPECT_EQ(Column(data_, material::kValue),
            (std::vector<std::string>{"15", "10"}));
  EXPECT_EQ(Column(data_, material::kInLog),
            (std::vector<std::string>{"进库一\r\n", ""}));
  // Only the three fields' bytes differ.
  const Schema schema(material::Fields());
  std::string expected = before;
  ASSERT_TRUE(
      EncodeField(schema.field(material::kQuantity - 1), 7.5, expected.data()));
  ASSERT_TRUE(
      EncodeField(schema.field(material::kValue - 1), 15.0, expected.data()));
  ASSERT_TRUE(EncodeField(schema.field(material::kInDate - 1),
                          Value::Date(46000.5), expected.data()));
  EXPECT_EQ(RecordBytes(data_, 1), expected);
  EXPECT_EQ(RecordBytes(data_, 2), second);
}

// The write spans the bytes between the first and the last field written:
// a field another opener changed in between since this one read the record
// keeps that opener's value.
TEST_F(WriteFieldsTest, KeepsAFieldAnotherOpenerWroteInBetween) {
  AddMaterial("钢芯铝绞线", 10);
  ASSERT_TRUE(DbGoTo(1));
  ASSERT_EQ(DbRead(material::kPrice).ToNumber(), 2.0);  // loads the record
  auto other = Table::Open(data_, OpenOptions{});
  ASSERT_TRUE(other && other->GoTo(1));
  ASSERT_TRUE(other->Write(material::kPrice - 1, 3.25));
  ASSERT_TRUE(
      DbWriteFields({{material::kQuantity, 1.0}, {material::kValue, 3.25}}));
  DbClose();
  EXPECT_EQ(Column(data_, material::kPrice), std::vector<std::string>{"3.25"});
  EXPECT_EQ(Column(data_, material::kQuantity), std::vector<std::string>{"1"});
}

TEST_F(WriteFieldsTest, MemoFieldIsRefusedAndNothingWritten) {
  AddMaterial("钢芯铝绞线", 10, "进库一\r\n");
  const std::string table = ReadTestFile(data_);
  const std::string memo = ReadTestFile(dir_.File("data.edt"));
  EXPECT_FALSE(
      DbWriteFields({{material::kQuantity, 1.0}, {material::kInLog, "x"}}));
  EXPECT_FALSE(DbLastResult());
  EXPECT_EQ(ReadTestFile(data_), table);
  EXPECT_EQ(ReadTestFile(dir_.File("data.edt")), memo);
}

TEST_F(WriteFieldsTest, ValueThatDoesNotFitIsRefusedAndNothingWritten) {
  AddMaterial("钢芯铝绞线", 10);
  const std::string table = ReadTestFile(data_);
  // 品名 holds 64 bytes: 33 Chinese characters take 66.
  std::string long_name;
  for (int i = 0; i < 33; ++i) long_name += "线";
  EXPECT_FALSE(DbWriteFields(
      {{material::kQuantity, 1.0}, {material::kName, long_name}}));
  EXPECT_FALSE(DbWriteFields({{material::kQuantity, 1.0}, {"没有", 1.0}}));
  EXPECT_EQ(ReadTestFile(data_), table);
  // 32 characters fit exactly.
  long_name.resize(long_name.size() - 3);
  EXPECT_TRUE(DbWriteFields({{material::kName, long_name}}));
  EXPECT_EQ(DbRead(material::kName).ToText(), long_name);
}

TEST_F(WriteFieldsTest, IntegerOutOfItsRangeIsRefused) {
  DbCloseAll();
  const std::string path = dir_.File("ints.mzk");
  ASSERT_TRUE(testing::CreateTable(
      path, Schema({{"a", fmt::kShort, 0, 0}, {"b", fmt::kInt, 0, 0}})));
  ASSERT_TRUE(DbOpen(path, "ints"));
  ASSERT_TRUE(DbAppend({1, 2}));
  EXPECT_FALSE(DbWriteFields({{1, 5}, {2, 1.5}}));
  EXPECT_FALSE(DbWriteFields({{1, 40000}, {2, 5}}));
  EXPECT_EQ(DbRead(1).ToNumber(), 1);
  EXPECT_EQ(DbRead(2).ToNumber(), 2);
  EXPECT_TRUE(DbWriteFields({{1, -32768}, {2, 5}}));
  EXPECT_EQ(DbRead(1).ToNumber(), -32768);
}

TEST_F(WriteFieldsTest, WithoutACurrentRecordOrForAReaderNothingIsWritten) {
  EXPECT_FALSE(DbWriteFields({{material::kQuantity, 1.0}}));  // no records
  AddMaterial("钢芯铝绞线", 10);
  DbClose();
  auto reader = Table::Open(data_, OpenOptions{.read_only = true});
  ASSERT_TRUE(reader && reader->GoTo(1));
  EXPECT_FALSE(reader->WriteFields({{material::kQuantity - 1, 1.0}}));
  EXPECT_EQ(Column(data_, material::kQuantity), std::vector<std::string>{"10"});
}

using CopyRecordsTest = RecordOpsTest;

TEST_F(CopyRecordsTest, CopiesTheRunWithItsMemoTextsInANewMemoFile) {
  AddMaterial("一", 1, std::string(1200, 'a'));
  AddMaterial("二", 2, "进库二\r\n", std::string(600, 'o'));
  AddMaterial("三", 3);
  AddMaterial("四", 4, std::string(501, 'd'));
  AddMaterial("五", 5, std::string(3000, 'e'));
  const std::string target = dir_.File("xdgj1.mzk");
  ASSERT_TRUE(DbGoTo(5));
  ASSERT_TRUE(DbCopyRecordsTo(target, 2, 3));
  EXPECT_EQ(DbRecordNumber(), 5);
  EXPECT_EQ(Column(target, material::kName),
            (std::vector<std::string>{"二", "三", "四"}));
  EXPECT_EQ(
      Column(target, material::kInLog),
      (std::vector<std::string>{"进库二\r\n", "", std::string(501, 'd')}));
  EXPECT_EQ(Column(target, material::kOutLog),
            (std::vector<std::string>{std::string(600, 'o'), "", ""}));
  EXPECT_EQ(CheckTable(target), std::vector<std::string>{});
  // Only the copied chains: one block, two blocks and two blocks.
  EXPECT_EQ(ReadTestFile(dir_.File("xdgj1.edt")).size(),
            std::size_t{fmt::kBlockSize} * 6);
}

// A material's backup takes every record of its key, wherever they are.
TEST_F(CopyRecordsTest, ScatteredRecordsAreCopiedInOrderAndOthersRefused) {
  AddMaterial("一", 1, "进库一\r\n");
  AddMaterial("二", 2);
  AddMaterial("三", 3, "进库三\r\n");
  AddMaterial("四", 4, std::string(700, 'd'));
  const std::string target = dir_.File("backup.mzk");
  ASSERT_TRUE(DbCopyRecordsTo(target, std::vector<int>{1, 3, 4}));
  EXPECT_EQ(Column(target, material::kName),
            (std::vector<std::string>{"一", "三", "四"}));
  EXPECT_EQ(Column(target, material::kInLog),
            (std::vector<std::string>{"进库一\r\n", "进库三\r\n",
                                      std::string(700, 'd')}));
  EXPECT_EQ(CheckTable(target), std::vector<std::string>{});
  EXPECT_FALSE(DbCopyRecordsTo(target, std::vector<int>{3, 1}));
  EXPECT_FALSE(DbCopyRecordsTo(target, std::vector<int>{2, 2}));
  EXPECT_FALSE(DbCopyRecordsTo(target, std::vector<int>{5}));
  EXPECT_EQ(Column(target, material::kName),
            (std::vector<std::string>{"一", "三", "四"}));
}

TEST_F(CopyRecordsTest, NoRecordsGivesAnEmptyTableAndMemoFile) {
  const std::string target = dir_.File("xdgj2.mzk");
  ASSERT_TRUE(DbCopyRecordsTo(target, 1, 0));  // of an empty table
  AddMaterial("一", 1, "进库\r\n");
  AddMaterial("二", 2, "进库\r\n");
  ASSERT_TRUE(DbCopyRecordsTo(target, 3, 0));  // after the last record
  EXPECT_EQ(Column(target, material::kName), std::vector<std::string>{});
  EXPECT_EQ(ReadTestFile(dir_.File("xdgj2.edt")).size(),
            std::size_t{fmt::kBlockSize});
  EXPECT_EQ(CheckTable(target), std::vector<std::string>{});
}

TEST_F(CopyRecordsTest, RunOutsideTheTableIsRefusedAndNothingWritten) {
  AddMaterial("一", 1);
  AddMaterial("二", 2);
  const std::string target = dir_.File("x.mzk");
  EXPECT_FALSE(DbCopyRecordsTo(target, 0, 1));
  EXPECT_FALSE(DbCopyRecordsTo(target, 2, 2));
  EXPECT_FALSE(DbCopyRecordsTo(target, 4, 0));
  EXPECT_FALSE(DbCopyRecordsTo(target, 1, -1));
  EXPECT_FALSE(FileExists(target));
  EXPECT_FALSE(FileExists(dir_.File("x.edt")));
}

// A record outside the run whose memo reference is broken does not matter:
// only the run's records and chains are read.
TEST_F(CopyRecordsTest, ReadsOnlyTheRecordsOfTheRun) {
  AddMaterial("一", 1, "进库一\r\n");
  AddMaterial("二", 2, "进库二\r\n");
  AddMaterial("三", 3, "进库三\r\n");
  DbClose();
  const Schema schema(material::Fields());
  {
    PosixFile f;
    char b[4];
    PutI32(b, 999999);
    ASSERT_TRUE(f.Open(data_, false));
    ASSERT_TRUE(f.WriteAt(
        schema.header_length() + schema.field(material::kInLog - 1).offset, b,
        4));
  }
  ASSERT_TRUE(DbOpen(data_, "data"));
  const std::string target = dir_.File("part.mzk");
  ASSERT_TRUE(DbCopyRecordsTo(target, 2, 2));
  EXPECT_EQ(Column(target, material::kInLog),
            (std::vector<std::string>{"进库二\r\n", "进库三\r\n"}));
  EXPECT_FALSE(DbCopyRecordsTo(target, 1, 1));  // the broken one itself
  EXPECT_EQ(Column(target, material::kName),
            (std::vector<std::string>{"二", "三"}));
}

TEST_F(CopyRecordsTest, ReplacesAnExistingTargetAndItsMemoFile) {
  AddMaterial("一", 1, std::string(2000, '1'));
  AddMaterial("二", 2, "进库二\r\n");
  const std::string target = dir_.File("xdgj1.mzk");
  ASSERT_TRUE(DbCopyRecordsTo(target, 1, 2));
  ASSERT_TRUE(DbCopyRecordsTo(target, 2, 1));
  EXPECT_EQ(Column(target, material::kInLog),
            std::vector<std::string>{"进库二\r\n"});
  EXPECT_EQ(ReadTestFile(dir_.File("xdgj1.edt")).size(),
            std::size_t{fmt::kBlockSize} * 2);
  EXPECT_EQ(CheckTable(target), std::vector<std::string>{});
}

}  // namespace
}  // namespace matslip
