// A receipt booked on the material table: the form's checks, the amount and
// log texts, the booked record, its period totals and its backup.
#include "material/stock_in.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/file_system.h"
#include "base/files.h"
#include "material/material_backup.h"
#include "store/db.h"
#include "store/names.h"
#include "store/store_test_util.h"
#include "store/table.h"
#include "support/power_cut.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;

double At(int year, int month, int day, int hour = 12, int minute = 0,
          int second = 0) {
  return CivilToDate({year, month, day, hour, minute, second});
}

StockInForm Form(std::string name, std::string model, std::string price,
                 std::string quantity, std::string value,
                 std::string alarm = "0", std::string unit = "米") {
  return {std::move(name),  std::move(model),    std::move(unit),
          std::move(price), std::move(quantity), std::move(value),
          std::move(alarm)};
}

TEST(CheckStockInFormTest, TextsWithinTheirFieldsPass) {
  std::string name;
  for (int i = 0; i < 32; ++i) name += "铝";  // 64 bytes in GBK
  EXPECT_FALSE(CheckStockInForm(Form(name, std::string(64, 'x'), "1,200", "",
                                     "", "", "千克千克千克千克")));
}

TEST(CheckStockInFormTest, TextLongerThanItsFieldInGbkIsNamedWithItsLimit) {
  std::string name;
  for (int i = 0; i < 32; ++i) name += "铝";
  auto problem = CheckStockInForm(Form(name + "a", "", "", "", ""));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->field, kName);
  EXPECT_EQ(problem->limit_bytes, 64);
  EXPECT_FALSE(problem->not_encodable);

  problem = CheckStockInForm(Form("线", std::string(65, 'x'), "", "", ""));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->field, kModel);
  EXPECT_EQ(problem->limit_bytes, 64);

  problem =
      CheckStockInForm(Form("线", "", "", "", "", "", "千克千克千克千克米"));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->field, kUnit);
  EXPECT_EQ(problem->limit_bytes, 16);
  EXPECT_FALSE(problem->not_encodable);
}

TEST(CheckStockInFormTest, TextWithoutGbkFormIsRefused) {
  auto problem = CheckStockInForm(Form("线", "LGJ\U0001F600", "", "", ""));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->field, kModel);
  EXPECT_TRUE(problem->not_encodable);
  problem = CheckStockInForm(Form(std::string("a\0b", 3), "", "", "", ""));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->field, kName);
  EXPECT_TRUE(problem->not_encodable);
}

TEST(AmountTextTest, RoundsHalfUpToTwoPlaces) {
  EXPECT_EQ(AmountText("0.125", "1"), "0.13");
  EXPECT_EQ(AmountText("-0.125", "1"), "-0.13");
  EXPECT_EQ(AmountText("12.5", "100"), "1250");
  EXPECT_EQ(AmountText("3.333", "3"), "10");
}

TEST(AmountTextTest, TextsFollowTheSharedNumberRule) {
  EXPECT_EQ(AmountText("abc", "5"), "0");
  EXPECT_EQ(AmountText("1,200", "2.5"), "3000");
  EXPECT_EQ(AmountText("", "5"), "0");
  EXPECT_EQ(AmountText("１２．５", "２"), "25");
  EXPECT_EQ(AmountText("1,5", "2"), "0");  // no group of three: no number
  EXPECT_EQ(AmountText("  2.5 ", "4"), "10");
}

TEST(StockInLogLineTest, ExactBytesOfTheLine) {
  EXPECT_EQ(StockInLogLine(Form("线", "", "12.5", "100", "1250"), 12.5, 100,
                           At(2013, 5, 3, 14, 5, 9)),
            "数量 100 单价 12.5 金额 1250 入库后均价 12.5 数量 100 时间 "
            "2013年5月3日14时5分9秒\r\n");
  // The edits as typed, the booked numbers as the program writes them.
  EXPECT_EQ(StockInLogLine(Form("线", "", " 6", "50.0", "300"), 10.33, 150,
                           At(2013, 5, 3, 0, 0, 0)),
            "数量 50.0 单价  6 金额 300 入库后均价 10.33 数量 150 时间 "
            "2013年5月3日\r\n");
}

class StockInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateEmptyTable(table_path_));
    ASSERT_TRUE(DbOpen(table_path_, kMaterialAlias));
  }
  void TearDown() override { ResetClock(); }

  // A material as an earlier booking left it.
  void Add(const std::string& name, const std::string& model, double quantity,
           double value, double price, double in_date = 0,
           const std::string& in_log = "") {
    std::vector<Value> v(kFieldCount);
    v[kName - 1] = name;
    v[kModel - 1] = model;
    v[kUnit - 1] = "米";
    v[kQuantity - 1] = quantity;
    v[kPrice - 1] = price;
    v[kValue - 1] = value;
    v[kInDate - 1] = Value::Date(in_date);
    v[kInLog - 1] = in_log;
    ASSERT_TRUE(DbSelect(kMaterialAlias) && DbAppend(v));
  }
  StockInResult Book(const StockInForm& form, double now) {
    SetClock(now);
    return BookStockIn(folder_, form, Now());
  }
  double Number(int record, Field field) {
    EXPECT_TRUE(DbSelect(kMaterialAlias) && DbGoTo(record));
    return DbRead(field).ToNumber();
  }
  std::string Text(int record, Field field) {
    EXPECT_TRUE(DbSelect(kMaterialAlias) && DbGoTo(record));
    return DbRead(field).ToText();
  }
  std::vector<double> InTotals(int record) {
    return {Number(record, kInQuantity),      Number(record, kInValue),
            Number(record, kMonthInQuantity), Number(record, kMonthInValue),
            Number(record, kYearInQuantity),  Number(record, kYearInValue)};
  }
  std::string Backup(const MaterialKey& key) {
    return MaterialBackupPath(folder_, key);
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  const std::string table_path_ = dir_.File(kMaterialFile);
  const std::string folder_ = dir_.File(kStockInBackupFolder);
};

// A disk that fills up at the first write into the memo file `memo`, just
// after another opener (`other`) appended a material of its own.
class FullAfterAnotherAppend : public FileSystem {
 public:
  FullAfterAnotherAppend(std::string memo, Table* other)
      : memo_(std::move(memo)), other_(other) {}
  int Open(const std::string& path, int flags, int mode) override {
    const int fd = FileSystem::Open(path, flags, mode);
    if (path == memo_ && memo_fd_ < 0) memo_fd_ = fd;
    return fd;
  }
  std::int64_t WriteAt(int fd, const void* buf, std::size_t size,
                       std::int64_t offset) override {
    if (fd != memo_fd_ || full_)
      return FileSystem::WriteAt(fd, buf, size, offset);
    full_ = true;
    std::vector<Value> other(kFieldCount);
    other[kName - 1] = "其他材料";
    other[kModel - 1] = "Q1";
    if (!other_->Append(other)) ADD_FAILURE() << "the other append failed";
    errno = ENOSPC;
    return -1;
  }

 private:
  std::string memo_;
  Table* other_;
  int memo_fd_ = -1;
  bool full_ = false;
};

// A new material whose log line cannot be written is refused, and its
// record that another append keeps from being taken back is never booked a
// second time.
TEST_F(StockInTest, NewMaterialWithoutItsLogLineIsNotBookedAgain) {
  DbCloseAll();
  const auto other = Table::Open(table_path_, OpenOptions{});
  ASSERT_TRUE(other);
  FullAfterAnotherAppend fs(MemoPathOf(table_path_), other.get());
  FileSystem* const before = SetFileSystem(&fs);
  ASSERT_TRUE(DbOpen(table_path_, kMaterialAlias));
  const StockInResult r = Book(Form("新线", "N1", "2", "5", "10"), Now());
  SetFileSystem(before);
  EXPECT_FALSE(r.booked);
  for (int n = 1; n <= DbRecordCount(); ++n)
    EXPECT_NE(Number(n, kQuantity), 10) << "booked twice on record " << n;
}

TEST_F(StockInTest, NewMaterialHundredAtTwelveFiftyFillsEveryField) {
  const double now = At(2013, 5, 3, 14, 5, 9);
  StockInResult r =
      Book(Form("钢芯铝绞线", "LGJ-95/20", "12.5", "100", "1250", "20"), now);
  EXPECT_TRUE(r.booked);
  EXPECT_TRUE(r.created);
  EXPECT_EQ(r.record_number, 1);
  EXPECT_EQ(DbRecordNumber(), 1);
  ASSERT_EQ(DbRecordCount(), 1);
  EXPECT_EQ(Text(1, kName), "钢芯铝绞线");
  EXPECT_EQ(Text(1, kModel), "LGJ-95/20");
  EXPECT_EQ(Text(1, kUnit), "米");
  EXPECT_EQ(Number(1, kQuantity), 100);
  EXPECT_EQ(Number(1, kPrice), 12.5);
  EXPECT_EQ(Number(1, kValue), 1250);
  EXPECT_EQ(InTotals(1),
            (std::vector<double>{100, 1250, 100, 1250, 100, 1250}));
  EXPECT_EQ(Number(1, kInDate), now);
  EXPECT_EQ(Number(1, kAlarm), 20);
  EXPECT_EQ(Text(1, kInLog),
            "数量 100 单价 12.5 金额 1250 入库后均价 12.5 数量 100 时间 "
            "2013年5月3日14时5分9秒\r\n");
  for (Field f : {kOutQuantity, kOutValue, kOutDate, kMonthOutQuantity,
                  kMonthOutValue, kYearOutQuantity, kYearOutValue})
    EXPECT_EQ(Number(1, f), 0) << f;
  EXPECT_EQ(Text(1, kOutLog), "");
}

TEST_F(StockInTest, FiftyWithAmountThreeHundredOntoHundredGivesAverage) {
  Add("悬式绝缘子", "XP-70", 100, 1250, 12.5);
  StockInResult r =
      Book(Form("悬式绝缘子", "XP-70", "6", "50", "300"), At(2013, 5, 3));
  EXPECT_TRUE(r.booked);
  EXPECT_FALSE(r.created);
  EXPECT_EQ(r.record_number, 1);
  ASSERT_EQ(DbRecordCount(), 1);
  EXPECT_EQ(Number(1, kQuantity), 150);
  EXPECT_EQ(Number(1, kValue), 1550);
  EXPECT_EQ(Number(1, kPrice), 10.33);
  EXPECT_EQ(Text(1, kInLog),
            "数量 50 单价 6 金额 300 入库后均价 10.33 数量 150 时间 "
            "2013年5月3日12时\r\n");
}

TEST_F(StockInTest, HandTypedAmountIsWhatAnExistingMaterialGets) {
  Add("线", "A", 10, 125, 12.5);
  Book(Form("线", "A", "12.5", "10", "100", "7"), At(2013, 5, 3));
  EXPECT_EQ(Number(1, kValue), 225);
  EXPECT_EQ(Number(1, kPrice), 11.25);
  EXPECT_EQ(Number(1, kAlarm), 7);
  EXPECT_EQ(InTotals(1), (std::vector<double>{10, 100, 10, 100, 10, 100}));
}

TEST_F(StockInTest, NewMaterialValueIsPriceTimesQuantityTotalsTheAmount) {
  Book(Form("线", "A", "12.5", "10", "100"), At(2013, 5, 3));
  EXPECT_EQ(Number(1, kValue), 125);
  EXPECT_EQ(Number(1, kPrice), 12.5);
  EXPECT_EQ(InTotals(1), (std::vector<double>{10, 100, 10, 100, 10, 100}));
  EXPECT_NE(Text(1, kInLog).find(" 金额 100 "), std::string::npos);
}

TEST_F(StockInTest, NewMaterialValueIsNotRoundedItsTotalsAre) {
  Book(Form("线", "A", "0.125", "1", "0.125", "0.125"), At(2013, 5, 3));
  EXPECT_EQ(Number(1, kValue), 0.125);
  EXPECT_EQ(Number(1, kAlarm), 0.125);
  EXPECT_EQ(InTotals(1), (std::vector<double>{1, 0.13, 1, 0.13, 1, 0.13}));
}

TEST_F(StockInTest, ExistingMaterialValueAndQuantityAreRounded) {
  Add("线", "A", 1, 0, 0);
  Book(Form("线", "A", "", "0.005", "-0.125"), At(2013, 5, 3));
  EXPECT_EQ(Number(1, kQuantity), 1.01);
  EXPECT_EQ(Number(1, kValue), -0.13);
  EXPECT_EQ(Number(1, kPrice), -0.13);
}

TEST_F(StockInTest, PeriodTotalsRollOverWithTheClock) {
  Add("线", "A", 0, 0, 0);
  const StockInForm form = Form("线", "A", "1", "10", "100");
  Book(form, At(2026, 3, 5, 9));
  EXPECT_EQ(InTotals(1), (std::vector<double>{10, 100, 10, 100, 10, 100}));
  Book(form, At(2026, 3, 5, 17));  // same day
  EXPECT_EQ(InTotals(1), (std::vector<double>{20, 200, 20, 200, 20, 200}));
  Book(form, At(2026, 3, 6, 8));  // next day
  EXPECT_EQ(InTotals(1), (std::vector<double>{10, 100, 30, 300, 30, 300}));
  Book(form, At(2026, 4, 6, 8));  // same day of the next month
  EXPECT_EQ(InTotals(1), (std::vector<double>{10, 100, 10, 100, 40, 400}));
  Book(form, At(2027, 4, 6, 8));  // next year
  EXPECT_EQ(InTotals(1), (std::vector<double>{10, 100, 10, 100, 10, 100}));
  EXPECT_EQ(Number(1, kInDate), At(2027, 4, 6, 8));
  EXPECT_EQ(Number(1, kQuantity), 50);
}

TEST_F(StockInTest, QuantityBroughtToZeroKeepsThePreviousPrice) {
  Add("线", "A", 100, 1250, 12.5);
  Book(Form("线", "A", "12.5", "-100", "-1250"), At(2013, 5, 3));
  EXPECT_EQ(Number(1, kQuantity), 0);
  EXPECT_EQ(Number(1, kValue), 0);
  EXPECT_EQ(Number(1, kPrice), 12.5);
  EXPECT_NE(Text(1, kInLog).find(" 入库后均价 12.5 数量 0 "),
            std::string::npos);
}

TEST_F(StockInTest, BackupHoldsTheRecordAsItWasBeforeTheReceipt) {
  Add("其他", "B", 1, 1, 1);
  Add("线", "A", 100, 1250, 12.5, At(2013, 5, 1), "旧记录\r\n");
  Book(Form("线", "A", "12.5", "10", "125"), At(2013, 5, 3));
  auto backup = Table::Open(Backup({"线", "A"}), OpenOptions{});
  ASSERT_TRUE(backup);
  ASSERT_EQ(backup->RecordCount(), 1);
  ASSERT_TRUE(backup->GoTo(1));
  Value v;
  ASSERT_TRUE(backup->Read(kQuantity - 1, &v));
  EXPECT_EQ(v.ToNumber(), 100);
  ASSERT_TRUE(backup->Read(kInLog - 1, &v));
  EXPECT_EQ(v.ToText(), "旧记录\r\n");
  ASSERT_TRUE(backup->Read(kInDate - 1, &v));
  EXPECT_EQ(v.ToNumber(), At(2013, 5, 1));
  EXPECT_EQ(Number(2, kQuantity), 110);
}

TEST_F(StockInTest, BackupHoldsEveryRecordOfTheKeyAndOnlyTheFirstIsBooked) {
  Add("线", "A", 100, 1250, 12.5);
  Add("线", "B", 5, 50, 10);
  Add("线", "A", 7, 70, 10);
  Book(Form("线", "A", "12.5", "10", "125"), At(2013, 5, 3));
  EXPECT_EQ(Number(1, kQuantity), 110);
  EXPECT_EQ(Number(3, kQuantity), 7);
  auto backup = Table::Open(Backup({"线", "A"}), OpenOptions{});
  ASSERT_TRUE(backup);
  ASSERT_EQ(backup->RecordCount(), 2);
  Value v;
  ASSERT_TRUE(backup->GoTo(1));
  ASSERT_TRUE(backup->Read(kQuantity - 1, &v));
  EXPECT_EQ(v.ToNumber(), 100);
  ASSERT_TRUE(backup->GoTo(2));
  ASSERT_TRUE(backup->Read(kQuantity - 1, &v));
  EXPECT_EQ(v.ToNumber(), 7);
}

TEST_F(StockInTest, NewMaterialGetsABackupWithoutRecords) {
  Book(Form("线", "A", "12.5", "10", "125"), At(2013, 5, 3));
  auto backup = Table::Open(Backup({"线", "A"}), OpenOptions{});
  ASSERT_TRUE(backup);
  EXPECT_EQ(backup->RecordCount(), 0);
  EXPECT_EQ(backup->schema().fields().size(), std::size_t(kFieldCount));
}

TEST_F(StockInTest, SecondReceiptReplacesTheFirstOnesBackup) {
  Add("线", "A", 100, 1250, 12.5);
  Book(Form("线", "A", "12.5", "10", "125"), At(2013, 5, 3, 9));
  Book(Form("线", "A", "12.5", "20", "250"), At(2013, 5, 3, 10));
  auto backup = Table::Open(Backup({"线", "A"}), OpenOptions{});
  ASSERT_TRUE(backup);
  ASSERT_EQ(backup->RecordCount(), 1);
  ASSERT_TRUE(backup->GoTo(1));
  Value v;
  ASSERT_TRUE(backup->Read(kQuantity - 1, &v));
  EXPECT_EQ(v.ToNumber(), 110);
  ASSERT_TRUE(backup->Read(kInLog - 1, &v));
  EXPECT_EQ(v.ToText(),
            "数量 10 单价 12.5 金额 125 入库后均价 12.5 数量 110 时间 "
            "2013年5月3日9时\r\n");
}

TEST_F(StockInTest, KeyNamedLikeTheTableNeverTouchesIt) {
  Book(Form("data", "", "1", "1", "1"), At(2013, 5, 3));
  Book(Form("data", "", "1", "2", "2"), At(2013, 5, 3));
  EXPECT_TRUE(FileExists(folder_ + "/data.mzk"));
  ASSERT_EQ(DbRecordCount(), 1);
  EXPECT_EQ(Number(1, kQuantity), 3);
  DbCloseAll();
  auto table = Table::Open(table_path_, OpenOptions{});
  ASSERT_TRUE(table);
  EXPECT_EQ(table->RecordCount(), 1);
}

TEST_F(StockInTest, KeysThatLookLikePathsAreBackedUpInsideTheFolder) {
  const std::vector<MaterialKey> keys = {
      {"钢芯铝绞线", "LGJ-95/20"}, {"..", ""}, {"../x", "/.."},
      {"a\tb\x01", "\x1f"},        {"线", ""}, {std::string(64, '/'), "x"}};
  for (const MaterialKey& key : keys) {
    Add(key.name, key.model, 1, 1, 1);
    Book(Form(key.name, key.model, "1", "1", "1"), At(2013, 5, 3));
    const std::string backup = Backup(key);
    EXPECT_EQ(DirName(backup), folder_);
    auto table = Table::Open(backup, OpenOptions{});
    ASSERT_TRUE(table) << backup;
    EXPECT_EQ(table->RecordCount(), 1);
  }
  // Only the backups and nothing else was written beside the table.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 3);  // data.mzk, data.edt, 进库备份
}

TEST_F(StockInTest, UnwritableBackupRefusesTheReceiptAndDropsTheOlderOne) {
  Add("线", "A", 100, 1250, 12.5);
  Book(Form("线", "A", "12.5", "10", "125"), At(2013, 5, 3, 9));
  const std::string backup = Backup({"线", "A"});
  ASSERT_TRUE(FileExists(backup));
  // A folder where the memo file must go: the next backup cannot be written.
  ASSERT_TRUE(RemoveFile(MemoPathOf(backup)));
  ASSERT_TRUE(CreateDirectory(MemoPathOf(backup)));
  StockInResult r = Book(Form("线", "A", "12.5", "20", "250"), At(2013, 5, 3));
  EXPECT_FALSE(r.booked);
  EXPECT_EQ(Number(1, kQuantity), 110);
  EXPECT_FALSE(FileExists(backup));
}

// Counts the flushes of files and folders.
class FlushCounter : public FileSystem {
 public:
  int Sync(int fd, bool data_only) override {
    ++flushes;
    return FileSystem::Sync(fd, data_only);
  }
  int SyncDirectory(const std::string& folder) override {
    ++flushes;
    return FileSystem::SyncDirectory(folder);
  }
  int flushes = 0;
};

// A durable receipt waits for each flush; one whose log line takes a new
// memo block needs the block on the disk before its link, and nothing more.
TEST_F(StockInTest, DurableReceiptFlushesOnceMoreOnlyForANewLogBlock) {
  Add("线", "A", 100, 1250, 12.5, 0, "first\r\n");
  Book(Form("线", "A", "12.5", "1", "12.5"), At(2013, 5, 3));
  SetDurableWrites(true);
  FlushCounter counter;
  testing::FileSystemScope scope(&counter);
  const std::string memo = MemoPathOf(table_path_);
  int in_block = -1, new_block = -1;
  for (int day = 4; day < 30 && (in_block < 0 || new_block < 0); ++day) {
    const auto size = std::filesystem::file_size(memo);
    counter.flushes = 0;
    ASSERT_TRUE(
        Book(Form("线", "A", "12.5", "1", "12.5"), At(2013, 5, day)).booked);
    (std::filesystem::file_size(memo) > size ? new_block : in_block) =
        counter.flushes;
  }
  SetDurableWrites(false);
  EXPECT_EQ(in_block, 7);
  EXPECT_EQ(new_block, in_block + 1);
}

TEST_F(StockInTest, ReadMaterialFormShowsTheRecordAndZerosOutsideIt) {
  Add("线", "A", 100, 1250, 12.5);
  ASSERT_TRUE(DbGoTo(1));
  EXPECT_EQ(ReadMaterialForm(), Form("线", "A", "12.5", "100", "", "0", "米"));
  DbSkip(1);
  EXPECT_EQ(ReadMaterialForm(), Form("", "", "0", "0", "", "0", ""));
  DbFirst();
  DbSkip(-1);
  EXPECT_EQ(ReadMaterialForm(), Form("", "", "0", "0", "", "0", ""));
}

TEST_F(StockInTest, TableNotOpenBooksNothing) {
  DbCloseAll();
  StockInResult r = Book(Form("线", "A", "1", "1", "1"), At(2013, 5, 3));
  EXPECT_FALSE(r.booked);
  EXPECT_FALSE(FileExists(folder_));
}

}  // namespace
}  // namespace matslip
