// One record of a table replaced by the records of another table with the
// same fields, the memo texts moving along.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/file_io.h"
#include "store/format.h"
#include "store/table_check.h"
#include "store/table_pair.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::ReadTestFile;

// Every field of every record as text, memo logs included.
using Rows = std::vector<std::vector<std::string>>;

class ReplaceRecordTest : public ::testing::Test {
 protected:
  static constexpr int kCount = 5;

  void SetUp() override {
    data_ = dir_.File("data.mzk");
    backup_ = dir_.File("backup.mzk");
    ASSERT_TRUE(material::CreateEmptyTable(data_));
    ASSERT_TRUE(DbOpen(data_, "data"));
    for (int i = 1; i <= kCount; ++i) {
      const std::string name = "材料" + std::to_string(i);
      ASSERT_TRUE(DbAppend({name, "规格", "米", double(i), 2.0, 2.0 * i}));
      // Logs of one, two and three blocks, some records without.
      if (i % 2 == 1) {
        ASSERT_TRUE(
            DbWriteMemo(material::kInLog, std::string(400 * i, char('a' + i))));
      }
      ASSERT_TRUE(DbWriteMemo(material::kOutLog, name + " 出库\r\n"));
    }
  }

  // Saves record `n` into the backup, then books into it (fields and a
  // log line long enough to take new blocks), as a stock-in does.
  void BackUpAndBook(int n) {
    ASSERT_TRUE(DbSelect("data"));
    ASSERT_TRUE(DbCopyRecordsTo(backup_, n, 1));
    ASSERT_TRUE(DbGoTo(n));
    ASSERT_TRUE(DbWriteFields(
        {{material::kQuantity, 99.0}, {material::kValue, 198.0}}));
    ASSERT_TRUE(DbWriteMemo(material::kInLog, std::string(1200, '+')));
  }

  static Rows ReadRows(const std::string& path) {
    Rows rows;
    auto t = Table::Open(path, OpenOptions{.read_only = true});
    EXPECT_TRUE(t);
    if (!t) return rows;
    for (int i = 1; i <= t->RecordCount(); ++i) {
      EXPECT_TRUE(t->GoTo(i));
      auto& row = rows.emplace_back();
      for (int f = 0; f < t->schema().field_count(); ++f) {
        Value v;
        EXPECT_TRUE(t->Read(f, &v));
        row.push_back(v.ToText());
      }
    }
    return rows;
  }
  // The bytes of each record of the table file at `path`.
  static std::vector<std::string> RecordBytes(const std::string& path) {
    const Schema schema(material::Fields());
    const std::string file = ReadTestFile(path);
    std::vector<std::string> out;
    for (std::size_t at = schema.header_length(); at < file.size();
         at += schema.record_length())
      out.push_back(file.substr(at, schema.record_length()));
    return out;
  }
  static std::set<std::int32_t> Identifiers(const std::string& path) {
    std::set<std::int32_t> ids;
    for (const std::string& r : RecordBytes(path)) ids.insert(GetI32(r.data()));
    return ids;
  }
  // Replaces record `n` of "data" by the backup's records.
  bool Replace(int n, int source_records = -1) {
    EXPECT_TRUE(DbOpen(backup_, "xdgja"));
    EXPECT_TRUE(DbSelect("data"));
    const bool ok = DbReplaceRecord(n, "xdgja", source_records);
    DbClose("xdgja");
    EXPECT_TRUE(DbSelect("data"));
    return ok;
  }
  void ExpectRestored(int n) {
    SCOPED_TRACE("record " + std::to_string(n));
    DbCloseAll();
    const Rows before = ReadRows(data_);
    const std::vector<std::string> bytes = RecordBytes(data_);
    ASSERT_TRUE(DbOpen(data_, "data"));
    BackUpAndBook(n);
    const std::int32_t next_id = kCount + 1;
    ASSERT_TRUE(Replace(n));
    EXPECT_EQ(DbRecordNumber(), n);
    EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), n);
    DbCloseAll();
    Rows restored = ReadRows(data_);
    EXPECT_EQ(restored, before);
    const std::vector<std::string> after = RecordBytes(data_);
    ASSERT_EQ(after.size(), bytes.size());
    for (int i = 0; i < kCount; ++i) {
      if (i + 1 != n) {
        EXPECT_EQ(after[i], bytes[i]) << "record " << i + 1;
      }
    }
    EXPECT_EQ(GetI32(after[n - 1].data()), next_id);
    EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string data_, backup_;
};

TEST_F(ReplaceRecordTest, MiddleRecordComesBackExactlyAndTheOthersKeepBytes) {
  ExpectRestored(3);
}

TEST_F(ReplaceRecordTest, FirstRecord) { ExpectRestored(1); }

TEST_F(ReplaceRecordTest, LastRecord) { ExpectRestored(kCount); }

TEST_F(ReplaceRecordTest, BackupWithoutRecordsRemovesTheRecord) {
  const Rows before = ReadRows(data_);
  ASSERT_TRUE(DbCopyRecordsTo(backup_, 3, 0));
  ASSERT_TRUE(Replace(2));
  EXPECT_EQ(DbRecordCount(), kCount - 1);
  EXPECT_EQ(DbRecordNumber(), 2);
  EXPECT_EQ(DbRead(material::kName).ToText(), "材料3");
  DbCloseAll();
  Rows expected = before;
  expected.erase(expected.begin() + 1);
  EXPECT_EQ(ReadRows(data_), expected);
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

TEST_F(ReplaceRecordTest, BackupWithTwoRecordsPutsBothInPlace) {
  const Rows before = ReadRows(data_);
  ASSERT_TRUE(DbCopyRecordsTo(backup_, 4, 2));  // 材料4, 材料5
  ASSERT_TRUE(Replace(1));
  EXPECT_EQ(DbRecordCount(), kCount + 1);
  // New identifiers after the highest one given, and appends go on after
  // them.
  ASSERT_TRUE(DbAppend({"新材料"}));
  DbCloseAll();
  Rows expected = before;
  expected.erase(expected.begin());
  expected.insert(expected.begin(), before.begin() + 3, before.end());
  Rows got = ReadRows(data_);
  ASSERT_EQ(got.size(), expected.size() + 1);
  got.pop_back();
  EXPECT_EQ(got, expected);
  EXPECT_EQ(Identifiers(data_), (std::set<std::int32_t>{2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

TEST_F(ReplaceRecordTest, FirstSourceRecordOnlyWhenAskedFor) {
  const Rows before = ReadRows(data_);
  ASSERT_TRUE(DbCopyRecordsTo(backup_, 4, 2));  // 材料4, 材料5
  ASSERT_TRUE(Replace(1, 1));
  EXPECT_EQ(DbRecordCount(), kCount);
  DbCloseAll();
  Rows expected = before;
  expected[0] = before[3];
  EXPECT_EQ(ReadRows(data_), expected);
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

// The backup's memo file numbers its blocks from 1 like any other: its
// references mean nothing in the table's memo file.
TEST_F(ReplaceRecordTest, BackupMemoTextsGetChainsOfTheirOwn) {
  ASSERT_TRUE(DbCopyRecordsTo(backup_, 5, 1));  // 2000 bytes from block 1
  ASSERT_TRUE(Replace(1));
  DbCloseAll();
  const Rows rows = ReadRows(data_);
  ASSERT_EQ(rows.size(), std::size_t{kCount});
  EXPECT_EQ(rows[0][material::kInLog - 1], std::string(2000, 'f'));
  EXPECT_EQ(rows[2][material::kInLog - 1], std::string(1200, 'd'));
  EXPECT_EQ(rows[4][material::kInLog - 1], std::string(2000, 'f'));
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

TEST_F(ReplaceRecordTest, DifferentFieldsAreRefusedAndNothingChanges) {
  const std::string table = ReadTestFile(data_);
  const std::string memo = ReadTestFile(dir_.File("data.edt"));
  std::vector<FieldDef> wider = material::Fields();
  wider[2].width += 2;
  std::vector<FieldDef> swapped = material::Fields();
  std::swap(swapped[3], swapped[4]);
  std::vector<FieldDef> renamed = material::Fields();
  renamed[5].name = "总额";
  std::vector<FieldDef> fewer = material::Fields();
  fewer.pop_back();
  for (const auto& fields : {wider, swapped, renamed, fewer}) {
    ASSERT_TRUE(testing::CreateTable(backup_, Schema(fields)));
    ASSERT_TRUE(DbOpen(backup_, "xdgja"));
    ASSERT_TRUE(DbAppend({"材料3", "规格"}));
    ASSERT_TRUE(DbSelect("data"));
    EXPECT_FALSE(DbReplaceRecord(3, "xdgja"));
    DbClose("xdgja");
  }
  ASSERT_TRUE(DbSelect("data"));
  ASSERT_TRUE(DbCopyRecordsTo(backup_, 1, 1));
  ASSERT_TRUE(DbOpen(backup_, "xdgja"));
  ASSERT_TRUE(DbSelect("data"));
  EXPECT_FALSE(DbReplaceRecord(0, "xdgja"));
  EXPECT_FALSE(DbReplaceRecord(kCount + 1, "xdgja"));
  EXPECT_FALSE(DbReplaceRecord(1, "data"));  // itself
  {
    auto again = Table::Open(data_, OpenOptions{});  // the same file
    ASSERT_TRUE(again && again->GoTo(1));
    auto other = Table::Open(data_, OpenOptions{});
    ASSERT_TRUE(other);
    EXPECT_FALSE(again->ReplaceRecordWith(0, *other));
  }
  EXPECT_FALSE(DbReplaceRecord(1, "没有"));
  EXPECT_EQ(ReadTestFile(data_), table);
  EXPECT_EQ(ReadTestFile(dir_.File("data.edt")), memo);
}

TEST_F(ReplaceRecordTest, FailureMidwayLeavesTheOldPairInPlaceAndUsable) {
  ASSERT_TRUE(DbCopyRecordsTo(backup_, 1, 2));
  const std::string table = ReadTestFile(data_);
  const std::string memo = ReadTestFile(dir_.File("data.edt"));
  // The journal cannot be put in place.
  ASSERT_EQ(::mkdir((data_ + ".pair").c_str(), 0755), 0);
  EXPECT_FALSE(Replace(2));
  ASSERT_EQ(::rmdir((data_ + ".pair").c_str()), 0);
  // A backup record whose memo chain leaves its file.
  {
    PosixFile f;
    char b[4];
    PutI32(b, 999);
    const Schema schema(material::Fields());
    ASSERT_TRUE(f.Open(backup_, false));
    ASSERT_TRUE(f.WriteAt(schema.header_length() + schema.record_length() +
                              schema.field(material::kInLog - 1).offset,
                          b, 4));
  }
  EXPECT_FALSE(Replace(2));
  EXPECT_EQ(ReadTestFile(data_), table);
  EXPECT_EQ(ReadTestFile(dir_.File("data.edt")), memo);
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_EQ(entry.path().filename().string().find(".new"), std::string::npos)
        << entry.path();
  EXPECT_FALSE(FileExists(data_ + ".pair"));
  ASSERT_TRUE(DbGoTo(2));
  EXPECT_EQ(DbRead(material::kName).ToText(), "材料2");
  EXPECT_TRUE(DbWriteFields({{material::kQuantity, 7.0}}));
}

TEST_F(ReplaceRecordTest, TableStaysOpenWithItsShareModeOnTheNewFiles) {
  DbCloseAll();
  ASSERT_TRUE(DbOpen(data_, "data", kShareExclusive));
  BackUpAndBook(2);
  ASSERT_TRUE(Replace(2));
  EXPECT_FALSE(Table::Open(data_, OpenOptions{.read_only = true}));
  // Writes go into the new files.
  ASSERT_TRUE(DbGoTo(4));
  ASSERT_TRUE(DbWriteMemo(material::kInLog, "后来\r\n"));
  EXPECT_EQ(DbRead(material::kInLog).ToText(), "后来\r\n");
  DbCloseAll();
  EXPECT_EQ(ReadRows(data_)[3][material::kInLog - 1], "后来\r\n");
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

// The same replacement appending a table's records after the last one.
TEST_F(ReplaceRecordTest, AppendedRecordsFollowTheOthersWithTheirMemoTexts) {
  const Rows before = ReadRows(data_);
  ASSERT_TRUE(DbCopyRecordsTo(backup_, 3, 3));  // 材料3..5, 1200/2000 bytes
  ASSERT_TRUE(DbOpen(backup_, "xdgja"));
  ASSERT_TRUE(DbSelect("data"));
  ASSERT_TRUE(DbAppendRecordsFrom("xdgja"));
  EXPECT_EQ(DbRecordNumber(), kCount + 3);
  EXPECT_EQ(DbRead(material::kName).ToText(), "材料5");
  DbCloseAll();
  const Rows rows = ReadRows(data_);
  ASSERT_EQ(rows.size(), std::size_t{kCount + 3});
  EXPECT_EQ(Rows(rows.begin(), rows.begin() + kCount), before);
  EXPECT_EQ(Rows(rows.begin() + kCount, rows.end()),
            Rows(before.begin() + 2, before.end()));
  EXPECT_EQ(Identifiers(data_).size(), std::size_t{kCount + 3});
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

TEST_F(ReplaceRecordTest, AppendToAnEmptyTable) {
  ASSERT_TRUE(DbCopyRecordsTo(backup_, 1, 2));
  const std::string empty = dir_.File("empty.mzk");
  ASSERT_TRUE(DbCopyRecordsTo(empty, 1, 0));
  ASSERT_TRUE(DbOpen(backup_, "xdgja"));
  ASSERT_TRUE(DbOpen(empty, "empty"));
  ASSERT_TRUE(DbAppendRecordsFrom("xdgja"));
  EXPECT_EQ(DbRecordNumber(), 2);
  DbCloseAll();
  EXPECT_EQ(ReadRows(empty), ReadRows(backup_));
  EXPECT_EQ(CheckTable(empty), std::vector<std::string>{});
}

TEST_F(ReplaceRecordTest, AppendOfDifferentFieldsIsRefusedAndNothingChanges) {
  const std::string table = ReadTestFile(data_);
  const std::string memo = ReadTestFile(dir_.File("data.edt"));
  std::vector<FieldDef> fewer = material::Fields();
  fewer.pop_back();
  ASSERT_TRUE(testing::CreateTable(backup_, Schema(fewer)));
  ASSERT_TRUE(DbOpen(backup_, "xdgja"));
  ASSERT_TRUE(DbAppend({"材料3", "规格"}));
  ASSERT_TRUE(DbSelect("data"));
  EXPECT_FALSE(DbAppendRecordsFrom("xdgja"));
  EXPECT_FALSE(DbAppendRecordsFrom("data"));  // itself
  EXPECT_FALSE(DbAppendRecordsFrom("没有"));
  EXPECT_EQ(ReadTestFile(data_), table);
  EXPECT_EQ(ReadTestFile(dir_.File("data.edt")), memo);
}

}  // namespace
}  // namespace matslip
