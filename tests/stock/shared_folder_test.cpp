// Two program processes on one folder, as a second window or a second PC
// on a shared folder would be: bookings, undo, restore and the list build of
// one process against those of another, and a file another program locks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "base/files.h"
#include "material/material_backup.h"
#include "material/material_table.h"
#include "material/stock_in.h"
#include "stock/cancel_movement.h"
#include "stock/in_use_message.h"
#include "stock/item_editor.h"
#include "stock/stock_list_source.h"
#include "stock/stock_out.h"
#include "stock/table_maintenance.h"
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

// Runs `body` in a forked child; it exits 0 when `body` returns true.
pid_t Spawn(const std::function<bool()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body() ? 0 : 1);
  return pid;
}

// The child's exit code; -1 when it did not end on its own within
// `limit_seconds` (it is killed then): a guard against a hang, not a timing.
int WaitExit(pid_t pid, int limit_seconds = 120) {
  int status = 0;
  for (int waited = 0; waited < limit_seconds * 100; ++waited) {
    if (::waitpid(pid, &status, WNOHANG) == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return -1;
}

StockInForm Receipt(const MaterialKey& key, const std::string& quantity) {
  return {key.name, key.model, "根", "2", quantity, "", "0"};
}

class SharedFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbCloseAll();
    SetDurableWrites(false);
    // The processes here contend on purpose, on a machine that may be busy
    // with other work: a step waits for the other's lock as long as it
    // takes, not the few seconds after which a user is told "in use".
    SetLockWaitLimit(std::chrono::seconds(30));
    dir_ = tmp_.path();
    data_ = ProgramFilePath(dir_, kMaterialFile);
    in_folder_ = ProgramFilePath(dir_, kStockInBackupFolder);
    ASSERT_TRUE(EnsureTable(data_));
    ASSERT_TRUE(DbOpen(data_, kMaterialAlias));
    for (int i = 0; i < kSeeded; ++i)
      ASSERT_TRUE(
          BookStockIn(in_folder_, Receipt(Seeded(i), "100"), Now()).booked);
    DbCloseAll();
  }
  void TearDown() override {
    DbCloseAll();
    SetLockWaitLimit(limit_);
  }

  static MaterialKey Seeded(int i) {
    return {"钢芯铝绞线" + std::to_string(i), "LGJ-" + std::to_string(i)};
  }

  // The records of `key` in the table: one field's text of each.
  std::vector<std::string> Records(const MaterialKey& key, Field field) {
    std::vector<std::string> found;
    auto t = Table::Open(data_, OpenOptions{.read_only = true});
    if (!t) return {"<table does not open>"};
    for (int r = 1; r <= t->RecordCount(); ++r) {
      Value name, model, value;
      t->GoTo(r);
      t->Read(kName - 1, &name);
      t->Read(kModel - 1, &model);
      t->Read(field - 1, &value);
      if (name.ToText() == key.name && model.ToText() == key.model)
        found.push_back(value.ToText());
    }
    return found;
  }
  static std::size_t Lines(const std::string& log) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = log.find("\r\n", at)) != std::string::npos;
         at += 2)
      ++n;
    return n;
  }
  // The first whole-table backup, taken now: its path (the one table in
  // the backup folder), or empty.
  std::string BackUp() {
    testing::FakeDialogs dialogs;
    if (!BackUpTable(dir_, dialogs)) return "";
    DbCloseAll();
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(
             ProgramFilePath(dir_, kTableBackupFolder)))
      if (entry.path().extension() == ".mzk")
        found.push_back(entry.path().string());
    return found.size() == 1 ? found[0] : "";
  }
  int RecordCount() {
    auto t = Table::Open(data_, OpenOptions{.read_only = true});
    return t ? t->RecordCount() : -1;
  }

  static constexpr int kSeeded = 40;
  const std::chrono::milliseconds limit_ = LockWaitLimit();
  testing::TempDir tmp_;
  std::string dir_, data_, in_folder_;
};

TEST_F(SharedFolderTest, BookingsOfTwoProcessesOnOneMaterialAllCount) {
  constexpr int kEach = 1000;
  const MaterialKey key = Seeded(7);
  // Two processes receiving, then one receiving against one issuing.
  const auto receipts = [&] {
    if (!DbOpen(data_, kMaterialAlias)) return false;
    for (int k = 0; k < kEach; ++k)
      if (!BookStockIn(in_folder_, Receipt(key, "1"), Now()).booked)
        return false;
    return true;
  };
  const pid_t a = Spawn(receipts), b = Spawn(receipts);
  EXPECT_EQ(WaitExit(a), 0);
  EXPECT_EQ(WaitExit(b), 0);
  EXPECT_EQ(Records(key, kQuantity), std::vector<std::string>{"2100"});
  EXPECT_EQ(Records(key, kInQuantity), std::vector<std::string>{"2100"});
  ASSERT_EQ(Records(key, kInLog).size(), 1u);
  EXPECT_EQ(Lines(Records(key, kInLog)[0]), 2001u);

  constexpr int kSlips = 500;
  const pid_t in = Spawn([&] {
    if (!DbOpen(data_, kMaterialAlias)) return false;
    for (int k = 0; k < kSlips; ++k)
      if (!BookStockIn(in_folder_, Receipt(key, "3"), Now()).booked)
        return false;
    return true;
  });
  const pid_t out = Spawn([&] {
    const Slip slip{{{key, "2", "4"}}, "线路班", "张三"};
    for (int k = 0; k < kSlips; ++k)
      if (BookStockOut(dir_, slip, Now()) != 1) return false;
    return true;
  });
  EXPECT_EQ(WaitExit(in), 0);
  EXPECT_EQ(WaitExit(out), 0);
  EXPECT_EQ(Records(key, kQuantity), std::vector<std::string>{"2600"});
  EXPECT_EQ(Records(key, kOutQuantity), std::vector<std::string>{"1000"});
  ASSERT_EQ(Records(key, kOutLog).size(), 1u);
  EXPECT_EQ(Lines(Records(key, kOutLog)[0]), std::size_t{kSlips});
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

TEST_F(SharedFolderTest, TwoProcessesCreatingTheSameMaterialsLeaveOneEach) {
  constexpr int kNew = 100;
  const auto create = [&] {
    if (!DbOpen(data_, kMaterialAlias)) return false;
    for (int k = 0; k < kNew; ++k) {
      const MaterialKey key{"新料" + std::to_string(k), "X"};
      if (!BookStockIn(in_folder_, Receipt(key, "1"), Now()).booked)
        return false;
    }
    return true;
  };
  const pid_t a = Spawn(create), b = Spawn(create);
  EXPECT_EQ(WaitExit(a), 0);
  EXPECT_EQ(WaitExit(b), 0);
  int duplicated = 0;
  for (int k = 0; k < kNew; ++k) {
    const std::vector<std::string> q =
        Records({"新料" + std::to_string(k), "X"}, kQuantity);
    if (q != std::vector<std::string>{"2"}) ++duplicated;
  }
  EXPECT_EQ(duplicated, 0);
  EXPECT_EQ(RecordCount(), kSeeded + kNew);
}

TEST_F(SharedFolderTest, EditorKeptOpenAcrossARestoreBooksIntoTheLiveTable) {
  const std::string backup = BackUp();
  ASSERT_NE(backup, "");
  const MaterialKey key = Seeded(3);
  int ready[2], go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  constexpr int kReceipts = 100;
  // The editor opens before the restore and books after it.
  const pid_t editor = Spawn([&] {
    if (OpenOnMaterial(dir_, key) != OpenedOn::kFound) return false;
    char c = 'r';
    if (::write(ready[1], &c, 1) != 1 || ::read(go[0], &c, 1) != 1)
      return false;
    testing::FakeDialogs dialogs;
    for (int k = 0; k < kReceipts; ++k)
      StockIn(in_folder_, Receipt(key, "1"), Now(), dialogs);
    const std::vector<std::string> said = dialogs.Messages();
    // Every receipt either booked or refused with a message of its own.
    return std::count(said.begin(), said.end(), kStockInDone) ==
           static_cast<long>(said.size());
  });
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  testing::FakeDialogs dialogs;
  dialogs.files.push_back({true, backup});
  std::this_thread::sleep_for(std::chrono::seconds(1));  // another second
  EXPECT_EQ(RestoreTable(dir_, dialogs), RestoreResult::kRestored)
      << ::testing::PrintToString(dialogs.Messages());
  DbCloseAll();
  ASSERT_EQ(::write(go[1], "g", 1), 1);
  EXPECT_EQ(WaitExit(editor), 0);
  EXPECT_EQ(Records(key, kQuantity),
            std::vector<std::string>{std::to_string(100 + kReceipts)});
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
}

TEST_F(SharedFolderTest, UndoRestoreAndReceiptLoopsLeaveOneWholeTable) {
  const std::string backup = BackUp();
  ASSERT_NE(backup, "");
  constexpr int kRounds = 3;
  for (int round = 0; round < kRounds; ++round) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    const auto until = [deadline] {
      return std::chrono::steady_clock::now() < deadline;
    };
    const pid_t receipts = Spawn([&] {
      if (!DbOpen(data_, kMaterialAlias)) return false;
      for (int k = 0; until(); ++k)
        BookStockIn(in_folder_, Receipt(Seeded(k % kSeeded), "1"), Now());
      return true;
    });
    const pid_t undo = Spawn([&] {
      testing::FakeDialogs dialogs;
      for (int k = 0; until(); ++k) {
        dialogs.answers.push_back(true);
        CancelMovement(dir_, Seeded(k % kSeeded), kStockInUndo, dialogs);
        DbCloseAll();
      }
      return true;
    });
    const pid_t restore = Spawn([&] {
      testing::FakeDialogs dialogs;
      while (until()) {
        dialogs.files.push_back({true, backup});
        RestoreTable(dir_, dialogs);
        DbCloseAll();
      }
      return true;
    });
    EXPECT_EQ(WaitExit(receipts), 0);
    EXPECT_EQ(WaitExit(undo), 0);
    EXPECT_EQ(WaitExit(restore), 0);
    ASSERT_EQ(CheckTable(data_), std::vector<std::string>{}) << round;
    ASSERT_EQ(RecordCount(), kSeeded) << round;
  }
}

// Another program's plain lock on the record count, held until it is killed.
pid_t HoldForeignLock(const std::string& path) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fd = ::open(path.c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 16;
    fl.l_len = 1;
    const bool locked = fd >= 0 && ::fcntl(fd, F_SETLK, &fl) == 0;
    if (::write(ready[1], locked ? "y" : "n", 1) != 1 || !locked) ::_exit(1);
    for (;;) ::pause();
  }
  char c = 'n';
  const bool locked = ::read(ready[0], &c, 1) == 1 && c == 'y';
  ::close(ready[0]);
  ::close(ready[1]);
  if (!locked) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
  }
  return pid;
}

// Says, at each message box, whether the program folder is free then.
class FolderWatchingDialogs : public testing::FakeDialogs {
 public:
  explicit FolderWatchingDialogs(std::string folder)
      : folder_(std::move(folder)) {}
  void Message(const std::string& text, const std::string& caption,
               MessageIcon icon) override {
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ++free_at_message;
    if (fd >= 0) ::close(fd);
    FakeDialogs::Message(text, caption, icon);
  }
  int free_at_message = 0;

 private:
  std::string folder_;
};

bool SaysInUse(const std::string& text, const std::string& path) {
  return text.find(kTableInUse) != std::string::npos &&
         text.find(path) != std::string::npos &&
         text.find("损坏") == std::string::npos;
}

TEST_F(SharedFolderTest, TableHeldElsewhereIsInUseWithinTheBoundNeverDamaged) {
  // A process that undid a receipt and lives on does not keep others out.
  {
    ASSERT_TRUE(DbOpen(data_, kMaterialAlias));
    ASSERT_TRUE(BookStockIn(in_folder_, Receipt(Seeded(1), "5"), Now()).booked);
    DbCloseAll();
    int done[2], quit[2];
    ASSERT_EQ(::pipe(done), 0);
    ASSERT_EQ(::pipe(quit), 0);
    const pid_t undoer = Spawn([&] {
      testing::FakeDialogs dialogs;
      dialogs.answers.push_back(true);
      const bool undone = CancelMovement(dir_, Seeded(1), kStockInUndo,
                                         dialogs) == UndoResult::kRestored;
      char c = undone ? 'y' : 'n';
      return ::write(done[1], &c, 1) == 1 && ::read(quit[0], &c, 1) == 1 &&
             undone;
    });
    char c = 'n';
    EXPECT_EQ(::read(done[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    const StockListSource list =
        CopyStockList(data_, ProgramFilePath(dir_, kStockListFile));
    EXPECT_TRUE(list.listed);
    EXPECT_EQ(list.message, "");
    EXPECT_EQ(OpenOnMaterial(dir_, Seeded(2)), OpenedOn::kFound);
    testing::FakeDialogs dialogs;
    StockIn(in_folder_, Receipt(Seeded(2), "1"), Now(), dialogs);
    EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{kStockInDone});
    DbCloseAll();
    EXPECT_EQ(::write(quit[1], "q", 1), 1);
    EXPECT_EQ(WaitExit(undoer), 0);
    for (int fd : {done[0], done[1], quit[0], quit[1]}) ::close(fd);
  }
  const std::string backup = BackUp();
  ASSERT_NE(backup, "");
  const std::vector<std::string> before = Records(Seeded(5), kQuantity);
  const std::string bytes = testing::ReadTestFile(data_);
  const std::string kept_backup = MaterialBackupPath(in_folder_, Seeded(5));
  const std::string kept_backup_bytes = testing::ReadTestFile(kept_backup);

  // The steps in a child of their own, which must end on its own; the
  // item editor was open before the other program took its lock.
  const pid_t steps = Spawn([&] {
    SetLockWaitLimit(std::chrono::milliseconds(300));
    const bool editor = OpenOnMaterial(dir_, Seeded(5)) == OpenedOn::kFound;
    const pid_t holder = HoldForeignLock(data_);
    if (!editor || holder <= 0) return false;
    bool ok = true;
    const StockListSource list =
        CopyStockList(data_, ProgramFilePath(dir_, kStockListFile));
    ok = ok && !list.listed && SaysInUse(list.message, data_);
    testing::FakeDialogs dialogs;
    StockIn(in_folder_, Receipt(Seeded(5), "1"), Now(), dialogs);
    DbCloseAll();
    const std::vector<std::string> said = dialogs.Messages();
    ok = ok && said.size() == 1 && SaysInUse(said[0], data_);
    const std::vector<std::string> problems = CheckTable(data_);
    ok = ok && problems.size() == 1 &&
         problems[0].find("in use by another program") != std::string::npos &&
         problems[0].find(data_) != std::string::npos;
    FolderWatchingDialogs restore_dialogs(dir_);
    restore_dialogs.files.push_back({true, backup});
    const RestoreResult restored = RestoreTable(dir_, restore_dialogs);
    ok = ok && restored == RestoreResult::kRefused &&
         restore_dialogs.Messages().size() == 1 &&
         SaysInUse(restore_dialogs.Messages()[0], data_) &&
         restore_dialogs.free_at_message == 1;
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    if (!ok) {
      ::fprintf(stderr, "list: %s\nstock-in: %s\ncheck: %s\nrestore: %s\n",
                list.message.c_str(), ::testing::PrintToString(said).c_str(),
                ::testing::PrintToString(problems).c_str(),
                ::testing::PrintToString(restore_dialogs.Messages()).c_str());
    }
    return ok;
  });
  EXPECT_EQ(WaitExit(steps, 60), 0);
  EXPECT_EQ(testing::ReadTestFile(data_), bytes);
  EXPECT_EQ(Records(Seeded(5), kQuantity), before);
  EXPECT_EQ(testing::ReadTestFile(kept_backup), kept_backup_bytes);
}

}  // namespace
}  // namespace matslip
