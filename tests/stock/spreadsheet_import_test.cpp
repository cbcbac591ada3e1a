// "从电子表读" on a prepared material table: which spreadsheet rows are read
// and added, the records and log lines written, the spreadsheets that
// cannot be read and the texts that cannot be stored.
#include "stock/spreadsheet_import.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/dialogs.h"
#include "base/files.h"
#include "base/number.h"
#include "grid/data_src.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/file_io.h"
#include "store/table.h"
#include "store/table_check.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;
using Record = std::vector<std::string>;

constexpr char kHeading[] =
    ",材料清单\n序号,品名,规格型号,单位,数量,单价,金额,报警数量\n";

class SpreadsheetImportTest : public ::testing::Test {
 protected:
  SpreadsheetImportTest() {
    DbCloseAll();
    SetDurableWrites(false);
    auto table = Table::Create(dir_.File("data.mzk"), Schema(Fields()));
    std::vector<Value> v(kFieldCount);
    v[kName - 1] = "旧料";
    v[kModel - 1] = "甲";
    table->Append(v);
    now_ = CivilToDate({2026, 3, 1, 9, 5, 7});
    SetClock(now_);
  }
  ~SpreadsheetImportTest() override {
    DbCloseAll();
    ResetClock();
  }

  // A CSV of `rows` (columns A..H) under the two heading rows.
  std::string Sheet(const std::string& rows) {
    const std::string path = dir_.File("list.csv");
    EXPECT_TRUE(testing::WriteTestFile(path, kHeading + rows));
    return path;
  }

  ImportOutcome Import(const std::string& path) {
    dialogs_.files.push_back({true, path});
    return RunSpreadsheetImport(dir_.path(), dialogs_, &stock_out_, &list_,
                                nullptr);
  }

  // Every record after the one the table started with, all fields as text.
  Record Added(int k) {
    EXPECT_TRUE(DbOpen(dir_.File("data.mzk"), "check"));
    Record r;
    EXPECT_TRUE(DbGoTo(k + 2));
    for (int f = 1; f <= kFieldCount; ++f) r.push_back(DbRead(f).ToText());
    DbClose("check");
    return r;
  }
  std::vector<std::string> AddedNames() {
    EXPECT_TRUE(DbOpen(dir_.File("data.mzk"), "check"));
    std::vector<std::string> names;
    for (int n = 2; n <= DbRecordCount(); ++n) {
      DbGoTo(n);
      names.push_back(DbRead(kName).ToText());
    }
    DbClose("check");
    return names;
  }
  int RecordCount() {
    auto table = Table::Open(dir_.File("data.mzk"), OpenOptions{});
    return table ? table->RecordCount() : -1;
  }

  testing::TempDir dir_;
  testing::FakeDialogs dialogs_;
  StockOutState stock_out_;
  DataSrc list_;
  double now_ = 0;
};

std::string Names(int first, int count) {
  std::string rows;
  for (int i = first; i < first + count; ++i)
    rows += std::to_string(i) + ",料" + std::to_string(i) + ",型,个,1,2,2,0\n";
  return rows;
}

TEST_F(SpreadsheetImportTest, RowsThreeToTenAddEightMaterialsWithEveryField) {
  ASSERT_EQ(Import(Sheet(Names(1, 7) + "8,钢芯铝绞线,LGJ-95/20,米,3200,9.85,"
                                       "31520.5,500\n")),
            ImportOutcome::kAdded);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{"添加完毕，共添加材料8项。"});
  ASSERT_EQ(RecordCount(), 1 + 8);
  // The list: the header and rows 3..16 (the sixth empty name is row 16).
  EXPECT_EQ(list_.GetRowCount(), 1 + 14);
  EXPECT_EQ(list_.GetCellText(1, 5), "单价");
  EXPECT_EQ(list_.GetCellText(9, 4), "3200");
  EXPECT_EQ(list_.GetColumnWidth(1), 850);
  EXPECT_EQ(list_.GetColumnWidth(4), 140);
  EXPECT_EQ(list_.GetHeaderRows(), 1);

  Record expected(kFieldCount);
  expected[kName - 1] = "钢芯铝绞线";
  expected[kModel - 1] = "LGJ-95/20";
  expected[kUnit - 1] = "米";
  for (Field f : {kQuantity, kInQuantity, kMonthInQuantity, kYearInQuantity})
    expected[f - 1] = "3200";
  expected[kPrice - 1] = "9.85";
  for (Field f : {kValue, kInValue, kMonthInValue, kYearInValue})
    expected[f - 1] = "31520.5";
  expected[kAlarm - 1] = "500";
  expected[kInDate - 1] = Value::Date(now_).ToText();
  expected[kInLog - 1] =
      "数量 3200 单价 9.85 金额 31520.5 " + DateTimeText(now_) + "\r\n";
  for (Field f : {kOutQuantity, kOutValue, kMonthOutQuantity, kMonthOutValue,
                  kYearOutQuantity, kYearOutValue})
    expected[f - 1] = Value(0.0).ToText();
  Record added = Added(7);
  // Fields never written read as an empty number or date either way.
  for (Field f : {kOutQuantity, kOutValue, kMonthOutQuantity, kMonthOutValue,
                  kYearOutQuantity, kYearOutValue, kOutDate, kOutLog})
    added[f - 1] = expected[f - 1];
  EXPECT_EQ(added, expected);
  EXPECT_EQ(Added(0)[kName - 1], "料1");
}

TEST_F(SpreadsheetImportTest, TheSixthEmptyNameStopsTheReadingAnywhere) {
  // Rows 4..8 hold five empty names, row 10 the sixth: 料11 is never read.
  ASSERT_EQ(Import(Sheet(Names(1, 1) + "\n\n\n\n,,无名,个,1,1,1,1\n" +
                         Names(9, 1) + "\n" + Names(11, 1))),
            ImportOutcome::kAdded);
  EXPECT_EQ(AddedNames(), (std::vector<std::string>{"料1", "料9"}));
  EXPECT_EQ(list_.GetRowCount(), 1 + 8);
}

TEST_F(SpreadsheetImportTest, FiveEmptyNamesDoNotStopIt) {
  ASSERT_EQ(Import(Sheet(Names(1, 1) + "\n\n\n\n\n" + Names(7, 1))),
            ImportOutcome::kAdded);
  EXPECT_EQ(AddedNames(), (std::vector<std::string>{"料1", "料7"}));
}

TEST_F(SpreadsheetImportTest, ANameWithEmptyOrTextNumbersGetsZeros) {
  ASSERT_EQ(Import(Sheet("1,空料,,,,,,\n2,字料,型,个,多,贵,无,少\n")),
            ImportOutcome::kAdded);
  for (int k : {0, 1}) {
    const Record r = Added(k);
    for (Field f : {kQuantity, kPrice, kValue, kAlarm, kInQuantity})
      EXPECT_EQ(TextToNumber(r[f - 1]), 0) << k << " " << f;
    EXPECT_EQ(r[kInLog - 1],
              "数量 0 单价 0 金额 0 " + DateTimeText(now_) + "\r\n");
  }
}

// Rows 3..502 are read; the message says from which row on the rest was
// not, when the reading would have gone on to a named row.
TEST_F(SpreadsheetImportTest, RowsPastTheFiveHundredthAreNamedInTheMessage) {
  const std::string left =
      "\n电子表格第503行起未读入（每次最多读入500行）；"
      "请将这些行移到第3行起再导入一次。";
  ASSERT_EQ(Import(Sheet(Names(1, 1000))), ImportOutcome::kAdded);
  std::vector<std::string> names = AddedNames();
  ASSERT_EQ(names.size(), 500u);
  EXPECT_EQ(names.back(), "料500");
  EXPECT_EQ(list_.GetRowCount(), 1 + 500);
  EXPECT_EQ(dialogs_.Messages().back(), "添加完毕，共添加材料500项。" + left);

  // Five empty names, then one more material: still to be read.
  ASSERT_EQ(Import(Sheet(Names(1, 500) + "\n\n\n\n\n" + Names(506, 1))),
            ImportOutcome::kAdded);
  EXPECT_EQ(dialogs_.Messages().back(), "添加完毕，共添加材料500项。" + left);
  // Six: the reading would have stopped before it.
  ASSERT_EQ(Import(Sheet(Names(1, 500) + "\n\n\n\n\n\n" + Names(507, 1))),
            ImportOutcome::kAdded);
  EXPECT_EQ(dialogs_.Messages().back(), "添加完毕，共添加材料500项。");
  EXPECT_EQ(AddedNames().size(), 1500u);
}

// A CSV that a spreadsheet program saved with its numbers formatted.
TEST_F(SpreadsheetImportTest, FormattedNumbersAreImportedAsTheirValues) {
  ASSERT_EQ(
      Import(std::string(MATSLIP_TEST_DATA) + "/sheets/grouped-numbers.csv"),
      ImportOutcome::kAdded);
  const std::vector<std::vector<std::string>> expected = {
      {"钢芯铝绞线", "LGJ-95/20", "米", "1200", "1234.5", "1481400", "500"},
      {"螺栓", "0012", "套", "1000000", "0.125", "125000", "1000"},
      {"垫片", "1,200", "个", "3.5", "2", "7", "0"}};
  for (int k = 0; k < 3; ++k) {
    const Record r = Added(k);
    std::vector<std::string> got;
    for (Field f : kStockListFieldOrder)
      got.push_back(f <= kUnit ? r[f - 1]
                               : NumberToText(TextToNumber(r[f - 1])));
    EXPECT_EQ(got, expected[k]) << k;
  }
  // Numbers kept in text cells, as a page marks them: still their values.
  const std::string page = dir_.File("page.xls");
  ASSERT_TRUE(testing::WriteTestFile(
      page,
      "<table><tr></tr><tr></tr><tr><td></td><td>板</td><td x:str>1,200</td>"
      "<td>块</td><td x:str>1,200</td><td x:str>¥2.50</td>"
      "<td x:str>3,000.00</td><td x:str>10%</td></tr></table>"));
  ASSERT_EQ(Import(page), ImportOutcome::kAdded);
  const Record r = Added(3);
  EXPECT_EQ(r[kModel - 1], "1,200");
  EXPECT_EQ(TextToNumber(r[kQuantity - 1]), 1200);
  EXPECT_EQ(TextToNumber(r[kPrice - 1]), 2.5);
  EXPECT_EQ(TextToNumber(r[kValue - 1]), 3000);
  EXPECT_EQ(TextToNumber(r[kAlarm - 1]), 0.1);
}

TEST_F(SpreadsheetImportTest, ImportingTwiceAddsEveryMaterialTwice) {
  const std::string path = Sheet(Names(1, 3));
  ASSERT_EQ(Import(path), ImportOutcome::kAdded);
  ASSERT_EQ(Import(path), ImportOutcome::kAdded);
  EXPECT_EQ(AddedNames(), (std::vector<std::string>{"料1", "料2", "料3", "料1",
                                                    "料2", "料3"}));
  EXPECT_TRUE(CheckTable(dir_.File("data.mzk")).empty());
}

TEST_F(SpreadsheetImportTest, EveryFormatGivesTheSameRecords) {
  const std::string folder = std::string(MATSLIP_TEST_DATA) + "/sheets/";
  std::vector<std::vector<Record>> by_format;
  for (const char* file :
       {"materials.xls", "materials-biff5.xls", "materials.xlsx",
        "materials.ods", "materials.fods", "materials-html.xls",
        "materials-export.xls", "materials-utf8.csv", "materials-utf8-bom.csv",
        "materials-gbk.csv"}) {
    const int before = RecordCount();
    ASSERT_EQ(Import(folder + file), ImportOutcome::kAdded)
        << file << ": " << dialogs_.Messages().back();
    std::vector<Record> records;
    for (int k = before - 1; k < RecordCount() - 1; ++k)
      records.push_back(Added(k));
    ASSERT_EQ(records.size(), 8u) << file;
    if (!by_format.empty()) {
      EXPECT_EQ(records, by_format.front()) << file;
    }
    by_format.push_back(records);
  }
  EXPECT_EQ(by_format.front()[4][kModel - 1], "M16×200, 热镀锌");
}

TEST_F(SpreadsheetImportTest, AnUnreadableFileIsNamedAndAddsNothing) {
  const std::string path = dir_.File("broken.xls");
  ASSERT_TRUE(testing::WriteTestFile(path, "PK\x03\x04 not a zip archive"));
  list_.SetTableSize(3, 7);
  list_.SetCellText(2, 1, "原列表");
  EXPECT_EQ(Import(path), ImportOutcome::kUnreadable)
      << testing::ReadTestFile(path) << dialogs_.Messages().back();
  ASSERT_EQ(dialogs_.Messages().size(), 1u);
  EXPECT_NE(dialogs_.Messages()[0].find(path), std::string::npos);
  EXPECT_NE(dialogs_.Messages()[0].find(kImportUnreadable), std::string::npos);
  EXPECT_EQ(RecordCount(), 1);
  EXPECT_EQ(list_.GetCellText(2, 1), "原列表");
}

TEST_F(SpreadsheetImportTest, ACancelledDialogDoesNothing) {
  dialogs_.files.push_back({false, ""});
  EXPECT_EQ(
      RunSpreadsheetImport(dir_.path(), dialogs_, &stock_out_, &list_, nullptr),
      ImportOutcome::kCancelled);
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_EQ(RecordCount(), 1);
  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  EXPECT_EQ(dialogs_.file_requests[0].directory, dir_.path());
  EXPECT_EQ(dialogs_.file_requests[0].filter.rfind("*xls|*.xls|", 0), 0u);
  EXPECT_NE(dialogs_.file_requests[0].filter.find("*.xlsx"), std::string::npos);
}

TEST_F(SpreadsheetImportTest, ATooLongNameIsAskedAboutAndYesAddsTheOthers) {
  dialogs_.answers = {true};
  ASSERT_EQ(Import(Sheet(Names(1, 1) + "2," + std::string(65, 'x') +
                         ",型,个,1,1,1,1\n" + Names(3, 1))),
            ImportOutcome::kAdded);
  ASSERT_EQ(dialogs_.shown.size(), 3u);
  EXPECT_EQ(dialogs_.shown[1].kind, "ask");
  EXPECT_NE(dialogs_.shown[1].text.find("第4行 品名"), std::string::npos);
  EXPECT_EQ(AddedNames(), (std::vector<std::string>{"料1", "料3"}));
}

TEST_F(SpreadsheetImportTest, ATooLongNameAnsweredNoAddsNothing) {
  dialogs_.answers = {false};
  ASSERT_EQ(Import(Sheet(Names(1, 1) + "2,\xF0\x9F\x98\x80,型,个,1,1,1,1\n")),
            ImportOutcome::kDeclined);
  EXPECT_EQ(RecordCount(), 1);
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(SpreadsheetImportTest, WhatAKilledImportOrRestoreLeftIsRemoved) {
  const std::vector<std::string> staging = {
      "电子表导入.mzk",      "电子表导入.edt",
      "电子表导入.mzk.new",  "电子表导入.edt.new",
      "电子表导入.mzk.pair", "data.restore.mzk",
      "data.restore.edt",    "电子表导入.edt.new-pc1-42-7"};
  for (const std::string& name : staging)
    ASSERT_TRUE(testing::WriteTestFile(dir_.File(name), "left by a kill"));
  ASSERT_EQ(Import(Sheet(Names(1, 2))), ImportOutcome::kAdded);
  EXPECT_EQ(AddedNames(), (std::vector<std::string>{"料1", "料2"}));
  for (const std::string& name : staging)
    EXPECT_FALSE(FileExists(dir_.File(name))) << name;
}

// Another window's restore or import holding the program folder past the
// wait: nothing is added, and the user is told the table is in use.
TEST_F(SpreadsheetImportTest, AFolderHeldByAnotherProgramIsInUse) {
  const std::chrono::milliseconds limit = LockWaitLimit();
  SetLockWaitLimit(std::chrono::milliseconds(100));
  const int folder = ::open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(folder, LOCK_EX), 0);
  EXPECT_EQ(Import(Sheet(Names(1, 2))), ImportOutcome::kFailed);
  ::close(folder);
  SetLockWaitLimit(limit);
  EXPECT_EQ(RecordCount(), 1);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "材料未能加入数据库，数据库保持原样：材料数据表 " +
                dir_.File("data.mzk") +
                " 正被另一个程序占用（可能是另一个窗口或另一台电脑上的本程序）"
                "，请稍后再试。"});
}

TEST_F(SpreadsheetImportTest, TheStockOutSelectionIsEmptiedForTheEntries) {
  stock_out_.selection.push_back({{"出库料", "型"}});
  ASSERT_EQ(Import(Sheet(Names(1, 2))), ImportOutcome::kAdded);
  ASSERT_EQ(stock_out_.selection.size(), 2u);
  EXPECT_EQ(stock_out_.selection[0].key.name, "料1");
}

}  // namespace
}  // namespace matslip
