// "出库" up to the booking: numbers read as typed or the slip sent back
// untouched, and an issue beyond the stock booked only when confirmed.
#include "stock/slip_booking.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/files.h"
#include "grid/data_src.h"
#include "grid/grid.h"
#include "stock/slip_table.h"
#include "stock/stock_out_state.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/file_io.h"
#include "store/format.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;

const double kNow = CivilToDate({2013, 5, 3, 12, 0, 0});

class SlipBookingTest : public ::testing::Test {
 protected:
  SlipBookingTest() {
    DbCloseAll();
    SetDurableWrites(false);
    EXPECT_TRUE(CreateEmptyTable(dir_.File(kMaterialFile)));
    EXPECT_TRUE(DbOpen(dir_.File(kMaterialFile), kMaterialAlias));
    for (const auto& [name, stock] :
         {std::pair{"钢芯铝绞线", 900.0}, std::pair{"避雷器", 50.0}}) {
      std::vector<Value> v(kFieldCount);
      v[kName - 1] = name;
      v[kModel - 1] = "A";
      v[kQuantity - 1] = stock;
      v[kPrice - 1] = 2.0;
      v[kValue - 1] = 2 * stock;
      EXPECT_TRUE(DbAppend(v));
    }
  }
  ~SlipBookingTest() override { DbCloseAll(); }

  // The stock-out window's slip, recomputed after each edit.
  struct Window {
    Window() {
      grid.events().cell_edited = [this](int, int, const std::string&) {
        RecomputeSlip(&slip);
      };
    }
    StockOutState state;
    DataSrc slip;
    Grid grid;
  };

  // A new slip of `lines` (model "A", price 2), each quantity typed.
  void Slip(const std::vector<std::pair<const char*, const char*>>& lines) {
    window_ = std::make_unique<Window>();
    for (const auto& [name, quantity] : lines)
      window_->state.selection.push_back({{name, "A"}, "根", 2.0, 1.0, 2.0, 0});
    BuildSlip({}, PrintInf(), kNow, &window_->state, &window_->slip,
              &window_->grid);
    for (std::size_t i = 0; i < lines.size(); ++i)
      Type(int(i) + 1, kSlipQuantityColumn, lines[i].second);
  }
  void Type(int line, int column, const std::string& text) {
    window_->grid.EditCell(kSlipFirstLine + line - 1, column, text);
  }
  bool Click() {
    return StockOutClicked(dir_.path(), window_->slip, kNow, dialogs_);
  }
  double Stock(int record) {
    EXPECT_TRUE(DbSelect(kMaterialAlias));
    EXPECT_TRUE(DbGoTo(record));
    return DbRead(kQuantity).ToNumber();
  }
  std::string OutLog(int record) {
    EXPECT_TRUE(DbSelect(kMaterialAlias));
    EXPECT_TRUE(DbGoTo(record));
    return DbRead(kOutLog).ToText();
  }

  testing::TempDir dir_;
  testing::FakeDialogs dialogs_;
  std::unique_ptr<Window> window_;
};

TEST_F(SlipBookingTest, NumbersAreReadAsTypedAndOthersSendTheSlipBack) {
  Slip({{"钢芯铝绞线", "1,2"}, {"避雷器", "abc"}});
  EXPECT_FALSE(Click());
  Type(1, kSlipQuantityColumn, "8");
  EXPECT_FALSE(Click());
  Type(2, kSlipQuantityColumn, "2");
  Type(2, kSlipPriceColumn, "½");
  EXPECT_FALSE(Click());
  const std::string rule =
      "不是数：只能有数字、正负号、一个小数点和每三位一个的千位逗号"
      "（如 1,200.50 或 -3）";
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"出库单第1行的数量" + rule,
                                      "出库单第2行的数量" + rule,
                                      "出库单第2行的单价" + rule}));
  // Nothing was written: no stock, no log line, no backup.
  EXPECT_EQ(Stock(1), 900);
  EXPECT_EQ(OutLog(2), "");
  EXPECT_FALSE(FileExists(dir_.File(kStockOutBackupFolder)));

  // Grouped thousands are the whole number, in the booking and the log.
  dialogs_.shown.clear();
  Type(1, kSlipQuantityColumn, "１,２00");
  Type(2, kSlipPriceColumn, "2");
  ASSERT_EQ(window_->slip.GetCellText(kSlipFirstLine, 6), "2400");
  dialogs_.answers = {true};  // 1,200 of 900
  EXPECT_TRUE(Click());
  EXPECT_EQ(Stock(1), -300);
  EXPECT_EQ(OutLog(1),
            "数量 １,２00 金额 2400 部门  经手   时间 2013年5月3日12时\r\n");
}

TEST_F(SlipBookingTest, IssuingBeyondTheStockAsksNamingTheLines) {
  // The two lines of 避雷器 together pass its 50.
  Slip({{"钢芯铝绞线", "999,999"}, {"避雷器", "30"}, {"避雷器", "30"}});
  dialogs_.answers = {false};
  EXPECT_FALSE(Click());
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].kind, "ask");
  EXPECT_EQ(dialogs_.shown[0].caption, "提醒询问：");
  EXPECT_EQ(dialogs_.shown[0].text,
            "以下各行的出库数量超过了库存，出库后库存将是负数：\n"
            "第1行 钢芯铝绞线 A：出库 999999，库存 900\n"
            "第3行 避雷器 A：出库 30，库存 20\n"
            "仍要出库吗？");
  EXPECT_EQ(Stock(1), 900);
  EXPECT_EQ(Stock(2), 50);

  dialogs_.answers = {true};
  EXPECT_TRUE(Click());
  EXPECT_EQ(Stock(1), -999099);
  EXPECT_EQ(Stock(2), -10);

  // Within the stock nothing is asked.
  dialogs_.shown.clear();
  Slip({{"避雷器", "-10"}});
  EXPECT_TRUE(Click());
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_EQ(Stock(2), 0);
}

// Lines that another program's hold on the table kept from being booked are
// refused for that reason, not for the disk: trying again books them.
TEST_F(SlipBookingTest, LinesRefusedWhileAnotherProgramHoldsTheTableSaySo) {
  Slip({{"避雷器", "5"}});
  const std::string table = ProgramFilePath(dir_.path(), kMaterialFile);
  const std::chrono::milliseconds limit = LockWaitLimit();
  SetLockWaitLimit(std::chrono::milliseconds(100));
  PosixFile other;  // its lock on the record count
  ASSERT_TRUE(other.Open(table, false) &&
              other.Lock(fmt::kCountOffset, 1, true));
  EXPECT_TRUE(Click());
  other.Close();
  SetLockWaitLimit(limit);
  EXPECT_EQ(Stock(2), 50);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "以下材料没有出库:\n避雷器 A\n材料数据表 " + table +
                " 正被另一个程序占用（可能是另一个窗口或另"
                "一台电脑上的本程序），请稍后再试。"});
  EXPECT_TRUE(Click());
  EXPECT_EQ(Stock(2), 45);
}

}  // namespace
}  // namespace matslip
