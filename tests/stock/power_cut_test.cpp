// A day's work on the material table replayed against every state a power
// cut may leave: every change to the disk is recorded while receipts, a new
// material, a slip, an undo, a backup, a restore, an import, a delete and a
// clear run; then, for each moment and several ways the unflushed writes
// may have reached the disk, the folder is rebuilt, opened as the program
// opens it at start, and checked: the table checks clean, every booking and
// log line reported done is there (the step in flight is there whole, or
// not, or booked without its log line), and every backup opens and checks
// clean. A longer run: MATSLIP_POWER_CUT_VARIANTS=200.
#include "support/power_cut.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "material/material_lookup.h"
#include "material/stock_in.h"
#include "stock/cancel_movement.h"
#include "stock/item_editor.h"
#include "stock/spreadsheet_import.h"
#include "stock/stock_out.h"
#include "stock/table_maintenance.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/table.h"
#include "store/table_check.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;

constexpr char kVariantsVar[] = "MATSLIP_POWER_CUT_VARIANTS";
constexpr int kDefaultVariants = 10;

// One material as the table holds it: the fixed fields as text, then the
// two logs.
struct Material {
  std::vector<std::string> fixed;
  std::string in_log, out_log;
  bool operator==(const Material&) const = default;
};
using State = std::map<std::pair<std::string, std::string>, Material>;

// The table at `path`, opened as the program opens it (completing or
// undoing what was cut short); nullopt with `why` when it does not open.
std::optional<State> ReadState(const std::string& path, std::string* why) {
  std::unique_ptr<Table> table = Table::Open(path, OpenOptions{}, why);
  if (!table) return std::nullopt;
  State state;
  bool ok = true;
  table->ForEachRecord([&](int, const char* record) {
    Material m;
    std::string text;
    for (int f = 0; f < kFieldCount && ok; ++f) {
      ok = table->ReadTextFrom(record, f, &text);
      if (f + 1 == kInLog)
        m.in_log = text;
      else if (f + 1 == kOutLog)
        m.out_log = text;
      else
        m.fixed.push_back(text);
    }
    state[{m.fixed[kName - 1], m.fixed[kModel - 1]}] = m;
    return ok;
  });
  if (!ok) {
    *why = "a record cannot be read";
    return std::nullopt;
  }
  return state;
}

std::vector<std::string> TablesIn(const std::string& folder) {
  std::vector<std::string> tables;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name.size() > 4 && name.ends_with(".mzk"))
        tables.push_back(folder + "/" + name);
    }
    ::closedir(dir);
  }
  return tables;
}

// `actual` holds everything of `done` and nothing not of `next`: each
// material as in one of them, or booked as in `next` with its log line not
// (or partly not) written yet.
bool Between(const State& done, const State& next, const State& actual) {
  auto keys = [](const State& s) {
    std::vector<std::pair<std::string, std::string>> k;
    for (const auto& [key, m] : s) k.push_back(key);
    return k;
  };
  if (keys(actual) != keys(done) && keys(actual) != keys(next)) return false;
  for (const auto& [key, m] : actual) {
    const auto d = done.find(key), n = next.find(key);
    if (d != done.end() && m == d->second) continue;
    if (n == next.end()) return false;
    if (m == n->second) continue;
    const Material& was = d != done.end() ? d->second : Material{};
    auto growing = [](const std::string& from, const std::string& part,
                      const std::string& to) {
      return part.starts_with(from) && to.starts_with(part);
    };
    if (m.fixed != n->second.fixed ||
        !growing(was.in_log, m.in_log, n->second.in_log) ||
        !growing(was.out_log, m.out_log, n->second.out_log))
      return false;
  }
  return true;
}

class PowerCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbCloseAll();
    SetDurableWrites(true);
    SetClock(CivilToDate({2026, 3, 2, 9, 0, 0}));
    prog_ = dir_.File("prog");
    ASSERT_TRUE(CreateDirectory(prog_));
    table_ = prog_ + "/" + kMaterialFile;
    auto table = Table::Create(table_, Schema(Fields()));
    ASSERT_TRUE(table);
    for (int i = 1; i <= 3; ++i) {
      std::vector<Value> v(kFieldCount);
      v[kName - 1] = "材料" + std::to_string(i);
      v[kModel - 1] = "型号" + std::to_string(i);
      v[kUnit - 1] = "根";
      v[kQuantity - 1] = 10.0 * i;
      v[kPrice - 1] = 2.0;
      v[kValue - 1] = 20.0 * i;
      // One log with its last block nearly full: the next line takes a new
      // block.
      v[kInLog - 1] = std::string(i == 2 ? 990 : 30, 'x') + "\r\n";
      ASSERT_TRUE(table->Append(v));
    }
  }
  void TearDown() override {
    SetFileSystem(nullptr);
    DbCloseAll();
    SetDurableWrites(false);
    ResetClock();
  }

  // Each second a step of its own, so that backups get names of their own.
  void Tick() { SetClock(Now() + 1.0 / 86400); }

  bool Receipt(const std::string& name, const std::string& model,
               const std::string& price = "2") {
    DbOpen(table_, kMaterialAlias);
    const StockInForm form{name, model, "根", price, "3", "6", "1"};
    return BookStockIn(prog_ + "/" + kStockInBackupFolder, form, Now()).booked;
  }

  std::string prog_, table_;
  testing::TempDir dir_;
};

TEST_F(PowerCutTest, EveryStateAPowerCutLeavesKeepsWhatWasReportedDone) {
  testing::PowerCutRecorder recorder(dir_.path());
  testing::FakeDialogs dialogs;
  const std::string backup_folder = prog_ + "/" + kTableBackupFolder;
  std::string table_backup;
  const std::vector<std::pair<std::string, std::function<bool()>>> steps = {
      {"receipt", [&] { return Receipt("材料1", "型号1"); }},
      {"receipt", [&] { return Receipt("材料3", "型号3"); }},
      {"new material", [&] { return Receipt("新材料", "N1"); }},
      {"slip",
       [&] {
         const Slip slip{
             {{{"材料1", "型号1"}, "2", "4"}, {{"新材料", "N1"}, "1", "2"}},
             "一车间",
             "张三"};
         return BookStockOut(prog_, slip, Now()) == 2;
       }},
      {"undo",
       [&] {
         dialogs.answers = {true};
         return CancelMovement(prog_, {"材料3", "型号3"}, kStockInUndo,
                               dialogs) == UndoResult::kRestored;
       }},
      {"backup",
       [&] {
         table_backup = TableBackupPath(prog_, Now());
         return BackUpTable(prog_, dialogs);
       }},
      // A log line longer than the room left in its last block.
      {"long receipt",
       [&] { return Receipt("材料2", "型号2", "2" + std::string(600, ' ')); }},
      {"restore",
       [&] {
         dialogs.files = {{true, table_backup}};
         return RestoreTable(prog_, dialogs) == RestoreResult::kRestored;
       }},
      {"import",
       [&] {
         std::string why;
         return AddImportedMaterials(prog_,
                                     {{{"导入1", "D1"}, "个", 1, 5, 5, 0},
                                      {{"导入2", "D2"}, "个", 2, 5, 10, 0},
                                      {{"导入3", "D3"}, "个", 3, 5, 15, 0}},
                                     Now(), &why);
       }},
      {"slip",
       [&] {
         const Slip slip{{{{"导入1", "D1"}, "1", "5"}}, "二车间", "李四"};
         return BookStockOut(prog_, slip, Now()) == 1;
       }},
      {"undo",
       [&] {
         dialogs.answers = {true};
         return CancelMovement(prog_, {"导入1", "D1"}, kStockOutUndo,
                               dialogs) == UndoResult::kRestored;
       }},
      {"delete",
       [&] {
         if (OpenOnMaterial(prog_, {"导入2", "D2"}) != OpenedOn::kFound)
           return false;
         dialogs.answers = {true};
         DeleteCurrentMaterial(dialogs);
         return !FindMaterial({"导入2", "D2"});
       }},
      {"receipt", [&] { return Receipt("导入3", "D3"); }},
      {"receipt", [&] { return Receipt("导入1", "D1"); }},
      {"clear", [&] { return ClearTable(prog_, dialogs); }},
      {"new material", [&] { return Receipt("材料9", "型号9"); }},
  };
  std::vector<State> states;
  std::vector<int> done_at;  // changes recorded when each step was done
  std::string why;
  states.push_back(*ReadState(table_, &why));
  done_at.push_back(0);
  {
    testing::FileSystemScope scope(&recorder);
    for (const auto& [name, step] : steps) {
      Tick();
      ASSERT_TRUE(step()) << name;
      DbCloseAll();  // the next step opens as a new window would
      done_at.push_back(recorder.changes());
      const std::optional<State> state = ReadState(table_, &why);
      ASSERT_TRUE(state) << name << ": " << why;
      states.push_back(*state);
    }
  }
  const int changes = recorder.changes();
  EXPECT_GE(changes, 500);
  // What the program writes while it opens a rebuilt folder need not last.
  SetDurableWrites(false);
  const char* env = std::getenv(kVariantsVar);
  const int variants = env ? std::max(2, std::atoi(env)) : kDefaultVariants;

  std::map<std::string, int> failures;  // kind -> count
  std::string first_failure;
  int rebuilt = 0;
  for (int point = 0; point <= changes; ++point) {
    std::size_t done = 0;  // the last step done at this point
    while (done + 1 < done_at.size() && done_at[done + 1] <= point) ++done;
    const State& next = states[std::min(done + 1, states.size() - 1)];
    for (int variant = 0; variant < variants; ++variant) {
      const std::string out = dir_.File("cut");
      std::string fail;
      if (!recorder.Rebuild(point, variant, out)) {
        fail = "cannot rebuild";
      } else {
        ++rebuilt;
        DbCloseAll();
        const std::string table = out + "/prog/" + kMaterialFile;
        const std::optional<State> state = ReadState(table, &why);
        std::vector<std::string> problems;
        if (!state) {
          fail = "table does not open: " + why;
        } else if (!(problems = CheckTable(table)).empty()) {
          fail = "check: " + problems.front();
        } else if (!Between(states[done], next, *state)) {
          fail = "booking lost";
        }
        for (const char* folder : {kStockInBackupFolder, kStockOutBackupFolder,
                                   kTableBackupFolder}) {
          for (const std::string& backup : TablesIn(out + "/prog/" + folder)) {
            if (!fail.empty()) break;
            std::unique_ptr<Table> opened = Table::Open(backup, OpenOptions{});
            if (!opened || !CheckTable(backup).empty())
              fail = std::string("backup not whole in ") + folder;
          }
        }
      }
      if (!fail.empty()) {
        const std::string kind =
            steps[std::min(done, steps.size() - 1)].first + ": " + fail;
        if (failures[kind]++ == 0 && first_failure.empty())
          first_failure = "after change " + std::to_string(point) +
                          " variant " + std::to_string(variant) + " (" + kind +
                          "): " + fail;
      }
      std::filesystem::remove_all(out);
    }
  }
  std::string summary;
  for (const auto& [kind, count] : failures)
    summary += "\n  " + std::to_string(count) + " x " + kind;
  EXPECT_TRUE(failures.empty()) << first_failure << summary;
  std::printf("%d changes, %d states rebuilt\n", changes, rebuilt);
}

// A full disk at every byte of a receipt, a new material and a slip line,
// flushes that fail, and a backup folder that cannot be written: each
// booking is reported done and whole (record, log line, backup), or refused
// with the table as it was.
TEST_F(PowerCutTest, FailuresRefuseTheBookingInsteadOfHalfDoingIt) {
  SetDurableWrites(false);
  std::string why;
  const std::vector<std::pair<std::string, std::function<bool()>>> bookings = {
      {"receipt", [&] { return Receipt("材料1", "型号1"); }},
      {"new material", [&] { return Receipt("新材料", "N1"); }},
      {"slip", [&] {
         const Slip slip{{{{"材料2", "型号2"}, "2", "4"}}, "一车间", "张三"};
         RefusedLines refused;
         const int booked = BookStockOut(prog_, slip, Now(), &refused);
         EXPECT_EQ(refused.unwritten.size(), booked == 1 ? 0u : 1u);
         EXPECT_EQ(refused.in_use.size(), 0u);
         return booked == 1;
       }}};
  const std::string saved = dir_.File("saved");
  for (const auto& [name, book] : bookings) {
    DbCloseAll();
    std::filesystem::remove_all(saved);
    std::filesystem::copy(prog_, saved,
                          std::filesystem::copy_options::recursive);
    const State before = *ReadState(table_, &why);
    // The space a whole booking takes, then budgets short of that: every
    // one of the last kilobyte (the record and its log line), a sample of
    // the rest (the backup).
    constexpr std::int64_t kPlenty = std::int64_t{1} << 40;
    testing::FaultyFileSystem fs;
    fs.space_left = kPlenty;
    {
      testing::FileSystemScope scope(&fs);
      ASSERT_TRUE(book()) << name;
    }
    DbCloseAll();
    const State after = *ReadState(table_, &why);
    const std::int64_t needed = kPlenty - fs.space_left;
    ASSERT_NE(before, after) << name;
    for (std::int64_t budget = 0; budget < needed;
         budget += budget < needed - 1024 ? 97 : 1) {
      DbCloseAll();
      std::filesystem::remove_all(prog_);
      std::filesystem::copy(saved, prog_,
                            std::filesystem::copy_options::recursive);
      fs.space_left = budget;
      bool booked;
      {
        testing::FileSystemScope scope(&fs);
        booked = book();
      }
      DbCloseAll();
      const std::optional<State> now = ReadState(table_, &why);
      ASSERT_TRUE(now) << name << " with " << budget << " bytes: " << why;
      ASSERT_TRUE(CheckTable(table_).empty()) << name << " " << budget;
      ASSERT_EQ(*now, booked ? after : before)
          << name << " with " << budget << " bytes reported "
          << (booked ? "booked" : "refused");
    }
  }
  // Flushes that fail, and a backup folder that cannot be written: refused.
  DbCloseAll();
  const State before = *ReadState(table_, &why);
  for (int round = 0; round < 2; ++round) {
    testing::FaultyFileSystem fs;
    fs.fail_syncs = round == 0;
    if (round == 1) fs.read_only_folder = prog_ + "/" + kStockInBackupFolder;
    SetDurableWrites(round == 0);
    {
      testing::FileSystemScope scope(&fs);
      EXPECT_FALSE(Receipt("材料1", "型号1")) << round;
    }
    DbCloseAll();
    EXPECT_EQ(*ReadState(table_, &why), before) << round;
  }
  // A delete whose folder cannot be flushed says whether it deleted.
  SetDurableWrites(true);
  testing::FaultyFileSystem fs;
  fs.fail_folder_syncs = true;
  ASSERT_EQ(OpenOnMaterial(prog_, {"材料3", "型号3"}), OpenedOn::kFound);
  bool purged;
  {
    testing::FileSystemScope scope(&fs);
    purged = DbDelete() && DbPurge();
  }
  DbCloseAll();
  EXPECT_EQ(purged, !ReadState(table_, &why)->contains({"材料3", "型号3"}));
}

}  // namespace
}  // namespace matslip
