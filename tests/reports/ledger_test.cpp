// The movement ledger of a material booked through real receipts and
// issues: the exact text, the record it finds and leaves current, and the
// empty text for a material that is not in the table.
#include "reports/ledger.h"

#include <gtest/gtest.h>

#include <string>

#include "base/clock.h"
#include "base/datetime.h"
#include "material/stock_in.h"
#include "stock/stock_out.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;

const double kMonday = CivilToDate({2026, 12, 7, 9, 5, 7});
const double kTuesday = CivilToDate({2026, 12, 8, 14, 0, 0});

class LedgerTest : public ::testing::Test {
 protected:
  LedgerTest() {
    DbCloseAll();
    SetDurableWrites(false);
    EXPECT_TRUE(CreateEmptyTable(dir_.File(kMaterialFile)));
    EXPECT_TRUE(DbOpen(dir_.File(kMaterialFile), kMaterialAlias));
  }
  ~LedgerTest() override {
    DbCloseAll();
    ResetClock();
  }

  void StockIn(const MaterialKey& key, const std::string& quantity, double at) {
    SetClock(at);
    const StockInForm form{key.name, key.model, "米",
                           "12.5",   quantity,  AmountText("12.5", quantity),
                           "0"};
    ASSERT_TRUE(
        BookStockIn(dir_.File(kStockInBackupFolder), form, Now()).booked);
  }
  void StockOut(const MaterialKey& key, const std::string& quantity,
                const std::string& value, double at) {
    SetClock(at);
    ASSERT_EQ(BookStockOut(dir_.path(),
                           {{{key, quantity, value}}, "检修班", "张三"}, Now()),
              1);
  }
  std::string Ledger(const MaterialKey& key) {
    return MaterialLedger(dir_.path(), key);
  }

  testing::TempDir dir_;
};

const MaterialKey kWire{"钢芯铝绞线", "LGJ-95/20"};
const MaterialKey kThinWire{"钢芯铝绞线", "LGJ-50/8"};
const MaterialKey kInsulator{"绝缘子", "XP-70"};

TEST_F(LedgerTest, ShowsBothLogsUnderTheirHeadingsWithFourLineEndsBetween) {
  StockIn(kWire, "100", kMonday);
  StockOut(kWire, "10", "125", kMonday);
  StockIn(kWire, "20", kTuesday);
  StockOut(kWire, "4", "50", kTuesday);

  EXPECT_EQ(Ledger(kWire),
            "以下是钢芯铝绞线进库记录:\r\n"
            "数量 100 单价 12.5 金额 1250 入库后均价 12.5 数量 100 "
            "时间 2026年12月7日9时5分7秒\r\n"
            "数量 20 单价 12.5 金额 250 入库后均价 12.5 数量 110 "
            "时间 2026年12月8日14时\r\n"
            "\r\n\r\n\r\n\r\n"
            "以下是钢芯铝绞线出库记录:\r\n"
            "数量 10 金额 125 部门 检修班 经手 张三  时间 "
            "2026年12月7日9时5分7秒\r\n"
            "数量 4 金额 50 部门 检修班 经手 张三  时间 2026年12月8日14时\r\n");
}

TEST_F(LedgerTest, WithoutIssuesTheStockOutHeadingEndsTheText) {
  StockIn(kInsulator, "50", kMonday);

  EXPECT_EQ(Ledger(kInsulator),
            "以下是绝缘子进库记录:\r\n"
            "数量 50 单价 12.5 金额 625 入库后均价 12.5 数量 50 "
            "时间 2026年12月7日9时5分7秒\r\n"
            "\r\n\r\n\r\n\r\n"
            "以下是绝缘子出库记录:\r\n");
}

TEST_F(LedgerTest, TwoModelsOfOneNameShowTheirOwnLogs) {
  StockIn(kWire, "100", kMonday);
  StockIn(kThinWire, "30", kMonday);
  StockOut(kThinWire, "7", "87.5", kTuesday);

  const std::string wide = Ledger(kWire);
  const std::string thin = Ledger(kThinWire);
  EXPECT_NE(wide, thin);
  EXPECT_NE(wide.find("数量 100 "), std::string::npos);
  EXPECT_EQ(wide.find("数量 30 "), std::string::npos);
  EXPECT_EQ(wide.find("数量 7 "), std::string::npos);
  EXPECT_NE(thin.find("数量 30 "), std::string::npos);
  EXPECT_NE(thin.find("数量 7 "), std::string::npos);
  EXPECT_EQ(thin.find("数量 100 "), std::string::npos);
  // The headings carry the name only.
  EXPECT_EQ(thin.substr(0, thin.find("\r\n")), "以下是钢芯铝绞线进库记录:");
}

TEST_F(LedgerTest, LeavesTheFoundRecordCurrent) {
  StockIn(kInsulator, "50", kMonday);
  StockIn(kWire, "100", kMonday);
  StockIn(kThinWire, "30", kMonday);
  ASSERT_TRUE(DbGoTo(1));

  ASSERT_FALSE(Ledger(kThinWire).empty());
  EXPECT_EQ(DbRecordNumber(), 3);
  ASSERT_FALSE(Ledger(kWire).empty());
  EXPECT_EQ(DbRecordNumber(), 2);
}

TEST_F(LedgerTest, KeysAreComparedAsExactTexts) {
  StockIn(kWire, "100", kMonday);

  EXPECT_EQ(Ledger({"钢芯铝绞线", "lgj-95/20"}), "");
  EXPECT_EQ(Ledger({"钢芯铝绞线", "LGJ-95/20 "}), "");
  EXPECT_EQ(Ledger({"钢芯铝绞", "LGJ-95/20"}), "");
  EXPECT_NE(Ledger(kWire), "");
}

TEST_F(LedgerTest, AMaterialDeletedSinceItWasSelectedGivesAnEmptyText) {
  StockIn(kInsulator, "50", kMonday);
  StockIn(kWire, "100", kMonday);
  ASSERT_NE(Ledger(kWire), "");
  ASSERT_TRUE(DbGoTo(2));
  ASSERT_TRUE(DbDelete());
  ASSERT_TRUE(DbPurge());

  EXPECT_EQ(Ledger(kWire), "");
  EXPECT_NE(Ledger(kInsulator), "");
}

TEST_F(LedgerTest, OpensTheTableWhenClosedAndLeavesItCurrent) {
  StockIn(kInsulator, "50", kMonday);
  DbCloseAll();

  EXPECT_NE(Ledger(kInsulator), "");
  EXPECT_EQ(DbFieldCount(), kFieldCount);
  EXPECT_EQ(DbRecordNumber(), 1);
}

TEST_F(LedgerTest, NoMaterialTableGivesAnEmptyText) {
  DbCloseAll();
  testing::TempDir empty;
  EXPECT_EQ(MaterialLedger(empty.path(), kWire), "");
}

}  // namespace
}  // namespace matslip
