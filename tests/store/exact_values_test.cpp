// Values reach the file and come back exactly, or are refused: integers
// beyond a double's precision, numbers outside a field's range, texts cut in
// the middle of a character by an older program, field names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "material/material_table.h"
#include "store/db.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::CreateTable;
using testing::ReadTestFile;
using testing::WriteTestFile;

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kTwoTo53 = std::int64_t{1} << 53;

class IntegerFieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("n.mzk");
    ASSERT_TRUE(CreateTable(path_, Schema({{"b", fmt::kByte},
                                           {"s", fmt::kShort},
                                           {"i", fmt::kInt},
                                           {"l", fmt::kLong},
                                           {"v", fmt::kValue4}})));
    ASSERT_TRUE(DbOpen(path_, "n"));
    ASSERT_TRUE(DbAppend({7, 7, 7, 7, 7}));
  }

  // Writes `value` and expects a refusal that leaves the field and the file
  // as they were.
  void ExpectRefused(const char* field, const Value& value) {
    const Value before = DbRead(field);
    const std::string bytes = ReadTestFile(path_);
    EXPECT_FALSE(DbWrite(field, value)) << field << " " << value.ToText();
    EXPECT_EQ(DbRead(field), before) << field << " " << value.ToText();
    EXPECT_EQ(ReadTestFile(path_), bytes) << field << " " << value.ToText();
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string path_;
};

TEST_F(IntegerFieldTest, LongIntegersKeepAll64Bits) {
  for (std::int64_t v :
       {kTwoTo53 + 1, -(kTwoTo53 + 1), kInt64Max, kInt64Min, kInt64Max - 1}) {
    ASSERT_TRUE(DbWrite("l", Value::Integer(v))) << v;
    EXPECT_EQ(DbRead("l"), Value::Integer(v)) << v;
  }
}

TEST_F(IntegerFieldTest, LongIntegersWrittenAsTextAreExact) {
  ASSERT_TRUE(DbWrite("l", Value::Text("9007199254740993")));
  EXPECT_EQ(DbRead("l"), Value::Integer(kTwoTo53 + 1));
  ASSERT_TRUE(DbWrite("l", Value::Text("-9223372036854775808")));
  EXPECT_EQ(DbRead("l"), Value::Integer(kInt64Min));
  ASSERT_TRUE(DbWrite("l", Value::Text("１２")));  // full-width digits
  EXPECT_EQ(DbRead("l"), Value::Integer(12));
  ExpectRefused("l", Value::Text("9223372036854775808"));
}

TEST_F(IntegerFieldTest, NumbersBeyondTheLongRangeAreRefused) {
  ExpectRefused("l", Value::Number(0x1p63));
  ExpectRefused("l", Value::Number(-0x1p64));
  ExpectRefused("l", Value::Number(std::numeric_limits<double>::infinity()));
  ExpectRefused("l", Value::Number(std::nan("")));
  ASSERT_TRUE(DbWrite("l", Value::Number(-0x1p63)));
  EXPECT_EQ(DbRead("l"), Value::Integer(kInt64Min));
}

TEST_F(IntegerFieldTest, ValuesOutsideEachTypesRangeAreRefusedNotWrapped) {
  const struct {
    const char* field;
    std::int64_t lowest, highest;
  } kinds[] = {
      {"b", 0, 255},
      {"s", -32768, 32767},
      {"i", std::numeric_limits<std::int32_t>::min(),
       std::numeric_limits<std::int32_t>::max()},
      {"v", std::numeric_limits<std::int32_t>::min(),
       std::numeric_limits<std::int32_t>::max()},
  };
  for (const auto& k : kinds) {
    ASSERT_TRUE(DbWrite(k.field, Value::Integer(k.lowest))) << k.field;
    EXPECT_EQ(DbRead(k.field), Value::Integer(k.lowest)) << k.field;
    ASSERT_TRUE(DbWrite(k.field, Value::Number(k.highest))) << k.field;
    EXPECT_EQ(DbRead(k.field), Value::Integer(k.highest)) << k.field;
    ExpectRefused(k.field, Value::Integer(k.lowest - 1));
    ExpectRefused(k.field, Value::Integer(k.highest + 1));
    ExpectRefused(k.field, Value::Number(static_cast<double>(k.highest) + 1));
    ExpectRefused(k.field, Value::Integer(kInt64Min));
  }
}

TEST_F(IntegerFieldTest, FractionsAreRefusedInEveryIntegerType) {
  for (const char* field : {"b", "s", "i", "l", "v"}) {
    ExpectRefused(field, Value::Number(1.5));
    ExpectRefused(field, Value::Text("2.25"));
    ExpectRefused(field, Value::Number(std::nan("")));
    ASSERT_TRUE(DbWrite(field, Value::Number(3.0))) << field;
    EXPECT_EQ(DbRead(field), Value::Integer(3)) << field;
    ASSERT_TRUE(DbWrite(field, Value::Text("4.0"))) << field;
    EXPECT_EQ(DbRead(field), Value::Integer(4)) << field;
  }
}

TEST_F(IntegerFieldTest, AppendRefusesAValueThatDoesNotFit) {
  const int count = DbRecordCount();
  EXPECT_FALSE(DbAppend({256}));
  EXPECT_FALSE(DbAppend({1, 2, 3, Value::Number(0x1p63)}));
  EXPECT_EQ(DbRecordCount(), count);
}

// Files from an existing installation hold texts cut byte-wise at the
// field's width, ending in half a character. Such a value reads, finds,
// copies and writes back with every byte as it was.
class CutTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("data.mzk");
    ASSERT_TRUE(material::CreateEmptyTable(path_));
  }

  // Appends materials named by placeholders, then puts `names` (raw GBK)
  // into their name fields in the file, as an older program left them.
  void AppendRawNames(const std::vector<std::string>& names) {
    ASSERT_TRUE(DbOpen(path_, "data"));
    for (std::size_t i = 0; i < names.size(); ++i)
      ASSERT_TRUE(DbAppend({"#" + std::to_string(i), "LGJ-95/20", "米"}));
    DbCloseAll();
    std::string bytes = ReadTestFile(path_);
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::string placeholder = "#" + std::to_string(i);
      const std::size_t at = bytes.find(placeholder + '\0');
      ASSERT_NE(at, std::string::npos);
      ASSERT_LE(names[i].size(), 64u);
      bytes.replace(at, names[i].size(), names[i]);
    }
    ASSERT_TRUE(WriteTestFile(path_, bytes));
    ASSERT_TRUE(DbOpen(path_, "data"));
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string path_;
};

TEST_F(CutTextTest, KeysDifferingInTheLastHalfCharacterStayApart) {
  AppendRawNames({"ab\xB2", "ab\xB3"});
  ASSERT_TRUE(DbGoTo(2));
  const Value second = DbRead(material::kName);
  ASSERT_TRUE(DbGoTo(1));
  const Value first = DbRead(material::kName);
  EXPECT_NE(first, second);
  ASSERT_TRUE(DbFirst());
  ASSERT_TRUE(DbFind([&] { return DbRead(material::kName) == second; }));
  EXPECT_EQ(DbRecordNumber(), 2);
}

TEST_F(CutTextTest, ValuesWriteBackByteForByte) {
  AppendRawNames({"ab\xB2", "ab\xB3"});
  const std::string before = ReadTestFile(path_);
  for (int record : {1, 2}) {
    ASSERT_TRUE(DbGoTo(record));
    ASSERT_TRUE(DbWrite(material::kName, DbRead(material::kName))) << record;
  }
  EXPECT_EQ(ReadTestFile(path_), before);
  // Written into the other record, the value is the other record's bytes.
  ASSERT_TRUE(DbGoTo(2));
  const Value second = DbRead(material::kName);
  ASSERT_TRUE(DbGoTo(1));
  ASSERT_TRUE(DbWrite(material::kName, second));
  EXPECT_EQ(DbRead(material::kName), second);
}

TEST_F(CutTextTest, ALoneLeadByteAtTheEndOfAFullFieldSurvives) {
  // 31 characters 钢 (62 bytes), 'x' and the lead byte of a 32nd: the 64
  // bytes of the field, no terminator.
  std::string name;
  for (int i = 0; i < 31; ++i) name += "\xB8\xD6";
  name += "x\xB8";
  ASSERT_EQ(name.size(), 64u);
  AppendRawNames({name});
  const std::string before = ReadTestFile(path_);
  const Value read = DbRead(material::kName);
  ASSERT_TRUE(DbWrite(material::kName, read));
  EXPECT_EQ(ReadTestFile(path_), before);
  EXPECT_TRUE(DbAppend({read, "LGJ-95/20"}));
  EXPECT_EQ(DbRead(material::kName), read);
  ASSERT_TRUE(DbFirst());
  ASSERT_TRUE(DbCopyTo(dir_.File("copy.mzk"),
                       [&] { return DbRead(material::kName) == read; }));
  ASSERT_TRUE(DbOpen(dir_.File("copy.mzk"), "copy"));
  EXPECT_EQ(DbRecordCount(), 2);
  EXPECT_EQ(DbRead(material::kName), read);
  const std::string copy = ReadTestFile(dir_.File("copy.mzk"));
  EXPECT_NE(copy.find(name), std::string::npos);
}

class FieldNameTest : public ::testing::Test {
 protected:
  testing::RegistryGuard guard_;
  testing::TempDir dir_;
};

TEST_F(FieldNameTest, ANameWithoutGbkFormIsRefusedNotReplaced) {
  const std::string path = dir_.File("t.mzk");
  std::string why;
  EXPECT_EQ(Table::Create(path, Schema({{"品名😀", fmt::kText, 8}}), &why),
            nullptr);
  EXPECT_EQ(why, "field name has no GBK form");
  EXPECT_FALSE(DbOpen(path, "t"));
  ASSERT_NE(Table::Create(path, Schema({{"品名", fmt::kText, 8}}), &why),
            nullptr);
}

}  // namespace
}  // namespace matslip
