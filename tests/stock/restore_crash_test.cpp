// Restores killed at random moments (a restore takes some tens of
// milliseconds here, the kills fall anywhere in it): a child process (this test
// program started again) restores one of three backups after another until it
// is killed with SIGKILL; the parent then checks that the material table opens,
// is consistent, and is one whole version: the one restored last or the one
// being restored, never a table with another version's memo file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "material/material_table.h"
#include "stock/table_maintenance.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/names.h"
#include "store/table.h"
#include "store/table_check.h"
#include "support/child_process.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace material;
using Snapshot = std::vector<std::vector<std::string>>;
using testing::ReadTestFile;

constexpr int kVersions = 3;
constexpr int kMaterials = 300;
constexpr char kChildDirVar[] = "MATSLIP_RESTORE_CRASH_DIR";
// A longer run: MATSLIP_RESTORE_CRASH_KILLS=3000.
constexpr char kKillsVar[] = "MATSLIP_RESTORE_CRASH_KILLS";
constexpr int kDefaultKills = 220;

std::string ProgramDir(const std::string& dir) { return dir + "/prog"; }
std::string ReportPath(const std::string& dir) { return dir + "/reports"; }
// The backups the child restores, kept out of the backup folder, where
// the restore saves the table in use.
std::string VersionPath(const std::string& dir, int version) {
  return dir + "/versions/v" + std::to_string(version) + ".mzk";
}

// Version `v` of the table: its own record count, quantities and memo
// texts of lengths that differ from one version to another, so that a
// table read with another version's memo file shows.
bool WriteVersion(const std::string& path, int v) {
  auto table = Table::Create(path, Schema(Fields()));
  if (!table) return false;
  for (int i = 1; i <= kMaterials - 10 * v; ++i) {
    std::vector<Value> values(kFieldCount);
    values[kName - 1] = "材料" + std::to_string(i);
    values[kModel - 1] = "型号" + std::to_string(v);
    values[kQuantity - 1] = double(i * (v + 1));
    values[kInLog - 1] =
        std::string(20 + (i * 37 + v * 211) % 900, char('a' + v)) + "\r\n";
    values[kOutLog - 1] = "出库 " + std::to_string(i + v) + "\r\n";
    if (!table->Append(values)) return false;
  }
  return true;
}

Snapshot ReadTable(const std::string& path) {
  Snapshot s;
  auto table = Table::Open(path, OpenOptions{});
  if (!table) return s;
  for (int r = 1; r <= table->RecordCount(); ++r) {
    std::vector<std::string> fields;
    table->GoTo(r);
    for (int f = 0; f < kFieldCount; ++f) {
      Value value;
      table->Read(f, &value);
      fields.push_back(value.ToText());
    }
    s.push_back(fields);
  }
  return s;
}

// What a killed restore may leave: its checked copy, and the links that keep
// the table it replaces, beside the backups.
std::vector<std::string> StagingLeft(const std::string& program_dir) {
  std::vector<std::string> left;
  for (const char* name : {"data.restore.mzk", "data.restore.edt"}) {
    if (FileExists(program_dir + "/" + name)) left.push_back(name);
  }
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(
           ProgramFilePath(program_dir, kTableBackupFolder), ec)) {
    if (entry.path().extension() == ".kept")
      left.push_back(entry.path().filename().string());
  }
  return left;
}

// Every backup in the backup folder has its memo file and checks clean.
void ExpectSoundBackups(const std::string& program_dir, int round) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(
           ProgramFilePath(program_dir, kTableBackupFolder), ec)) {
    if (entry.path().extension() != ".mzk") continue;
    const std::string path = entry.path().string();
    EXPECT_TRUE(FileExists(MemoPathOf(path, false)))
        << "round " << round << ": " << path;
    EXPECT_EQ(CheckTable(path), std::vector<std::string>{})
        << "round " << round << ": " << path;
  }
}

// --- The child ---------------------------------------------------------------

// Restores random versions until killed, reporting "B <version>" before
// each restore and "D <version>" after it; "F" when one is not restored.
int RunChild(const std::string& dir, unsigned seed) {
  SetDurableWrites(false);
  SetClock(CivilToDate({2013, 9, 10, 9, 5, 7}));
  const int fd = ::open(ReportPath(dir).c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return 2;
  auto report = [fd](const std::string& line) {
    return ::write(fd, line.data(), line.size()) == ssize_t(line.size());
  };
  std::mt19937 rng(seed);
  testing::FakeDialogs dialogs;
  for (;;) {
    const int v = int(rng() % kVersions);
    if (!report("B " + std::to_string(v) + "\n")) return 2;
    dialogs.files = {{true, VersionPath(dir, v)}};
    if (RestoreTable(ProgramDir(dir), dialogs) != RestoreResult::kRestored) {
      report("F\n");
      return 1;
    }
    if (!report("D " + std::to_string(v) + "\n")) return 2;
  }
}

// This test program started by StartChild is the child.
[[maybe_unused]] const bool kIsChild =
    testing::RunIfCrashChild(kChildDirVar, RunChild);

// --- The parent --------------------------------------------------------------

pid_t StartChild(const std::string& dir, unsigned seed) {
  return testing::StartCrashChild(kChildDirVar, dir, seed,
                                  "restore-crash-child");
}

class RestoreCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbCloseAll();
    SetDurableWrites(false);
    ASSERT_TRUE(CreateDirectory(ProgramDir(dir_.path())));
    ASSERT_TRUE(CreateDirectory(dir_.path() + "/versions"));
    for (int v = 0; v < kVersions; ++v) {
      ASSERT_TRUE(WriteVersion(VersionPath(dir_.path(), v), v));
      versions_.push_back(ReadTable(VersionPath(dir_.path(), v)));
      ASSERT_EQ(versions_.back().size(), std::size_t(kMaterials - 10 * v));
    }
    ASSERT_TRUE(WriteVersion(TablePath(), 0));
  }
  void TearDown() override { DbCloseAll(); }

  std::string TablePath() const {
    return ProgramFilePath(ProgramDir(dir_.path()), kMaterialFile);
  }

  testing::TempDir dir_;
  std::vector<Snapshot> versions_;
};

TEST_F(RestoreCrashTest, KilledRestoreLeavesOneWholeVersion) {
  const char* kills_text = std::getenv(kKillsVar);
  const int kills = kills_text ? std::atoi(kills_text) : kDefaultKills;
  std::mt19937 rng(20261207);
  int current = 0;  // the version the table holds
  int restores = 0, interrupted_done = 0, interrupted_not = 0;
  int staging_left = 0;  // rounds that left a copy or kept links
  for (int round = 0; round < kills; ++round) {
    RemoveFile(ReportPath(dir_.path()));
    const pid_t child = StartChild(dir_.path(), rng());
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_TRUE(testing::KillDuringSteps(child, ReportPath(dir_.path()), round,
                                         80000, rng, &status))
        << "round " << round << " child ended " << status << ": "
        << ReadTestFile(ReportPath(dir_.path()));

    // The restores reported done, and the one under way when killed.
    int interrupted = -1;
    std::istringstream lines(ReadTestFile(ReportPath(dir_.path())));
    for (std::string line; std::getline(lines, line);) {
      if (lines.eof()) break;  // a line the kill cut short
      ASSERT_NE(line[0], 'F') << "round " << round;
      const int v = std::stoi(line.substr(2));
      if (line[0] == 'B') {
        interrupted = v;
      } else {
        ASSERT_EQ(v, interrupted);
        current = v;
        interrupted = -1;
        ++restores;
      }
    }

    ASSERT_TRUE(FileExists(TablePath())) << "round " << round;
    ASSERT_TRUE(FileExists(MemoPathOf(TablePath()))) << "round " << round;
    // Opening completes a replacement the kill interrupted.
    ASSERT_TRUE(Table::Open(TablePath(), OpenOptions{})) << "round " << round;
    ASSERT_EQ(CheckTable(TablePath()), std::vector<std::string>{})
        << "round " << round;
    ExpectSoundBackups(ProgramDir(dir_.path()), round);
    if (!StagingLeft(ProgramDir(dir_.path())).empty()) ++staging_left;
    const Snapshot actual = ReadTable(TablePath());
    if (actual == versions_[current]) {
      if (interrupted >= 0 && interrupted != current) ++interrupted_not;
      continue;
    }
    ASSERT_TRUE(interrupted >= 0 && actual == versions_[interrupted])
        << "round " << round << ": the table is no whole version ("
        << actual.size() << " records)";
    current = interrupted;
    ++interrupted_done;
  }
  EXPECT_GE(restores, kills / 4);
  // The next restore starts by clearing what the last kill left.
  testing::FakeDialogs dialogs;
  dialogs.files = {{true, VersionPath(dir_.path(), 1)}};
  ASSERT_EQ(RestoreTable(ProgramDir(dir_.path()), dialogs),
            RestoreResult::kRestored);
  EXPECT_EQ(StagingLeft(ProgramDir(dir_.path())), std::vector<std::string>{});
  ExpectSoundBackups(ProgramDir(dir_.path()), kills);
  std::printf(
      "kills: %d; reported restores %d; interrupted restores found done %d, "
      "found not done %d; rounds leaving staging files %d\n",
      kills, restores, interrupted_done, interrupted_not, staging_left);
}

}  // namespace
}  // namespace matslip
