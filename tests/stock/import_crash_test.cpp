// A spreadsheet import killed at random moments: a child process (this test
// program started again) imports a 500-row spreadsheet in a loop; the parent
// kills it with SIGKILL and checks that the table opens, is consistent, and
// holds every import whole or not at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "base/files.h"
#include "grid/data_src.h"
#include "material/material_table.h"
#include "stock/spreadsheet_import.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/table.h"
#include "store/table_check.h"
#include "support/child_process.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;
using testing::ReadTestFile;

constexpr char kChildDirVar[] = "MATSLIP_IMPORT_CRASH_DIR";
// A longer run: MATSLIP_IMPORT_CRASH_KILLS=3000.
constexpr char kKillsVar[] = "MATSLIP_IMPORT_CRASH_KILLS";
constexpr int kDefaultKills = 220;
constexpr int kStartMaterials = 50;

std::string SheetPath(const std::string& dir) { return dir + "/list.csv"; }
std::string StartedPath(const std::string& dir) { return dir + "/started"; }
std::string DonePath(const std::string& dir) { return dir + "/done"; }
// The imports a child reported finished: a line each.
int ReportedImports(const std::string& dir) {
  return FileExists(DonePath(dir)) ? int(ReadTestFile(DonePath(dir)).size() / 2)
                                   : 0;
}

// The import's staging files that are there now.
std::vector<std::string> StagingLeft(const std::string& dir) {
  std::vector<std::string> left;
  for (const char* name :
       {"电子表导入.mzk", "电子表导入.edt", "电子表导入.mzk.pair"}) {
    if (FileExists(dir + "/" + name)) left.push_back(name);
  }
  // Temporaries of any replacement of it.
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("电子表导入.") &&
        name.find(".new") != std::string::npos)
      left.push_back(name);
  }
  return left;
}

// Imports until killed; says it has begun by creating a file, and adds a
// line to another after each finished import.
int RunChild(const std::string& dir) {
  SetDurableWrites(false);
  if (!testing::WriteTestFile(StartedPath(dir), "")) return 2;
  const int done = ::open(DonePath(dir).c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (done < 0) return 2;
  testing::FakeDialogs dialogs;
  StockOutState stock_out;
  DataSrc list;
  for (;;) {
    dialogs.files.push_back({true, SheetPath(dir)});
    if (RunSpreadsheetImport(dir, dialogs, &stock_out, &list, nullptr) !=
        ImportOutcome::kAdded)
      return 1;
    if (::write(done, "D\n", 2) != 2) return 2;
  }
}

// This test program started by StartChild is the child.
[[maybe_unused]] const bool kIsChild = testing::RunIfCrashChild(
    kChildDirVar,
    [](const std::string& dir, unsigned) { return RunChild(dir); });

pid_t StartChild(const std::string& dir) {
  return testing::StartCrashChild(kChildDirVar, dir, 0, "import-crash-child");
}

class ImportCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbCloseAll();
    SetDurableWrites(false);
    auto table = Table::Create(dir_.File(kMaterialFile), Schema(Fields()));
    ASSERT_TRUE(table);
    for (int i = 1; i <= kStartMaterials; ++i) {
      std::vector<Value> v(kFieldCount);
      v[kName - 1] = "原有" + std::to_string(i);
      v[kInLog - 1] = std::string(200, 'x') + "\r\n";
      ASSERT_TRUE(table->Append(v));
    }
    std::string rows = "标题\n序号,品名\n";
    for (int i = 1; i <= kImportMaxRows; ++i)
      rows += std::to_string(i) + ",导入" + std::to_string(i) + ",型号" +
              std::to_string(i) + ",根," + std::to_string(i) + ",2.5,," + "1\n";
    ASSERT_TRUE(testing::WriteTestFile(SheetPath(dir_.path()), rows));
  }
  void TearDown() override { DbCloseAll(); }

  testing::TempDir dir_;
};

TEST_F(ImportCrashTest, KilledAtRandomMomentsLeavesWholeImportsOnly) {
  const char* kills_text = std::getenv(kKillsVar);
  const int kills = kills_text ? std::atoi(kills_text) : kDefaultKills;
  std::mt19937 rng(20261207);
  int finished = 0;      // imports the children reported finished
  int staging_left = 0;  // rounds that left staging files
  for (int round = 0; round < kills; ++round) {
    RemoveFile(StartedPath(dir_.path()));
    RemoveFile(DonePath(dir_.path()));
    const pid_t child = StartChild(dir_.path());
    ASSERT_GT(child, 0);
    // One round in four lets an import finish first, whatever the speed.
    const bool after_one = rng() % 4 == 0;
    int status = 0;
    ASSERT_TRUE(testing::KillAtRandomMoment(
        child,
        [&] {
          return after_one ? ReportedImports(dir_.path()) > 0
                           : FileExists(StartedPath(dir_.path()));
        },
        60000, rng, &status))
        << "round " << round << " ended " << status;

    // The open completes a replacement the kill interrupted.
    auto table = Table::Open(dir_.File(kMaterialFile), OpenOptions{});
    ASSERT_TRUE(table) << "round " << round;
    const int count = table->RecordCount();
    finished += ReportedImports(dir_.path());
    // Every finished import, and the interrupted one whole or not at all.
    const int whole = kStartMaterials + finished * kImportMaxRows;
    ASSERT_TRUE(count == whole || count == whole + kImportMaxRows)
        << "round " << round << ": " << count << " records, " << finished
        << " imports finished";
    if (count > whole) ++finished;
    // The last record is the last row of an import, with its own log line.
    Value log;
    ASSERT_TRUE(table->GoTo(count));
    ASSERT_TRUE(table->Read(kInLog - 1, &log));
    if (count > kStartMaterials) {
      EXPECT_EQ(log.ToText().rfind("数量 500 单价 2.5 金额 0 ", 0), 0u)
          << log.ToText();
    }
    table.reset();
    ASSERT_EQ(CheckTable(dir_.File(kMaterialFile)), std::vector<std::string>{})
        << "round " << round;
    if (!StagingLeft(dir_.path()).empty()) ++staging_left;
  }
  EXPECT_GT(finished, 0);
  // The next import starts by clearing what the last kill left.
  testing::FakeDialogs dialogs;
  StockOutState stock_out;
  DataSrc list;
  dialogs.files.push_back({true, SheetPath(dir_.path())});
  ASSERT_EQ(
      RunSpreadsheetImport(dir_.path(), dialogs, &stock_out, &list, nullptr),
      ImportOutcome::kAdded);
  EXPECT_EQ(StagingLeft(dir_.path()), std::vector<std::string>{});
  std::printf("kills: %d; imports finished %d; rounds leaving staging %d\n",
              kills, finished, staging_left);
}

}  // namespace
}  // namespace matslip
