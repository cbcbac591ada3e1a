// The engine's bulk and record operations on a table of 100,000 materials,
// against SQLite doing the same work on the same rows (Engine/<Work> and
// Sqlite/<Work>), and the cost of copying the table's files with the kernel
// as the floor of whole-table rewrites (Floor/<How>). Memory/<Work>/<rows>
// report the peak heap growth of DbCopyTo and DbPurge at two table sizes.
// App/<Work> are the program's own bookings on the same table: a receipt
// with its backup, and its undo (the table rebuilt around the backup), and
// the whole table's backup and restore.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/dialogs.h"
#include "base/files.h"
#include "base/number.h"
#include "bench_table.h"
#include "heap_counter.h"
#include "material/material_backup.h"
#include "material/material_table.h"
#include "material/stock_in.h"
#include "sqlite_db.h"
#include "stock/cancel_movement.h"
#include "stock/stock_out.h"
#include "stock/table_maintenance.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/names.h"
#include "store/table.h"

namespace matslip::bench {
namespace {

using namespace material;

constexpr int kRows = 100000;
constexpr int kSmallRows = 10000;
constexpr int kStockIns = 1000;
constexpr int kMemoAppends = 10000;
// The month whose stock-outs CopyPeriod selects: a few percent of the rows.
const double kPeriodBegin = CivilToDate({2026, 3, 1});
const double kPeriodEnd = CivilToDate({2026, 4, 1});

struct World {
  std::string dir;
  BenchTable big, small;
  std::string scratch_sqlite;  // a copy of big.sqlite for CREATE/DROP work
  std::vector<std::string> log_lines;
};

World& W() {
  static World* w = new World;
  return *w;
}

std::string Work(const std::string& name) { return W().dir + "/" + name; }

[[noreturn]] void Die(const std::string& what) {
  std::fprintf(stderr, "engine_bench: %s\n", what.c_str());
  std::abort();
}

// Copies a file's bytes in the kernel; the floor of any whole-file rewrite.
void CopyBytes(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  struct stat st;
  if (in < 0 || out < 0 || ::fstat(in, &st) != 0) Die("cannot copy " + from);
  for (off_t left = st.st_size; left > 0;) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr,
                                  static_cast<std::size_t>(left), 0);
    if (n <= 0) Die("cannot copy " + from);
    left -= n;
  }
  ::close(in);
  ::close(out);
}

void CopyTable(const BenchTable& b, const std::string& to) {
  CopyBytes(b.table, to);
  CopyBytes(MemoPathOf(b.table), MemoPathOf(to));
}

// A copy or sort writes a new file where the previous iteration's output
// lies; that output is removed outside the timing, as SQLite's DROP TABLE of
// the previous copy is.
void RemoveOutput(benchmark::State& state, const std::string& path) {
  state.PauseTiming();
  ::unlink(path.c_str());
  ::unlink(MemoPathOf(path).c_str());
  state.ResumeTiming();
}

void OpenTable(const std::string& path) {
  DbCloseAll();
  if (!DbOpen(path, "data")) Die("cannot open " + path);
}

// The record condition of a material look-up, as the program writes it.
RecordCondition KeyIs(const std::string& name, const std::string& model) {
  return [&name, &model] {
    return DbRead(kName).str() == name && DbRead(kModel).str() == model;
  };
}

const std::string kMissingName = "不存在的材料";
const std::string kMissingModel = "XX-0/0";

// --- Engine ----------------------------------------------------------------

void EngineCopySubset(benchmark::State& state) {
  OpenTable(W().big.table);
  const std::string out = Work("subset.mzk");
  for (auto _ : state) {
    RemoveOutput(state, out);
    if (!DbCopyTo(out, nullptr, StockListFields()))
      state.SkipWithError("DbCopyTo failed");
  }
  DbCloseAll();
}

void EngineCopyPeriod(benchmark::State& state) {
  OpenTable(W().big.table);
  const std::string out = Work("period.mzk");
  auto in_period = [] {
    const double d = DbRead(kOutDate).ToNumber();
    return d >= kPeriodBegin && d < kPeriodEnd;
  };
  for (auto _ : state) {
    RemoveOutput(state, out);
    if (!DbCopyTo(out, in_period, StockListFields()))
      state.SkipWithError("DbCopyTo failed");
  }
  DbCloseAll();
}

void EngineFindMiss(benchmark::State& state) {
  OpenTable(W().big.table);
  const RecordCondition key = KeyIs(kMissingName, kMissingModel);
  for (auto _ : state) {
    DbFirst();
    if (DbFind(key)) state.SkipWithError("found a missing key");
  }
  DbCloseAll();
}

void EngineSortTo(benchmark::State& state, const char* key) {
  OpenTable(W().big.table);
  const std::string out = Work("sorted.mzk");
  for (auto _ : state) {
    RemoveOutput(state, out);
    if (!DbSortTo(out, key, true)) state.SkipWithError("DbSortTo failed");
  }
  DbCloseAll();
}

// A fresh copy of the table for each iteration, outside the timing.
void FreshTable(benchmark::State& state, const std::string& path) {
  state.PauseTiming();
  DbCloseAll();
  CopyTable(W().big, path);
  OpenTable(path);
  state.ResumeTiming();
}

void EnginePurge(benchmark::State& state) {
  for (auto _ : state) {
    FreshTable(state, Work("purge.mzk"));
    state.PauseTiming();
    DbDelete([] { return DbRecordNumber() % 10 == 0; });
    state.ResumeTiming();
    if (!DbPurge()) state.SkipWithError("DbPurge failed");
  }
  DbCloseAll();
}

int SpreadRecord(int i) {
  return 1 + static_cast<int>(std::int64_t{i} * 7919 % W().big.count);
}

void EngineMemoAppend(benchmark::State& state) {
  for (auto _ : state) {
    FreshTable(state, Work("memo.mzk"));
    for (int i = 0; i < kMemoAppends; ++i) {
      DbGoTo(SpreadRecord(i));
      if (!DbWriteMemo(kInLog, W().log_lines[i])) {
        state.SkipWithError("DbWriteMemo failed");
        break;
      }
    }
  }
  DbCloseAll();
}

void EngineStockIn(benchmark::State& state) {
  const double now = CivilToDate({2026, 12, 7, 9, 0, 0});
  for (auto _ : state) {
    FreshTable(state, Work("stockin.mzk"));
    for (int k = 0; k < kStockIns; ++k) {
      const auto& key = W().big.keys[static_cast<std::size_t>(k)];
      DbFirst();
      if (!DbFind(KeyIs(key.first, key.second))) {
        state.SkipWithError("material not found");
        break;
      }
      const double q = 10, price = DbRead(kPrice).ToNumber();
      const double v = RoundTo(q * price, 2);
      const double stock = DbRead(kQuantity).ToNumber() + q;
      const double value = DbRead(kValue).ToNumber() + v;
      bool ok = DbWrite(kQuantity, stock) && DbWrite(kPrice, price) &&
                DbWrite(kValue, value) && DbWrite(kInQuantity, q) &&
                DbWrite(kInValue, v) && DbWrite(kInDate, Value::Date(now)) &&
                DbWrite(kMonthInQuantity, q) && DbWrite(kMonthInValue, v) &&
                DbWrite(kYearInQuantity, q) && DbWrite(kYearInValue, v) &&
                DbWriteMemo(kInLog, W().log_lines[k]);
      if (!ok) {
        state.SkipWithError("write failed");
        break;
      }
    }
  }
  DbCloseAll();
}

// The undo of a stock-in: the middle record of the big table replaced by its
// backup (a one-record table with its memo logs), the new pair written and
// put in place.
void EngineReplaceRecord(benchmark::State& state) {
  DbCloseAll();
  const std::string table = Work("replace.mzk");
  const std::string backup = Work("replace-backup.mzk");
  CopyTable(W().big, table);
  OpenTable(table);
  const int middle = kRows / 2;
  if (!DbCopyRecordsTo(backup, middle, 1) || !DbOpen(backup, "xdgja"))
    Die("cannot write the backup");
  for (auto _ : state) {
    DbSelect("data");
    if (!DbReplaceRecord(middle, "xdgja"))
      state.SkipWithError("DbReplaceRecord failed");
  }
  DbCloseAll();
}

// The least any rewrite of the table costs: its bytes copied by the kernel
// over the previous copy, as cp does (and as a purge replaces the table).
void FloorCopyFile(benchmark::State& state) {
  for (auto _ : state) CopyBytes(W().big.table, Work("floor.mzk"));
}

// The same bytes copied into a new file, as the copies and sorts write.
void FloorCopyFileToNew(benchmark::State& state) {
  const std::string out = Work("floor-new.mzk");
  for (auto _ : state) {
    RemoveOutput(state, out);
    CopyBytes(W().big.table, out);
  }
}

// The least a sorted copy of every field costs when done one file after the
// other: the table's and its memo file's bytes copied into new files.
void FloorCopyTableAndMemo(benchmark::State& state) {
  const std::string out = Work("floor-both.mzk");
  for (auto _ : state) {
    RemoveOutput(state, out);
    CopyTable(W().big, out);
  }
}

// --- The program's bookings ------------------------------------------------

// Where the program's files go: data.mzk and the backup folders.
std::string AppDir() { return Work("app"); }
std::string AppTable() { return AppDir() + "/" + kMaterialFile; }
std::string AppBackups() { return AppDir() + "/" + kStockInBackupFolder; }

// A fresh copy of the big table as the program's data.mzk, open as "data".
void FreshAppTable() {
  DbCloseAll();
  CopyTable(W().big, AppTable());
  OpenTable(AppTable());
}

// A material from record `from` of the open table on: the first record
// that is the first of its key, so that a look-up by key stops there. Its
// record number goes to `*record_number`.
MaterialKey MaterialFrom(int from, int* record_number) {
  for (int r = from; r <= DbRecordCount(); ++r) {
    DbGoTo(r);
    const MaterialKey key{DbRead(kName).str(), DbRead(kModel).str()};
    DbFirst();
    if (DbFind(KeyIs(key.name, key.model)) && DbRecordNumber() == r) {
      *record_number = r;
      return key;
    }
  }
  Die("no material is the first of its key");
}

// The same in the middle of the table.
MaterialKey MiddleMaterial(int* record_number) {
  return MaterialFrom(DbRecordCount() / 2, record_number);
}

// Answers every question Yes and shows nothing.
class NoDialogs : public Dialogs {
 public:
  void Message(const std::string&, const std::string&, MessageIcon) override {}
  bool Ask(const std::string&, const std::string&) override { return true; }
  bool InputText(const std::string&, const std::string&,
                 std::string*) override {
    return false;
  }
  bool InputInteger(const std::string&, const std::string&, int*) override {
    return false;
  }
  bool ChooseFile(const FileDialogRequest&, std::string*) override {
    return false;
  }
  bool ChooseFont(FontChoice*) override { return false; }
};

// One receipt of an existing material in the middle of the table, its
// backup included.
void AppStockIn(benchmark::State& state, bool durable) {
  FreshAppTable();
  int n = 0;
  const MaterialKey key = MiddleMaterial(&n);
  const StockInForm form{key.name, key.model, "米", "12.5", "10", "125", "5"};
  const double now = CivilToDate({2026, 12, 7, 9, 0, 0});
  SetDurableWrites(durable);
  for (auto _ : state) {
    if (BookStockIn(AppBackups(), form, now).record_number != n)
      state.SkipWithError("BookStockIn failed");
  }
  SetDurableWrites(false);
  DbCloseAll();
}

// A slip of nine materials spread over the table, their backups included.
void AppBookStockOut9(benchmark::State& state) {
  FreshAppTable();
  Slip slip{{}, "检修班", "张三"};
  for (int i = 1; i <= 9; ++i) {
    int n = 0;
    slip.lines.push_back(
        {MaterialFrom(DbRecordCount() * i / 10, &n), "1", "2.5"});
  }
  const double now = CivilToDate({2026, 12, 7, 9, 0, 0});
  for (auto _ : state) {
    if (BookStockOut(AppDir(), slip, now) != 9)
      state.SkipWithError("BookStockOut failed");
  }
  DbCloseAll();
}

// The undo of a movement of the material in the middle of the table: the
// table rebuilt with the backup's record in place of the material's. A
// receipt's and an issue's undo differ only in their folder.
void AppCancelMovement(benchmark::State& state, bool durable,
                       const MovementUndo& undo) {
  FreshAppTable();
  int n = 0;
  const MaterialKey key = MiddleMaterial(&n);
  const std::string backups = ProgramFilePath(AppDir(), undo.backup_folder);
  if (!WriteMaterialBackup(backups, key, {n})) Die("no backup written");
  const std::string backup = MaterialBackupPath(backups, key);
  NoDialogs dialogs;
  SetDurableWrites(durable);
  for (auto _ : state) {
    if (RebuildWithBackup(AppDir(), backup, n, key, undo, dialogs) !=
        UndoResult::kRestored)
      state.SkipWithError("RebuildWithBackup failed");
  }
  SetDurableWrites(false);
  DbCloseAll();
}

// Picks `path` in the file dialog; otherwise as NoDialogs.
class ChoosingDialogs : public NoDialogs {
 public:
  explicit ChoosingDialogs(std::string path) : path_(std::move(path)) {}
  bool ChooseFile(const FileDialogRequest&, std::string* path) override {
    *path = path_;
    return true;
  }

 private:
  std::string path_;
};

const double kBackupTime = CivilToDate({2026, 12, 7, 9, 0, 0});
const double kRestoreTime = CivilToDate({2026, 12, 7, 10, 0, 0});

// "备份数据库" of the whole table into a new file (the previous backup of
// the same second removed outside the timing, as the floor's copy is).
void AppBackup(benchmark::State& state) {
  FreshAppTable();
  SetClock(kBackupTime);
  NoDialogs dialogs;
  for (auto _ : state) {
    RemoveOutput(state, TableBackupPath(AppDir(), kBackupTime));
    if (!BackUpTable(AppDir(), dialogs))
      state.SkipWithError("BackUpTable failed");
  }
  ResetClock();
  DbCloseAll();
}

// "导入  备份 " of a backup of the whole table: its copy, the check, the
// save of the table in use (its files linked into the backup folder; the
// previous iteration's, which holds the replaced table's blocks, removed
// outside the timing) and the pair replacement.
void AppRestore(benchmark::State& state) {
  FreshAppTable();
  SetClock(kBackupTime);
  NoDialogs quiet;
  if (!BackUpTable(AppDir(), quiet)) Die("no backup written");
  SetClock(kRestoreTime);
  ChoosingDialogs dialogs(TableBackupPath(AppDir(), kBackupTime));
  for (auto _ : state) {
    RemoveOutput(state, TableBackupPath(AppDir(), kRestoreTime));
    if (RestoreTable(AppDir(), dialogs) != RestoreResult::kRestored)
      state.SkipWithError("RestoreTable failed");
  }
  ResetClock();
  DbCloseAll();
}

// --- SQLite ----------------------------------------------------------------

void SqliteCopyTo(benchmark::State& state, bool period) {
  SqliteDb db(W().scratch_sqlite);
  const std::string columns = SqliteColumns(StockListFields());
  const std::string where =
      period ? " WHERE \"出库日期\" >= " + NumberToText(kPeriodBegin) +
                   " AND \"出库日期\" < " + NumberToText(kPeriodEnd)
             : "";
  for (auto _ : state) {
    state.PauseTiming();
    db.Exec("DROP TABLE IF EXISTS copy;");
    state.ResumeTiming();
    db.Exec("BEGIN; CREATE TABLE copy AS SELECT " + columns +
            " FROM data WHERE 0; INSERT INTO copy SELECT " + columns +
            " FROM data" + where + "; COMMIT;");
  }
  db.Exec("DROP TABLE IF EXISTS copy;");
}

void SqliteFindMiss(benchmark::State& state) {
  SqliteDb db(W().scratch_sqlite);
  sqlite3_stmt* find = db.Prepare(
      "SELECT rowid FROM data WHERE \"品名\" = ?1 AND \"规格型号\" = ?2 "
      "LIMIT 1");
  sqlite3_bind_text(find, 1, kMissingName.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_text(find, 2, kMissingModel.c_str(), -1, SQLITE_STATIC);
  for (auto _ : state) {
    if (db.Drain(find) != 0) state.SkipWithError("found a missing key");
  }
  sqlite3_finalize(find);
}

void SqliteSort(benchmark::State& state, const char* key) {
  SqliteDb db(W().scratch_sqlite);
  for (auto _ : state) {
    state.PauseTiming();
    db.Exec("DROP TABLE IF EXISTS sorted;");
    state.ResumeTiming();
    db.Exec(std::string("BEGIN; CREATE TABLE sorted AS SELECT * FROM data "
                        "ORDER BY \"") +
            key + "\"; COMMIT;");
  }
  db.Exec("DROP TABLE IF EXISTS sorted;");
}

// A fresh copy of the SQLite file for each iteration, outside the timing.
std::unique_ptr<SqliteDb> FreshSqlite(benchmark::State& state,
                                      std::unique_ptr<SqliteDb> db,
                                      const std::string& path) {
  state.PauseTiming();
  db.reset();
  CopyBytes(W().big.sqlite, path);
  db = std::make_unique<SqliteDb>(path);
  state.ResumeTiming();
  return db;
}

void SqlitePurge(benchmark::State& state) {
  std::unique_ptr<SqliteDb> db;
  for (auto _ : state) {
    db = FreshSqlite(state, std::move(db), Work("purge.sqlite"));
    db->Exec("BEGIN; DELETE FROM data WHERE rowid % 10 = 0; COMMIT; VACUUM;");
  }
}

void SqliteMemoAppend(benchmark::State& state) {
  std::unique_ptr<SqliteDb> db;
  for (auto _ : state) {
    db = FreshSqlite(state, std::move(db), Work("memo.sqlite"));
    sqlite3_stmt* append = db->Prepare(
        "UPDATE data SET \"进库记录\" = \"进库记录\" || ?1 WHERE rowid = ?2");
    db->Exec("BEGIN;");
    for (int i = 0; i < kMemoAppends; ++i) {
      const std::string& line = W().log_lines[i];
      sqlite3_bind_text(append, 1, line.data(), int(line.size()),
                        SQLITE_STATIC);
      sqlite3_bind_int(append, 2, SpreadRecord(i));
      db->Drain(append);
    }
    db->Exec("COMMIT;");
    sqlite3_finalize(append);
  }
}

void SqliteStockIn(benchmark::State& state) {
  const double now = CivilToDate({2026, 12, 7, 9, 0, 0});
  std::unique_ptr<SqliteDb> db;
  for (auto _ : state) {
    db = FreshSqlite(state, std::move(db), Work("stockin.sqlite"));
    sqlite3_stmt* find = db->Prepare(
        "SELECT rowid, \"数量\", \"单价\", \"金额\" FROM data WHERE \"品名\" = "
        "?1 AND \"规格型号\" = ?2 LIMIT 1");
    sqlite3_stmt* update = db->Prepare(
        "UPDATE data SET \"数量\" = ?1, \"单价\" = ?2, \"金额\" = ?3, "
        "\"进库数量\" = ?4, \"进库金额\" = ?5, \"进库日期\" = ?6, "
        "\"本月进库数量\" = ?4, \"本月进库金额\" = ?5, \"本年进库数量\" = ?4, "
        "\"本年进库金额\" = ?5, \"进库记录\" = \"进库记录\" || ?7 "
        "WHERE rowid = ?8");
    db->Exec("BEGIN;");
    for (int k = 0; k < kStockIns; ++k) {
      const auto& key = W().big.keys[static_cast<std::size_t>(k)];
      sqlite3_bind_text(find, 1, key.first.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(find, 2, key.second.c_str(), -1, SQLITE_STATIC);
      if (sqlite3_step(find) != SQLITE_ROW) {
        state.SkipWithError("material not found");
        break;
      }
      const double q = 10, price = sqlite3_column_double(find, 2);
      const double v = RoundTo(q * price, 2);
      sqlite3_bind_double(update, 1, sqlite3_column_double(find, 1) + q);
      sqlite3_bind_double(update, 2, price);
      sqlite3_bind_double(update, 3, sqlite3_column_double(find, 3) + v);
      sqlite3_bind_double(update, 4, q);
      sqlite3_bind_double(update, 5, v);
      sqlite3_bind_double(update, 6, now);
      const std::string& line = W().log_lines[k];
      sqlite3_bind_text(update, 7, line.data(), int(line.size()),
                        SQLITE_STATIC);
      sqlite3_bind_int64(update, 8, sqlite3_column_int64(find, 0));
      sqlite3_reset(find);
      db->Drain(update);
    }
    db->Exec("COMMIT;");
    sqlite3_finalize(find);
    sqlite3_finalize(update);
  }
}

// --- Memory ----------------------------------------------------------------

const BenchTable& TableOf(const benchmark::State& state) {
  return state.range(0) == kRows ? W().big : W().small;
}

void MemoryCopyTo(benchmark::State& state) {
  OpenTable(TableOf(state).table);
  for (auto _ : state) {
    StartHeapCount();
    if (!DbCopyTo(Work("memory.mzk"))) state.SkipWithError("DbCopyTo failed");
    state.counters["peak_KiB"] = StopHeapCount() / 1024.0;
  }
  DbCloseAll();
}

void MemoryPurge(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    DbCloseAll();
    CopyTable(TableOf(state), Work("memory.mzk"));
    OpenTable(Work("memory.mzk"));
    DbDelete([] { return DbRecordNumber() % 10 == 0; });
    state.ResumeTiming();
    StartHeapCount();
    if (!DbPurge()) state.SkipWithError("DbPurge failed");
    state.counters["peak_KiB"] = StopHeapCount() / 1024.0;
  }
  DbCloseAll();
}

// The undo of a movement: a record replaced by its backup's, on the small
// and on the big table.
void MemoryCancelMovement(benchmark::State& state) {
  DbCloseAll();
  CopyTable(TableOf(state), AppTable());
  OpenTable(AppTable());
  int n = 0;
  const MaterialKey key = MiddleMaterial(&n);
  const std::string backups = ProgramFilePath(AppDir(), kStockInBackupFolder);
  if (!WriteMaterialBackup(backups, key, {n})) Die("no backup written");
  NoDialogs dialogs;
  for (auto _ : state) {
    StartHeapCount();
    if (RebuildWithBackup(AppDir(), MaterialBackupPath(backups, key), n, key,
                          kStockInUndo, dialogs) != UndoResult::kRestored)
      state.SkipWithError("RebuildWithBackup failed");
    state.counters["peak_KiB"] = StopHeapCount() / 1024.0;
  }
  DbCloseAll();
}

void Register() {
  auto add = [](const char* name, auto fn) {
    return benchmark::RegisterBenchmark(name, fn)->Unit(
        benchmark::kMillisecond);
  };
  add("Engine/CopySubset", EngineCopySubset);
  add("Sqlite/CopySubset", [](auto& s) { SqliteCopyTo(s, false); });
  add("Engine/CopyPeriod", EngineCopyPeriod);
  add("Sqlite/CopyPeriod", [](auto& s) { SqliteCopyTo(s, true); });
  add("Engine/FindMiss", EngineFindMiss);
  add("Sqlite/FindMiss", SqliteFindMiss);
  add("Engine/SortText", [](auto& s) { EngineSortTo(s, "品名"); });
  add("Sqlite/SortText", [](auto& s) { SqliteSort(s, "品名"); });
  add("Engine/SortDouble", [](auto& s) { EngineSortTo(s, "金额"); });
  add("Sqlite/SortDouble", [](auto& s) { SqliteSort(s, "金额"); });
  add("Engine/Purge", EnginePurge);
  add("Sqlite/Purge", SqlitePurge);
  add("Engine/MemoAppend", EngineMemoAppend);
  add("Sqlite/MemoAppend", SqliteMemoAppend);
  add("Engine/StockIn", EngineStockIn);
  add("Engine/ReplaceRecord", EngineReplaceRecord);
  add("Sqlite/StockIn", SqliteStockIn);
  add("Floor/CopyFile", FloorCopyFile);
  add("Floor/CopyFileToNew", FloorCopyFileToNew);
  add("Floor/CopyTableAndMemo", FloorCopyTableAndMemo);
  add("App/StockIn", [](auto& s) { AppStockIn(s, false); });
  add("App/CancelStockIn",
      [](auto& s) { AppCancelMovement(s, false, kStockInUndo); });
  add("App/StockInDurable", [](auto& s) { AppStockIn(s, true); });
  add("App/CancelStockInDurable",
      [](auto& s) { AppCancelMovement(s, true, kStockInUndo); });
  add("App/BookStockOut9", AppBookStockOut9);
  add("App/CancelStockOut",
      [](auto& s) { AppCancelMovement(s, false, kStockOutUndo); });
  add("App/Backup", AppBackup);
  add("App/Restore", AppRestore);
  add("Memory/CopyTo", MemoryCopyTo)->Arg(kSmallRows)->Arg(kRows);
  add("Memory/Purge", MemoryPurge)->Arg(kSmallRows)->Arg(kRows);
  add("Memory/CancelMovement", MemoryCancelMovement)
      ->Arg(kSmallRows)
      ->Arg(kRows);
}

}  // namespace
}  // namespace matslip::bench

int main(int argc, char** argv) {
  using namespace matslip;
  using namespace matslip::bench;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SetDurableWrites(false);
  std::string dir =
      (std::filesystem::temp_directory_path() / "engine-bench-XXXXXX").string();
  if (!::mkdtemp(dir.data())) Die("cannot create a temporary folder");
  World& w = W();
  w.dir = dir;
  w.big = MakeBenchTable(dir, kRows, kStockIns);
  w.small = MakeBenchTable(dir, kSmallRows, 1);
  w.scratch_sqlite = dir + "/scratch.sqlite";
  if (!CreateDirectory(AppDir())) Die("cannot create " + AppDir());
  CopyBytes(w.big.sqlite, w.scratch_sqlite);
  for (int i = 0; i < kMemoAppends; ++i)
    w.log_lines.push_back("数量 " + std::to_string(i % 97 + 1) +
                          " 单价 12.5 金额 " +
                          NumberToText(RoundTo((i % 97 + 1) * 12.5, 2)) +
                          " 2026年12月7日9时30分\r\n");
  Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  DbCloseAll();
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
