// Backing up, restoring and emptying the whole material table: the backup
// names, the checks that refuse a backup before anything changes, and the
// safety copy taken before every restore and every clear.
#include "stock/table_maintenance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "material/material_table.h"
#include "material/stock_in.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/file_io.h"
#include "store/format.h"
#include "store/names.h"
#include "store/table.h"
#include "store/table_check.h"
#include "store/table_pair.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;
using Snapshot = std::vector<std::vector<std::string>>;
using testing::ReadTestFile;

const double kMorning = CivilToDate({2013, 9, 10, 9, 5, 7});
const double kMidnight = CivilToDate({2013, 9, 10, 0, 0, 0});
const double kLater = CivilToDate({2013, 9, 11, 14, 30, 0});

// Every field of every record of the table at `path`, as text.
Snapshot ReadTable(const std::string& path) {
  Snapshot s;
  auto table = Table::Open(path, OpenOptions{true, 1});
  EXPECT_TRUE(table) << path;
  if (!table) return s;
  for (int r = 1; r <= table->RecordCount(); ++r) {
    EXPECT_TRUE(table->GoTo(r));
    std::vector<std::string> fields;
    for (int f = 0; f < kFieldCount; ++f) {
      Value v;
      EXPECT_TRUE(table->Read(f, &v));
      fields.push_back(v.ToText());
    }
    s.push_back(fields);
  }
  return s;
}

class TableMaintenanceTest : public ::testing::Test {
 protected:
  TableMaintenanceTest() {
    DbCloseAll();
    SetDurableWrites(false);
    SetClock(kMorning);
  }
  ~TableMaintenanceTest() override {
    DbCloseAll();
    ResetClock();
  }

  // Two materials with both logs, opened as "data" as the list build does.
  void SetUp() override {
    ASSERT_TRUE(CreateEmptyTable(table_path_));
    ASSERT_TRUE(DbOpen(table_path_, kMaterialAlias));
    for (int i = 1; i <= 2; ++i) AddMaterial(i);
  }
  void AddMaterial(int i) {
    ASSERT_TRUE(DbSelect(kMaterialAlias));
    std::vector<Value> v(kFieldCount);
    v[kName - 1] = "线" + std::to_string(i);
    v[kModel - 1] = "LGJ-" + std::to_string(i);
    v[kUnit - 1] = "米";
    v[kQuantity - 1] = 10.0 * i;
    v[kPrice - 1] = 2.5;
    v[kValue - 1] = 25.0 * i;
    v[kInLog - 1] = std::string(700 * i, 'L') + "\r\n";
    v[kOutLog - 1] = "出库 " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(DbAppend(v));
  }
  void Book(int i) {
    const StockInForm form{"线" + std::to_string(i),
                           "LGJ-" + std::to_string(i),
                           "米",
                           "3",
                           "4",
                           "1",
                           "5"};
    ASSERT_TRUE(
        BookStockIn(dir_.File(kStockInBackupFolder), form, Now()).booked);
  }
  std::string BackupFolder() const { return dir_.File(kTableBackupFolder); }
  std::string BackupAt(double now) const {
    return TableBackupPath(dir_.path(), now);
  }
  RestoreResult Restore(const std::string& chosen) {
    dialogs_.files = {{true, chosen}};
    return RestoreTable(dir_.path(), dialogs_);
  }
  // The table and its memo file as they are on disk.
  std::string Bytes() const {
    return ReadTestFile(table_path_) + ReadTestFile(MemoPathOf(table_path_));
  }

  testing::TempDir dir_;
  testing::FakeDialogs dialogs_;
  const std::string table_path_ = dir_.File(kMaterialFile);
};

TEST_F(TableMaintenanceTest, BackupIsNamedByTheSecondWithItsMemoFile) {
  ASSERT_TRUE(BackUpTable(dir_.path(), dialogs_));
  const std::string path = BackupFolder() + "/2013年9月10日9时5分7秒.mzk";
  EXPECT_EQ(BackupAt(kMorning), path);
  EXPECT_TRUE(FileExists(BackupFolder() + "/2013年9月10日9时5分7秒.edt"));
  EXPECT_EQ(ReadTable(path), ReadTable(table_path_));
  EXPECT_EQ(CheckTable(path), std::vector<std::string>{});
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kBackedUpMessage});
}

TEST_F(TableMaintenanceTest, MidnightBackupIsNamedByTheDateAlone) {
  SetClock(kMidnight);
  ASSERT_TRUE(BackUpTable(dir_.path(), dialogs_));
  EXPECT_TRUE(FileExists(BackupFolder() + "/2013年9月10日.mzk"));
  EXPECT_TRUE(FileExists(BackupFolder() + "/2013年9月10日.edt"));
}

TEST_F(TableMaintenanceTest, SecondBackupWithinOneSecondReplacesTheFirst) {
  ASSERT_TRUE(BackUpTable(dir_.path(), dialogs_));
  AddMaterial(3);
  ASSERT_TRUE(BackUpTable(dir_.path(), dialogs_));
  const Snapshot backup = ReadTable(BackupAt(kMorning));
  ASSERT_EQ(backup.size(), 3u);
  EXPECT_EQ(backup, ReadTable(table_path_));
  EXPECT_EQ(CheckTable(BackupAt(kMorning)), std::vector<std::string>{});
}

TEST_F(TableMaintenanceTest, FailedBackupIsReported) {
  // A file where the folder should be: nothing can be written there.
  ASSERT_TRUE(testing::WriteTestFile(BackupFolder(), "x"));
  EXPECT_FALSE(BackUpTable(dir_.path(), dialogs_));
  ASSERT_EQ(dialogs_.Messages().size(), 1u);
  EXPECT_EQ(dialogs_.Messages()[0], "备份失败!未能写入备份文件 " +
                                        BackupAt(kMorning) +
                                        ",请检查磁盘空间和写入权限");
}

TEST_F(TableMaintenanceTest, CancelledRestoreChangesNothing) {
  const std::string before = Bytes();
  dialogs_.files = {{false, ""}};
  EXPECT_EQ(RestoreTable(dir_.path(), dialogs_), RestoreResult::kCancelled);
  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  EXPECT_EQ(dialogs_.file_requests[0].filter, ".mzk|*.mzk");
  EXPECT_EQ(dialogs_.file_requests[0].directory, BackupFolder());
  EXPECT_EQ(Bytes(), before);
  EXPECT_FALSE(DirectoryExists(BackupFolder()));
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(TableMaintenanceTest, RestoreUndoesBookingsAndSavesTheTableInUse) {
  ASSERT_TRUE(BackUpTable(dir_.path(), dialogs_));
  const Snapshot original = ReadTable(table_path_);
  SetClock(kMorning + 0.01);
  Book(1);
  Book(2);
  Book(1);
  const Snapshot booked = ReadTable(table_path_);
  ASSERT_NE(booked, original);
  SetClock(kLater);
  dialogs_.shown.clear();
  EXPECT_EQ(Restore(BackupAt(kMorning)), RestoreResult::kRestored);
  EXPECT_TRUE(dialogs_.Messages().empty());
  EXPECT_EQ(ReadTable(table_path_), original);
  EXPECT_EQ(CheckTable(table_path_), std::vector<std::string>{});
  // The table as it was before the restore, so that it can be undone.
  EXPECT_EQ(ReadTable(BackupAt(kLater)), booked);
  // The backup itself stays as it was.
  EXPECT_EQ(ReadTable(BackupAt(kMorning)), original);
  EXPECT_FALSE(FileExists(dir_.File("data.restore.mzk")));
  // The list build opens the restored table.
  ASSERT_TRUE(DbOpen(table_path_, kMaterialAlias));
  EXPECT_EQ(DbRecordCount(), 2);
}

TEST_F(TableMaintenanceTest, RestoreTakesTheMemoFileBesideTheChosenFile) {
  // A folder whose name holds the extension: the memo file is the one
  // beside the backup, not one under "x.edt".
  const Snapshot original = ReadTable(table_path_);
  const std::string folder = dir_.File("x.mzk");
  ASSERT_TRUE(CreateDirectory(folder));
  ASSERT_TRUE(CopyFile(table_path_, folder + "/old.mzk"));
  ASSERT_TRUE(CopyFile(MemoPathOf(table_path_), folder + "/old.edt"));
  AddMaterial(3);
  EXPECT_EQ(Restore(folder + "/old.mzk"), RestoreResult::kRestored);
  EXPECT_EQ(ReadTable(table_path_), original);
  EXPECT_EQ(CheckTable(table_path_), std::vector<std::string>{});
}

// Tables the program works on restore: its own backup of a table it
// repaired (the memo file keeps the lost record's blocks, neither used nor
// free), and a table of another installation's text widths and number
// types.
TEST_F(TableMaintenanceTest, RestoreTakesEveryTableTheProgramWorksOn) {
  DbCloseAll();
  std::string bytes = ReadTestFile(table_path_);
  bytes.resize(bytes.size() - 100);  // the second record cut short
  ASSERT_TRUE(testing::WriteTestFile(table_path_, bytes));
  DbOpenReport opened;
  ASSERT_TRUE(DbOpen(table_path_, kMaterialAlias, 1, &opened));
  ASSERT_TRUE(opened.repair.repaired());
  ASSERT_TRUE(BackUpTable(dir_.path(), dialogs_));
  const Snapshot repaired = ReadTable(table_path_);
  ASSERT_EQ(repaired.size(), 1u);
  AddMaterial(3);
  SetClock(kLater);
  EXPECT_EQ(Restore(BackupAt(kMorning)), RestoreResult::kRestored)
      << dialogs_.Messages().back();
  EXPECT_EQ(ReadTable(table_path_), repaired);

  std::vector<FieldDef> fields = Fields();
  fields[kName - 1].width = 40;
  fields[kUnit - 1].width = 8;
  fields[kQuantity - 1].type = fmt::kSingle;
  fields[kAlarm - 1].type = fmt::kInt;
  const std::string other = dir_.File("other.mzk");
  auto table = Table::Create(other, Schema(fields));
  ASSERT_TRUE(table);
  std::vector<Value> v(kFieldCount);
  v[kName - 1] = "别处的料";
  v[kQuantity - 1] = 2.5;
  v[kAlarm - 1] = 7.0;
  ASSERT_TRUE(table->Append(v));
  table.reset();
  SetClock(kLater + 1);
  EXPECT_EQ(Restore(other), RestoreResult::kRestored)
      << dialogs_.Messages().back();
  const Snapshot restored = ReadTable(table_path_);
  ASSERT_EQ(restored.size(), 1u);
  EXPECT_EQ(restored[0][kName - 1], "别处的料");
  EXPECT_EQ(restored[0][kQuantity - 1], "2.5");
}

TEST_F(TableMaintenanceTest, RestoreKeepsTheTableInUseByteForByte) {
  ASSERT_TRUE(BackUpTable(dir_.path(), dialogs_));
  Book(1);
  const std::string in_use = Bytes();
  SetClock(kLater);
  EXPECT_EQ(Restore(BackupAt(kMorning)), RestoreResult::kRestored);
  EXPECT_EQ(ReadTestFile(BackupAt(kLater)) +
                ReadTestFile(MemoPathOf(BackupAt(kLater))),
            in_use);
  EXPECT_FALSE(FileExists(BackupAt(kLater) + ".kept"));
  EXPECT_FALSE(FileExists(MemoPathOf(BackupAt(kLater)) + ".kept"));
  // The saved table is no name of the table in use: a booking now leaves it.
  ASSERT_TRUE(DbOpen(table_path_, kMaterialAlias));
  Book(2);
  EXPECT_EQ(ReadTestFile(BackupAt(kLater)) +
                ReadTestFile(MemoPathOf(BackupAt(kLater))),
            in_use);
}

// What a restore or an import killed part-way leaves, cleared by the next
// restore: its staging tables, and the links that keep the table in use.
class RestoreLeftoversTest : public TableMaintenanceTest {
 protected:
  void SetUp() override {
    TableMaintenanceTest::SetUp();
    ASSERT_TRUE(BackUpTable(dir_.path(), dialogs_));
    dialogs_.shown.clear();
  }
  // Links the table in use and its memo file as a restore at `when` does
  // before it replaces the table.
  void LinkKept(double when) {
    const std::string backup = BackupAt(when);
    ASSERT_EQ(::link(table_path_.c_str(), (backup + ".kept").c_str()), 0);
    ASSERT_EQ(::link(MemoPathOf(table_path_).c_str(),
                     (MemoPathOf(backup) + ".kept").c_str()),
              0);
  }
  void RestoreAtLater() {
    SetClock(kLater);
    ASSERT_EQ(Restore(BackupAt(kMorning)), RestoreResult::kRestored);
    EXPECT_TRUE(dialogs_.Messages().empty());
  }
};

TEST_F(RestoreLeftoversTest, StagingTablesAreRemoved) {
  const std::vector<std::string> staging = {
      "data.restore.mzk",    "data.restore.edt",           "电子表导入.mzk",
      "电子表导入.edt",      "电子表导入.mzk.new",         "电子表导入.edt.new",
      "电子表导入.mzk.pair", "电子表导入.mzk.new-pc1-42-7"};
  for (const std::string& name : staging)
    ASSERT_TRUE(testing::WriteTestFile(dir_.File(name), "left by a kill"));
  RestoreAtLater();
  for (const std::string& name : staging)
    EXPECT_FALSE(FileExists(dir_.File(name))) << name;
}

// The temporaries of backups that a process of this host was killed
// writing go; those of a live process, of another PC, and the backups stay.
TEST_F(RestoreLeftoversTest, BackupTemporariesOfKilledProcessesAreRemoved) {
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
  const std::string token = NewPairToken();
  const std::string host = token.substr(0, token.find('-'));
  const std::string killed = host + "-" + std::to_string(dead) + "-3";
  const std::string live = host + "-" + std::to_string(::getpid()) + "-3";
  const std::vector<std::string> gone = {
      "线1S-1.mzk.new-" + killed, "线1S-1.edt.new-" + killed,
      "线1S-1.mzk.pair.new-" + killed, "X.MZK.new-" + killed};
  const std::vector<std::string> kept = {
      "线1S-1.mzk", "线1S-1.edt", "线1S-1.mzk.new-" + live,
      "线1S-1.mzk.new-otherpc-" + std::to_string(dead) + "-3",
      "notes.txt.new-" + killed};
  for (const char* folder : {kStockInBackupFolder, kStockOutBackupFolder}) {
    ASSERT_TRUE(CreateDirectory(dir_.File(folder)));
    for (const auto& names : {gone, kept})
      for (const std::string& name : names)
        ASSERT_TRUE(
            testing::WriteTestFile(dir_.File(folder) + "/" + name, "x"));
  }
  RestoreAtLater();
  for (const char* folder : {kStockInBackupFolder, kStockOutBackupFolder}) {
    for (const std::string& name : gone)
      EXPECT_FALSE(FileExists(dir_.File(folder) + "/" + name)) << name;
    for (const std::string& name : kept)
      EXPECT_TRUE(FileExists(dir_.File(folder) + "/" + name)) << name;
  }
}

TEST_F(RestoreLeftoversTest, LinksMadeBeforeTheReplacementAreDropped) {
  const double killed_at = kMorning + 0.001;
  LinkKept(killed_at);
  RestoreAtLater();
  // That restore never replaced the table: it left no backup.
  EXPECT_FALSE(FileExists(BackupAt(killed_at)));
  EXPECT_FALSE(FileExists(BackupAt(killed_at) + ".kept"));
  EXPECT_FALSE(FileExists(MemoPathOf(BackupAt(killed_at)) + ".kept"));
  EXPECT_FALSE(FileExists(MemoPathOf(BackupAt(killed_at))));
}

TEST_F(RestoreLeftoversTest, LinksOfAReplacedTableBecomeItsBackup) {
  const double killed_at = kMorning + 0.001;
  const std::string backup = BackupAt(killed_at);
  // The table that restore replaced: linked, and no longer the table in use.
  ASSERT_TRUE(CopyFile(table_path_, dir_.File("old.mzk")));
  ASSERT_TRUE(CopyFile(MemoPathOf(table_path_), dir_.File("old.edt")));
  const Snapshot replaced = ReadTable(dir_.File("old.mzk"));
  ASSERT_EQ(::link(dir_.File("old.mzk").c_str(), (backup + ".kept").c_str()),
            0);
  ASSERT_EQ(::link(dir_.File("old.edt").c_str(),
                   (MemoPathOf(backup) + ".kept").c_str()),
            0);
  AddMaterial(3);
  RestoreAtLater();
  EXPECT_EQ(ReadTable(backup), replaced);
  EXPECT_EQ(CheckTable(backup), std::vector<std::string>{});
  EXPECT_FALSE(FileExists(backup + ".kept"));
  EXPECT_FALSE(FileExists(MemoPathOf(backup) + ".kept"));
}

class RestoreRefusalTest : public TableMaintenanceTest {
 protected:
  // Restores `chosen` and expects it refused with `message`, the table's
  // files untouched and no save taken.
  void ExpectRefused(const std::string& chosen, const std::string& message) {
    const std::string before = Bytes();
    SetClock(kLater);
    EXPECT_EQ(Restore(chosen), RestoreResult::kRefused);
    EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{message});
    EXPECT_EQ(Bytes(), before);
    EXPECT_FALSE(FileExists(BackupAt(kLater)));
    EXPECT_FALSE(FileExists(dir_.File("data.restore.mzk")));
    EXPECT_FALSE(FileExists(dir_.File("data.restore.edt")));
  }
  std::string Backup() {
    EXPECT_TRUE(BackUpTable(dir_.path(), dialogs_));
    dialogs_.shown.clear();
    AddMaterial(3);
    return BackupAt(kMorning);
  }
};

TEST_F(RestoreRefusalTest, BackupWithoutItsMemoFile) {
  const std::string backup = Backup();
  ASSERT_TRUE(RemoveFile(MemoPathOf(backup)));
  ExpectRefused(backup, "恢复失败!备份文件 " + backup + " 缺少它的备注文件 " +
                            MemoPathOf(backup) + ",材料数据没有任何改动");
}

TEST_F(RestoreRefusalTest, FileThatIsNotATable) {
  const std::string path = dir_.File("notes.mzk");
  ASSERT_TRUE(testing::WriteTestFile(path, "not a table at all"));
  ASSERT_TRUE(testing::WriteTestFile(dir_.File("notes.edt"), "memo"));
  ExpectRefused(path, "恢复失败!文件 " + path +
                          " 不是完好的材料数据表,材料数据没有任何改动");
}

TEST_F(RestoreRefusalTest, DamagedBackup) {
  const std::string backup = Backup();
  std::string bytes = ReadTestFile(backup);
  ASSERT_GT(bytes.size(), 100u);
  bytes.resize(bytes.size() - 100);  // the last record cut short
  ASSERT_TRUE(testing::WriteTestFile(backup, bytes));
  ExpectRefused(backup, "恢复失败!文件 " + backup +
                            " 不是完好的材料数据表,材料数据没有任何改动");
}

TEST_F(RestoreRefusalTest, TableOfOtherFields) {
  const std::string path = dir_.File("list.mzk");
  std::vector<FieldDef> fields = Fields();
  fields.pop_back();
  ASSERT_TRUE(Table::Create(path, Schema(fields)));
  ExpectRefused(path, "恢复失败!文件 " + path +
                          " 不是完好的材料数据表,材料数据没有任何改动");
  // A date kept as a number is no date the reports can use.
  const std::string dates = dir_.File("dates.mzk");
  fields = Fields();
  fields[kInDate - 1].type = fmt::kDouble;
  ASSERT_TRUE(Table::Create(dates, Schema(fields)));
  dialogs_.shown.clear();
  ExpectRefused(dates, "恢复失败!文件 " + dates +
                           " 不是完好的材料数据表,材料数据没有任何改动");
}

TEST_F(RestoreRefusalTest, TableInUseCannotBeSaved) {
  const std::string backup = Backup();
  // The save of the table in use would go where a folder stands.
  ASSERT_TRUE(CreateDirectory(BackupAt(kLater)));
  const std::string before = Bytes();
  SetClock(kLater);
  EXPECT_EQ(Restore(backup), RestoreResult::kRefused);
  EXPECT_EQ(
      dialogs_.Messages(),
      std::vector<std::string>{"恢复失败!未能先把当前数据库备份到 " +
                               BackupAt(kLater) + ",材料数据没有任何改动"});
  EXPECT_EQ(Bytes(), before);
}

TEST_F(TableMaintenanceTest, ClearSavesTheTableFirst) {
  const Snapshot before = ReadTable(table_path_);
  EXPECT_TRUE(ClearTable(dir_.path(), dialogs_));
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kClearedMessage});
  EXPECT_EQ(ReadTable(BackupAt(kMorning)), before);
  EXPECT_TRUE(ReadTable(table_path_).empty());
  EXPECT_EQ(CheckTable(table_path_), std::vector<std::string>{});
  EXPECT_FALSE(DbSelect(kMaterialAlias));  // closed
}

// Nothing to save and nothing to empty: the table is as cleared as can be.
TEST_F(TableMaintenanceTest, ClearWithNoTableSaysItIsCleared) {
  DbCloseAll();
  ASSERT_TRUE(RemoveFile(MemoPathOf(table_path_)));
  ASSERT_TRUE(RemoveFile(table_path_));
  EXPECT_TRUE(ClearTable(dir_.path(), dialogs_));
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kClearedMessage});
  EXPECT_FALSE(FileExists(table_path_));
  EXPECT_FALSE(FileExists(BackupAt(kMorning)));
}

TEST_F(TableMaintenanceTest, ClearEmptiesNothingWhenItCannotSaveFirst) {
  ASSERT_TRUE(testing::WriteTestFile(BackupFolder(), "x"));
  const Snapshot before = ReadTable(table_path_);
  EXPECT_FALSE(ClearTable(dir_.path(), dialogs_));
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{"未能先把数据库备份到 " +
                                     BackupAt(kMorning) + ",数据库没有清空"});
  EXPECT_EQ(ReadTable(table_path_), before);
}

// Another program holding the program folder (a restore or an import of
// another window) or the table past the wait: the restore and the clear say
// the table is in use and to try again, and change nothing.
TEST_F(RestoreRefusalTest, HeldByAnotherProgramIsInUseNeverUnusable) {
  const std::string backup = Backup();
  const std::string in_use = "材料数据表 " + table_path_ +
                             " 正被另一个程序占用（可能是另一个窗口或另一台"
                             "电脑上的本程序），请稍后再试。";
  const std::chrono::milliseconds limit = LockWaitLimit();
  SetLockWaitLimit(std::chrono::milliseconds(100));
  const int folder = ::open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(folder, LOCK_EX), 0);
  ExpectRefused(backup, in_use + ",材料数据没有任何改动");
  ::close(folder);
  PosixFile other;  // its lock on the record count
  ASSERT_TRUE(other.Open(table_path_, false) &&
              other.Lock(fmt::kCountOffset, 1, true));
  const std::string before = Bytes();
  dialogs_.shown.clear();
  EXPECT_FALSE(ClearTable(dir_.path(), dialogs_));
  other.Close();
  SetLockWaitLimit(limit);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{in_use + ",数据库没有清空"});
  EXPECT_EQ(Bytes(), before);
}

}  // namespace
}  // namespace matslip
