// The 统计 reports on a material table built by real receipts and issues:
// which materials each report lists, judged by the date of the last
// movement alone, and the seven fields of qd.mzk with what they copy.
#include "reports/period_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "material/stock_in.h"
#include "stock/stock_out.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/format.h"
#include "store/table.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;

constexpr char kResultAlias[] = "qd";

double At(int year, int month, int day, int hour = 10) {
  return CivilToDate({year, month, day, hour, 30, 0});
}

// "Now" for every report below: 7 December 2026, 15:20.
const double kNow = CivilToDate({2026, 12, 7, 15, 20, 0});

struct Field7 {
  std::string name;
  int type;
  bool operator==(const Field7&) const = default;
};

// What a report wrote: the fields of qd.mzk and its records as texts.
struct Result {
  std::vector<Field7> fields;
  std::vector<std::vector<std::string>> rows;
};

class PeriodReportTest : public ::testing::Test {
 protected:
  PeriodReportTest() {
    DbCloseAll();
    SetDurableWrites(false);
    EXPECT_TRUE(CreateEmptyTable(dir_.File(kMaterialFile)));
    EXPECT_TRUE(DbOpen(dir_.File(kMaterialFile), kMaterialAlias));
  }
  ~PeriodReportTest() override {
    DbCloseAll();
    ResetClock();
  }

  void StockIn(const std::string& name, const std::string& model,
               const std::string& price, const std::string& quantity,
               double at) {
    SetClock(at);
    const StockInForm form{
        name, model, "米", price, quantity, AmountText(price, quantity), "0"};
    ASSERT_TRUE(
        BookStockIn(dir_.File(kStockInBackupFolder), form, Now()).booked);
  }
  void StockOut(const std::string& name, const std::string& model,
                const std::string& quantity, const std::string& value,
                double at) {
    SetClock(at);
    ASSERT_EQ(
        BookStockOut(dir_.path(),
                     {{{{name, model}, quantity, value}}, "检修班", "张三"},
                     Now()),
        1);
  }

  // Runs `report` at kNow and reads qd.mzk back; "data" is current again
  // afterwards, as the report leaves it.
  Result Run(PeriodReport report) {
    SetClock(kNow);
    EXPECT_TRUE(WritePeriodReport(dir_.path(), report, Now()));
    return ReadResult();
  }
  Result ReadResult() {
    Result r;
    EXPECT_TRUE(DbOpen(dir_.File(kResultFile), kResultAlias));
    for (int f = 1; f <= DbFieldCount(); ++f)
      r.fields.push_back({DbFieldName(f), DbFieldType(f)});
    for (int n = 1; n <= DbRecordCount(); ++n) {
      EXPECT_TRUE(DbGoTo(n));
      std::vector<std::string> row;
      for (int f = 1; f <= DbFieldCount(); ++f)
        row.push_back(DbRead(f).ToText());
      r.rows.push_back(row);
    }
    DbClose(kResultAlias);
    EXPECT_TRUE(DbSelect(kMaterialAlias));
    return r;
  }
  static std::vector<std::string> Names(const Result& r) {
    std::vector<std::string> names;
    for (const auto& row : r.rows) names.push_back(row[0]);
    return names;
  }

  testing::TempDir dir_;
};

std::vector<Field7> ExpectedFields(const char* quantity, const char* amount,
                                   const char* date) {
  return {{"品名", fmt::kText},     {"规格型号", fmt::kText},
          {"单位", fmt::kText},     {"单价", fmt::kDouble},
          {quantity, fmt::kDouble}, {amount, fmt::kDouble},
          {date, fmt::kDateTime}};
}

TEST_F(PeriodReportTest, DayOutLeavesOutOtherDaysAndTheSameDayOfAnotherMonth) {
  StockIn("钢芯铝绞线", "LGJ-95/20", "12.5", "100", At(2026, 1, 3));
  StockIn("绝缘子", "XP-70", "30", "50", At(2026, 1, 3));
  StockIn("横担", "L63", "80", "10", At(2026, 1, 3));
  StockOut("钢芯铝绞线", "LGJ-95/20", "10", "125", At(2026, 11, 7));
  StockOut("横担", "L63", "1", "80", At(2026, 12, 6, 23));
  StockOut("绝缘子", "XP-70", "2", "60", At(2026, 12, 7, 8));
  StockOut("绝缘子", "XP-70", "3", "90", At(2026, 12, 7, 9));

  const Result r = Run(PeriodReport::kDayOut);
  EXPECT_EQ(r.fields, ExpectedFields("出库数量", "出库金额", "出库日期"));
  ASSERT_EQ(r.rows.size(), 1u);
  EXPECT_EQ(r.rows[0],
            (std::vector<std::string>{"绝缘子", "XP-70", "米", "30", "5", "150",
                                      DateTimeText(At(2026, 12, 7, 9))}));
}

TEST_F(PeriodReportTest, MonthOutLeavesOutTheSameMonthOfAnotherYear) {
  StockIn("钢芯铝绞线", "LGJ-95/20", "12.5", "100", At(2025, 1, 3));
  StockIn("绝缘子", "XP-70", "30", "50", At(2025, 1, 3));
  StockOut("钢芯铝绞线", "LGJ-95/20", "10", "125", At(2025, 12, 20));
  StockOut("绝缘子", "XP-70", "2", "60", At(2026, 12, 1));
  StockOut("绝缘子", "XP-70", "4", "120", At(2026, 12, 3));

  const Result r = Run(PeriodReport::kMonthOut);
  ASSERT_EQ(r.rows.size(), 1u);
  EXPECT_EQ(r.rows[0],
            (std::vector<std::string>{"绝缘子", "XP-70", "米", "30", "6", "180",
                                      DateTimeText(At(2026, 12, 3))}));
}

TEST_F(PeriodReportTest, YearOutListsEveryIssueOfThisYearInTableOrder) {
  StockIn("钢芯铝绞线", "LGJ-95/20", "12.5", "100", At(2025, 1, 3));
  StockIn("绝缘子", "XP-70", "30", "50", At(2025, 1, 3));
  StockIn("横担", "L63", "80", "10", At(2025, 1, 3));
  StockOut("横担", "L63", "1", "80", At(2026, 2, 1));
  StockOut("绝缘子", "XP-70", "1", "30", At(2025, 12, 31, 23));
  StockOut("钢芯铝绞线", "LGJ-95/20", "10", "125", At(2026, 1, 1, 0));
  StockOut("钢芯铝绞线", "LGJ-95/20", "4", "50", At(2026, 7, 1));

  const Result r = Run(PeriodReport::kYearOut);
  EXPECT_EQ(r.fields,
            ExpectedFields("本年出库数量", "本年出库金额", "出库日期"));
  EXPECT_EQ(Names(r), (std::vector<std::string>{"钢芯铝绞线", "横担"}));
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[0][4], "14");
  EXPECT_EQ(r.rows[0][5], "175");
}

TEST_F(PeriodReportTest, StockInOfAnEarlierYearIsInNoStockInReport) {
  // One year ago to the day: month and day agree with now, the year not.
  StockIn("钢芯铝绞线", "LGJ-95/20", "12.5", "100", At(2025, 12, 7));
  StockIn("钢芯铝绞线", "LGJ-95/20", "12.5", "20", At(2025, 12, 7, 11));
  StockIn("绝缘子", "XP-70", "30", "50", At(2026, 12, 7));

  for (PeriodReport report :
       {PeriodReport::kDayIn, PeriodReport::kMonthIn, PeriodReport::kYearIn}) {
    const Result r = Run(report);
    EXPECT_EQ(Names(r), std::vector<std::string>{"绝缘子"})
        << static_cast<int>(report);
  }
}

TEST_F(PeriodReportTest, StockInReportsCopyTheirPeriodsTotals) {
  StockIn("绝缘子", "XP-70", "30", "50", At(2026, 3, 2));
  StockIn("绝缘子", "XP-70", "30", "10", At(2026, 12, 1));
  StockIn("绝缘子", "XP-70", "30", "5", At(2026, 12, 7, 9));
  StockIn("绝缘子", "XP-70", "30", "2", At(2026, 12, 7, 11));

  const Result day = Run(PeriodReport::kDayIn);
  EXPECT_EQ(day.fields, ExpectedFields("进库数量", "进库金额", "进库日期"));
  ASSERT_EQ(day.rows.size(), 1u);
  EXPECT_EQ(day.rows[0][4], "7");
  EXPECT_EQ(day.rows[0][5], "210");
  EXPECT_EQ(day.rows[0][6], DateTimeText(At(2026, 12, 7, 11)));
  const Result month = Run(PeriodReport::kMonthIn);
  EXPECT_EQ(month.fields,
            ExpectedFields("本月进库数量", "本月进库金额", "进库日期"));
  ASSERT_EQ(month.rows.size(), 1u);
  EXPECT_EQ(month.rows[0][4], "17");
  const Result year = Run(PeriodReport::kYearIn);
  EXPECT_EQ(year.fields,
            ExpectedFields("本年进库数量", "本年进库金额", "进库日期"));
  ASSERT_EQ(year.rows.size(), 1u);
  EXPECT_EQ(year.rows[0][4], "67");
  EXPECT_EQ(year.rows[0][5], "2010");
}

TEST_F(PeriodReportTest, NoMatchStillWritesTheSevenFieldsWithoutRecords) {
  StockIn("绝缘子", "XP-70", "30", "50", At(2026, 12, 7));
  ASSERT_EQ(Run(PeriodReport::kDayIn).rows.size(), 1u);

  // Nothing was ever issued: the previous result must not survive.
  const Result r = Run(PeriodReport::kDayOut);
  EXPECT_EQ(r.fields, ExpectedFields("出库数量", "出库金额", "出库日期"));
  EXPECT_TRUE(r.rows.empty());
}

TEST_F(PeriodReportTest, MonthOutAfterDayInReplacesTheReportFields) {
  StockIn("钢芯铝绞线", "LGJ-95/20", "12.5", "100", At(2026, 12, 7, 8));
  StockIn("绝缘子", "XP-70", "30", "50", At(2026, 11, 30));
  StockOut("绝缘子", "XP-70", "2", "60", At(2026, 12, 2));
  ASSERT_EQ(Names(Run(PeriodReport::kDayIn)),
            std::vector<std::string>{"钢芯铝绞线"});

  const Result r = Run(PeriodReport::kMonthOut);
  EXPECT_EQ(r.fields,
            ExpectedFields("本月出库数量", "本月出库金额", "出库日期"));
  ASSERT_EQ(r.rows.size(), 1u);
  EXPECT_EQ(r.rows[0],
            (std::vector<std::string>{"绝缘子", "XP-70", "米", "30", "2", "60",
                                      DateTimeText(At(2026, 12, 2))}));
}

TEST_F(PeriodReportTest, OpensTheTableWhenClosedAndLeavesItCurrent) {
  StockIn("绝缘子", "XP-70", "30", "50", At(2026, 12, 7));
  DbCloseAll();
  ASSERT_TRUE(WritePeriodReport(dir_.path(), PeriodReport::kYearIn, kNow));
  EXPECT_EQ(DbFieldCount(), kFieldCount);
  EXPECT_EQ(DbFieldName(kInLog), "进库记录");
  // Already open: the run selects it again.
  ASSERT_TRUE(DbOpen(dir_.File(kResultFile), kResultAlias));
  ASSERT_TRUE(WritePeriodReport(dir_.path(), PeriodReport::kYearIn, kNow));
  EXPECT_EQ(DbFieldCount(), kFieldCount);
}

TEST_F(PeriodReportTest, WithoutAMaterialTableTheOldResultStays) {
  StockIn("绝缘子", "XP-70", "30", "50", At(2026, 12, 7));
  ASSERT_TRUE(WritePeriodReport(dir_.path(), PeriodReport::kDayIn, kNow));
  DbCloseAll();
  const std::string before = testing::ReadTestFile(dir_.File(kResultFile));
  ASSERT_TRUE(RemoveFile(dir_.File(kMaterialFile)));

  EXPECT_FALSE(WritePeriodReport(dir_.path(), PeriodReport::kDayOut, kNow));
  EXPECT_EQ(testing::ReadTestFile(dir_.File(kResultFile)), before);
}

TEST_F(PeriodReportTest, ADateFieldOfAnotherTypeWritesNoResult) {
  DbCloseAll();
  std::vector<FieldDef> fields = material::Fields();
  fields[kOutDate - 1] = {"出库日期", fmt::kText, 20};
  ASSERT_NE(Table::Create(dir_.File(kMaterialFile), Schema(fields)), nullptr);

  EXPECT_FALSE(WritePeriodReport(dir_.path(), PeriodReport::kDayOut, kNow));
  EXPECT_FALSE(FileExists(dir_.File(kResultFile)));
}

}  // namespace
}  // namespace matslip
