// Booking an outbound slip: exactly the listed materials change, each with
// its own backup, its issue totals rolled over at day, month and year
// boundaries, and its log line as the slip shows it.
#include "stock/stock_out.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>

#include "base/datetime.h"
#include "base/files.h"
#include "material/material_backup.h"
#include "material/stock_in.h"
#include "stock/cancel_movement.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/table.h"
#include "store/table_check.h"
#include "support/fake_dialogs.h"
#include "support/power_cut.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;

double At(int year, int month, int day, int hour = 12, int minute = 0,
          int second = 0) {
  return CivilToDate({year, month, day, hour, minute, second});
}

class StockOutTest : public ::testing::Test {
 protected:
  StockOutTest() {
    DbCloseAll();
    SetDurableWrites(false);
    EXPECT_TRUE(CreateEmptyTable(dir_.File(kMaterialFile)));
    EXPECT_TRUE(DbOpen(dir_.File(kMaterialFile), kMaterialAlias));
    for (int i = 1; i <= 5; ++i) {
      std::vector<Value> v(kFieldCount);
      v[kName - 1] = "线" + std::to_string(i);
      v[kModel - 1] = "S-" + std::to_string(i);
      v[kQuantity - 1] = 100.0;
      v[kPrice - 1] = 2.5;
      v[kValue - 1] = 250.0;
      v[kOutLog - 1] = "旧\r\n";
      EXPECT_TRUE(DbAppend(v));
    }
  }
  ~StockOutTest() override { DbCloseAll(); }

  static SlipLine Line(int i, std::string quantity, std::string value) {
    return {{"线" + std::to_string(i), "S-" + std::to_string(i)},
            std::move(quantity),
            std::move(value)};
  }
  int Book(std::vector<SlipLine> lines, double now) {
    return BookStockOut(dir_.path(), {std::move(lines), "检修班", "张三"}, now);
  }
  double Number(int record, Field field) {
    EXPECT_TRUE(DbSelect(kMaterialAlias));
    EXPECT_TRUE(DbGoTo(record));
    return DbRead(field).ToNumber();
  }
  std::vector<double> Totals(int record) {
    return {Number(record, kOutQuantity),      Number(record, kOutValue),
            Number(record, kMonthOutQuantity), Number(record, kMonthOutValue),
            Number(record, kYearOutQuantity),  Number(record, kYearOutValue)};
  }
  std::string Log(int record) {
    EXPECT_TRUE(DbGoTo(record));
    return DbRead(kOutLog).ToText();
  }
  std::string Backup(int i) {
    return MaterialBackupPath(dir_.File(kStockOutBackupFolder),
                              Line(i, "", "").key);
  }

  testing::TempDir dir_;
};

TEST_F(StockOutTest, ThreeLinesChangeExactlyThreeRecordsWithThreeBackups) {
  ASSERT_EQ(
      Book({Line(1, "10", "25"), Line(3, "2.5", "6.25"), Line(5, "100", "250")},
           At(2013, 5, 3)),
      3);
  EXPECT_EQ(Number(1, kQuantity), 90);
  EXPECT_EQ(Number(1, kValue), 225);
  EXPECT_EQ(Number(3, kQuantity), 97.5);
  EXPECT_EQ(Number(3, kValue), 243.75);
  EXPECT_EQ(Number(5, kQuantity), 0);
  EXPECT_EQ(Number(2, kQuantity), 100);
  EXPECT_EQ(Number(4, kQuantity), 100);
  EXPECT_EQ(Log(2), "旧\r\n");
  EXPECT_EQ(Number(1, kPrice), 2.5);  // the price stays
  EXPECT_EQ(Number(1, kOutDate), At(2013, 5, 3));
  for (int i : {1, 3, 5}) EXPECT_TRUE(FileExists(Backup(i))) << i;
  for (int i : {2, 4}) EXPECT_FALSE(FileExists(Backup(i))) << i;
  // The table and memo file are sound.
  DbCloseAll();
  EXPECT_EQ(CheckTable(dir_.File(kMaterialFile)), std::vector<std::string>{});
}

TEST_F(StockOutTest, LogLineIsTheSlipsTextsAsShown) {
  ASSERT_EQ(Book({Line(2, "０5", "12.50")}, At(2013, 5, 3, 14, 5, 9)), 1);
  EXPECT_EQ(Log(2),
            "旧\r\n数量 ０5 金额 12.50 部门 检修班 经手 张三  时间 "
            "2013年5月3日14时5分9秒\r\n");
  EXPECT_EQ(Number(2, kQuantity), 95);
}

TEST_F(StockOutTest, NonNumbersCountZeroAndUnknownMaterialsAreSkipped) {
  ASSERT_EQ(Book({Line(2, "", "abc"), Line(9, "1", "1")}, At(2013, 5, 3)), 1);
  EXPECT_EQ(Number(2, kQuantity), 100);
  EXPECT_EQ(Number(2, kOutDate), At(2013, 5, 3));
  EXPECT_EQ(Log(2),
            "旧\r\n数量  金额 abc 部门 检修班 经手 张三  时间 "
            "2013年5月3日12时\r\n");
  EXPECT_FALSE(FileExists(Backup(9)));
}

TEST_F(StockOutTest, TotalsRollOverAtDayMonthAndYear) {
  ASSERT_EQ(Book({Line(1, "1", "10")}, At(2013, 3, 5, 9)), 1);
  ASSERT_EQ(Book({Line(1, "2", "20")}, At(2013, 3, 5, 17)), 1);  // same day
  EXPECT_EQ(Totals(1), (std::vector<double>{3, 30, 3, 30, 3, 30}));
  ASSERT_EQ(Book({Line(1, "4", "40")}, At(2013, 3, 6)), 1);  // next day
  EXPECT_EQ(Totals(1), (std::vector<double>{4, 40, 7, 70, 7, 70}));
  ASSERT_EQ(Book({Line(1, "8", "80")}, At(2013, 4, 6)), 1);  // same day, April
  EXPECT_EQ(Totals(1), (std::vector<double>{8, 80, 8, 80, 15, 150}));
  ASSERT_EQ(Book({Line(1, "16", "160")}, At(2014, 4, 6)), 1);  // next year
  EXPECT_EQ(Totals(1), (std::vector<double>{16, 160, 16, 160, 16, 160}));
}

// Two lines of one slip for one material: both are booked, and the backup
// holds the state before the second, so an undo takes back the second only.
TEST_F(StockOutTest, TwoLinesOfOneMaterialBothBookAndTheUndoTakesTheSecond) {
  ASSERT_EQ(Book({Line(2, "10", "25"), Line(2, "5", "12.5")}, At(2013, 5, 3)),
            2);
  EXPECT_EQ(Number(2, kQuantity), 85);
  EXPECT_EQ(Number(2, kOutQuantity), 15);
  testing::FakeDialogs dialogs;
  dialogs.answers = {true, true};
  EXPECT_EQ(
      CancelMovement(dir_.path(), Line(2, "", "").key, kStockOutUndo, dialogs),
      UndoResult::kRestored);
  EXPECT_EQ(Number(2, kQuantity), 90);
  // Cancelling again restores the same state again; nothing moves.
  EXPECT_EQ(
      CancelMovement(dir_.path(), Line(2, "", "").key, kStockOutUndo, dialogs),
      UndoResult::kRestored);
  EXPECT_EQ(Number(2, kQuantity), 90);
  EXPECT_EQ(DbRecordCount(), 5);
  EXPECT_EQ(Number(3, kName), 0);  // a text reads as 0
  ASSERT_TRUE(DbGoTo(2));
  EXPECT_EQ(DbRead(kName).ToText(), "线2");
}

// Tells, each time a backup of `backup` is put in place, whether another
// opener (`other`, a second window) could write record `record` then. Only
// a booking that holds its record from its backup to its write keeps
// another window's booking from coming between the two.
class RecordHeldAtBackup : public FileSystem {
 public:
  RecordHeldAtBackup(std::string backup, Table* other, int record)
      : backup_(std::move(backup)), other_(other), record_(record) {}
  int Rename(const std::string& from, const std::string& to) override {
    Note(to);
    return FileSystem::Rename(from, to);
  }
  int Exchange(const std::string& a, const std::string& b) override {
    Note(b);
    return FileSystem::Exchange(a, b);
  }
  int seen = 0, held = 0;

 private:
  void Note(const std::string& target) {
    if (target != backup_) return;
    ++seen;
    const Schema& schema = other_->schema();
    // Even a shared lock of the record is kept out: someone writes it.
    held += other_->file().IsLockedByOther(
        schema.header_length() + (record_ - 1) * schema.record_length(), 1,
        false);
  }
  std::string backup_;
  Table* other_;
  int record_;
};

// A receipt's and a slip line's backup is the record just before the
// booking: taken under the record's lock, which keeps another window's
// booking out until the booking is written.
TEST_F(StockOutTest, BackupIsTakenWhileTheBookingHoldsItsRecord) {
  const MaterialKey key = Line(2, "", "").key;
  const auto backed_up_quantity = [](const std::string& backup) {
    auto t = Table::Open(backup, OpenOptions{.read_only = true});
    Value v;
    return t && t->GoTo(1) && t->Read(kQuantity - 1, &v) ? v.ToNumber() : -1;
  };
  const std::vector<std::pair<std::string, std::function<bool()>>> bookings = {
      {MaterialBackupPath(dir_.File(kStockInBackupFolder), key),
       [&] {
         return BookStockIn(dir_.File(kStockInBackupFolder),
                            {key.name, key.model, "根", "2.5", "10", "", "0"},
                            At(2013, 5, 3))
             .booked;
       }},
      {Backup(2), [&] { return Book({Line(2, "10", "25")}, At(2013, 5, 4)); }}};
  for (const auto& [backup, book] : bookings) {
    auto other = Table::Open(dir_.File(kMaterialFile), OpenOptions{});
    ASSERT_TRUE(other);
    RecordHeldAtBackup fs(backup, other.get(), 2);
    {
      testing::FileSystemScope scope(&fs);
      ASSERT_TRUE(DbSelect(kMaterialAlias));
      ASSERT_TRUE(book()) << backup;
    }
    EXPECT_GT(fs.seen, 0) << backup;
    EXPECT_EQ(fs.held, fs.seen) << backup;
    EXPECT_EQ(std::abs(Number(2, kQuantity) - backed_up_quantity(backup)), 10)
        << backup;
  }
}

}  // namespace
}  // namespace matslip
