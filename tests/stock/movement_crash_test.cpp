// Receipts, slips and their undo killed at random moments: a child process
// (this test program started again) books and undoes on a table of 1,000
// materials and reports every finished step to a file; the parent kills it
// with SIGKILL and checks that the table opens, is consistent, and holds
// every reported step, each record of the interrupted one either whole or
// not at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "base/number.h"
#include "material/material_backup.h"
#include "material/stock_in.h"
#include "stock/cancel_movement.h"
#include "stock/stock_out.h"
#include "stock/stock_out_state.h"
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
using Record = std::vector<std::string>;  // every field as text
using testing::ReadTestFile;

constexpr int kMaterials = 1000;
constexpr char kChildDirVar[] = "MATSLIP_MOVEMENT_CRASH_DIR";
// A longer run: MATSLIP_MOVEMENT_CRASH_KILLS=3000.
constexpr char kKillsVar[] = "MATSLIP_MOVEMENT_CRASH_KILLS";
constexpr int kDefaultKills = 320;
constexpr char kQuantityText[] = "3";

std::string ProgramDir(const std::string& dir) { return dir + "/prog"; }
std::string ReportPath(const std::string& dir) { return dir + "/reports"; }

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Encode(const Record& record) {
  std::string out;
  for (const std::string& field : record) out += Hex(field) + ",";
  return out;
}

Record Decode(const std::string& encoded) {
  Record record;
  std::istringstream fields(encoded);
  for (std::string hex; std::getline(fields, hex, ',');) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
      bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    record.push_back(bytes);
  }
  return record;
}

Record ReadCurrent() {
  Record r;
  for (int f = 1; f <= kFieldCount; ++f) r.push_back(DbRead(f).ToText());
  return r;
}

Record ReadRecord(Table& table, int record_number) {
  Record r;
  EXPECT_TRUE(table.GoTo(record_number));
  for (int f = 0; f < kFieldCount; ++f) {
    Value v;
    EXPECT_TRUE(table.Read(f, &v));
    r.push_back(v.ToText());
  }
  return r;
}

// The first record of a backup, or nothing when there is none to read. The
// open completes a backup whose writing a kill interrupted, as the undo's
// own open does.
std::optional<Record> BackupRecord(const std::string& path) {
  if (!FileExists(path)) return std::nullopt;
  auto table = Table::Open(path, OpenOptions{});
  if (!table || table->RecordCount() == 0) return std::nullopt;
  return ReadRecord(*table, 1);
}

// One step of the child's walk: its kind, the records it books (one to nine
// different materials for a slip, one otherwise) and the token its log
// lines carry; the parent also keeps the records whose "D" line came.
struct Step {
  char kind = 0;  // 'I' receipt, 'O' slip, 'C' and 'X' undo
  std::vector<int> records;
  std::vector<int> reported;
  std::string token;
  bool Has(int r) const {
    return std::find(records.begin(), records.end(), r) != records.end();
  }
};

// --- The child ---------------------------------------------------------------

bool Report(int fd, const std::string& line) {
  return ::write(fd, line.data(), line.size()) == ssize_t(line.size());
}

std::string Join(const std::vector<int>& records) {
  std::string out;
  for (int r : records) out += (out.empty() ? "" : ",") + std::to_string(r);
  return out;
}

// Books and undoes until killed. Before each step it reports "B <kind>
// <records> <token>" (kind I receipt, O slip, C undo of a receipt, X undo of
// an issue), after it "D <record> <the record's fields>" for each record; a
// step that did not do what it should is reported as "F ...", and the child
// ends.
struct ChildFolders {
  std::string program;
  std::string in_backups;
  std::string out_backups;
};


Step PickStep(std::mt19937& rng, std::string token) {
  const unsigned pick = rng() % 8;
  Step step;
  step.kind = pick < 3 ? 'I' : pick < 6 ? 'O' : pick == 6 ? 'C' : 'X';
  step.token = std::move(token);
  const std::size_t lines = step.kind == 'O' ? 1 + rng() % kMaxSlipLines : 1;
  while (step.records.size() < lines) {
    const int r = 1 + int(rng() % kMaterials);
    if (!step.Has(r)) step.records.push_back(r);
  }
  return step;
}

// Each of the functions below books or undoes a step and sets *failure when
// it did not do what it should; false when the table could not be read.

bool BookSlip(const ChildFolders& folders, const Step& step,
              std::string* failure) {
  Slip slip{{}, "#" + step.token, "保管员"};
  for (int line : step.records) {
    if (!DbSelect(kMaterialAlias) || !DbGoTo(line)) return false;
    slip.lines.push_back(
        {{DbRead(kName).ToText(), DbRead(kModel).ToText()}, "1", "2"});
  }
  if (BookStockOut(folders.program, slip, Now()) != int(step.records.size()))
    *failure = "slip not booked";
  return true;
}

bool BookReceipt(const ChildFolders& folders, const Step& step,
                 const MaterialKey& key, std::string* failure) {
  const StockInForm form{key.name,      key.model, "米", "2 #" + step.token,
                         kQuantityText, "6",       "1"};
  StockInResult booked = BookStockIn(folders.in_backups, form, Now());
  if (!booked.booked || booked.record_number != step.records.front())
    *failure = "not booked";
  return true;
}

// An undo that would take away later movements is refused and must leave
// the record as it was (`before`); one that restores must give the backup.
bool Undo(const ChildFolders& folders, const Step& step, const MaterialKey& key,
          const Record& before, std::string* failure) {
  const bool in = step.kind == 'C';
  const std::optional<Record> backup = BackupRecord(
      MaterialBackupPath(in ? folders.in_backups : folders.out_backups, key));
  testing::FakeDialogs dialogs;
  dialogs.answers = {true};
  const UndoResult result = CancelMovement(
      folders.program, key, in ? kStockInUndo : kStockOutUndo, dialogs);
  const bool refused = result == UndoResult::kRefused;
  if (backup ? result != UndoResult::kRestored && !refused
             : result != UndoResult::kNoBackup)
    *failure = "undo result " + std::to_string(int(result));
  if (!DbSelect(kMaterialAlias) || !DbGoTo(step.records.front())) return false;
  if (backup && ReadCurrent() != (refused ? before : *backup))
    *failure = refused ? "changed when refused" : "not the backup";
  return true;
}

// The "D" lines of the step's records; a booking must have left its log
// line in each.
bool RecordsAfter(const Step& step, std::string* report,
                  std::string* failure) {
  const bool booking = step.kind == 'I' || step.kind == 'O';
  const Field log = step.kind == 'O' ? kOutLog : kInLog;
  for (int line : step.records) {
    if (!DbSelect(kMaterialAlias) || !DbGoTo(line)) return false;
    const Record after = ReadCurrent();
    if (booking && after[log - 1].find("#" + step.token + " ") ==
                       std::string::npos)
      *failure = "no log line";
    *report += "D " + std::to_string(line) + " " + Encode(after) + "\n";
  }
  return true;
}

int RunChild(const std::string& dir, unsigned seed) {
  SetDurableWrites(false);
  const std::string program_dir = ProgramDir(dir);
  const ChildFolders folders{
      program_dir, ProgramFilePath(program_dir, kStockInBackupFolder),
      ProgramFilePath(program_dir, kStockOutBackupFolder)};
  const int fd = ::open(ReportPath(dir).c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 ||
      !DbOpen(ProgramFilePath(program_dir, kMaterialFile), kMaterialAlias))
    return 2;
  std::mt19937 rng(seed);
  for (int k = 0;; ++k) {
    const Step step =
        PickStep(rng, std::to_string(seed) + ":" + std::to_string(k));
    const int r = step.records.front();
    if (!DbSelect(kMaterialAlias) || !DbGoTo(r)) return 2;
    const Record before = ReadCurrent();
    const MaterialKey key{before[kName - 1], before[kModel - 1]};
    if (!Report(fd, std::string("B ") + step.kind + " " + Join(step.records) +
                        " " + step.token + "\n"))
      return 2;
    std::string failure;
    std::string report;
    const bool read =
        (step.kind == 'O'   ? BookSlip(folders, step, &failure)
         : step.kind == 'I' ? BookReceipt(folders, step, key, &failure)
                            : Undo(folders, step, key, before, &failure)) &&
        RecordsAfter(step, &report, &failure);
    if (!read) return 2;
    if (!failure.empty()) {
      Report(fd, "F " + std::to_string(r) + " " + failure + "\n");
      return 1;
    }
    if (!Report(fd, report)) return 2;
  }
}

// This test program started by StartChild is the child.
[[maybe_unused]] const bool kIsChild =
    testing::RunIfCrashChild(kChildDirVar, RunChild);

// --- The parent --------------------------------------------------------------

pid_t StartChild(const std::string& dir, unsigned seed) {
  return testing::StartCrashChild(kChildDirVar, dir, seed,
                                  "movement-crash-child");
}

// Steps the child reported finished, by kind.
struct Finished {
  int receipts = 0, slips = 0, undos = 0;
};

// Reads the child's report: the records of each finished step become the
// model (the child checked the step itself), counted in `finished`; the last
// step begun and not finished is the interrupted one.
void ReadReport(const std::string& report, std::vector<Record>* model,
                Finished* finished, std::optional<Step>* interrupted) {
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    if (lines.eof()) break;  // a line the kill cut short
    std::istringstream in(line);
    char tag;
    in >> tag;
    ASSERT_NE(tag, 'F') << line;
    if (tag == 'B') {
      Step s;
      std::string records;
      in >> s.kind >> records >> s.token;
      std::istringstream list(records);
      for (std::string r; std::getline(list, r, ',');)
        s.records.push_back(std::stoi(r));
      *interrupted = s;
      continue;
    }
    int r;
    std::string encoded;
    in >> r >> encoded;
    ASSERT_TRUE(*interrupted && (*interrupted)->Has(r));
    Record& m = (*model)[std::size_t(r - 1)];
    const char kind = (*interrupted)->kind;
    ASSERT_TRUE(Encode(m) != encoded || kind == 'C' || kind == 'X')
        << "a reported booking changed nothing";
    m = Decode(encoded);
    ASSERT_EQ(m.size(), std::size_t(kFieldCount));
    (*interrupted)->reported.push_back(r);
    if ((*interrupted)->reported.size() == (*interrupted)->records.size()) {
      (kind == 'I'   ? finished->receipts
       : kind == 'O' ? finished->slips
                     : finished->undos)++;
      interrupted->reset();
    }
  }
}

// A log field that is `before` with at most the step's line added.
void ExpectLogLineAtMost(const std::string& log, const std::string& before,
                         const std::string& token) {
  ASSERT_EQ(log.substr(0, before.size()), before);
  const std::string added = log.substr(before.size());
  ASSERT_TRUE(added.empty() ||
              (added.find("#" + token + " ") != std::string::npos &&
               added.find("\r\n") == added.size() - 2))
      << added;
}

// A slip line booked whole, at worst without its log line.
void ExpectSlipLineWhole(const Record& a, const Record& m,
                         const std::string& token) {
  ASSERT_EQ(TextToNumber(a[kQuantity - 1]),
            RoundTo(TextToNumber(m[kQuantity - 1]) - 1, 2));
  ASSERT_EQ(TextToNumber(a[kValue - 1]),
            RoundTo(TextToNumber(m[kValue - 1]) - 2, 2));
  ASSERT_NO_FATAL_FAILURE(
      ExpectLogLineAtMost(a[kOutLog - 1], m[kOutLog - 1], token));
  for (int f : {kName, kModel, kUnit, kPrice, kInLog, kInDate})
    ASSERT_EQ(a[f - 1], m[f - 1]);
}

// A receipt booked whole, at worst without its log line: never a new
// quantity beside an old value or price.
void ExpectReceiptWhole(const Record& a, const Record& m,
                        const std::string& token) {
  const double quantity = RoundTo(TextToNumber(m[kQuantity - 1]) + 3, 2);
  const double value = RoundTo(TextToNumber(m[kValue - 1]) + 6, 2);
  ASSERT_EQ(TextToNumber(a[kQuantity - 1]), quantity);
  ASSERT_EQ(TextToNumber(a[kValue - 1]), value);
  ASSERT_EQ(TextToNumber(a[kPrice - 1]), RoundTo(value / quantity, 2));
  ASSERT_NO_FATAL_FAILURE(
      ExpectLogLineAtMost(a[kInLog - 1], m[kInLog - 1], token));
  for (int f : {kName, kModel, kUnit, kOutLog, kOutDate})
    ASSERT_EQ(a[f - 1], m[f - 1]);
}

class MovementCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbCloseAll();
    SetDurableWrites(false);
    ASSERT_TRUE(CreateDirectory(ProgramDir(dir_.path())));
    auto table =
        Table::Create(ProgramFilePath(ProgramDir(dir_.path()), kMaterialFile),
                      Schema(Fields()));
    ASSERT_TRUE(table);
    for (int i = 1; i <= kMaterials; ++i) {
      std::vector<Value> v(kFieldCount);
      v[kName - 1] = "材料" + std::to_string(i);
      v[kModel - 1] = i % 5 == 0 ? "" : "型号/" + std::to_string(i);
      v[kUnit - 1] = "根";
      v[kQuantity - 1] = double(i);
      v[kPrice - 1] = 2.0;
      v[kValue - 1] = 2.0 * i;
      v[kInLog - 1] = std::string(i % 3 == 0 ? 600 : 20, 'x') + "\r\n";
      v[kOutLog - 1] = "出库 " + std::to_string(i) + "\r\n";
      ASSERT_TRUE(table->Append(v));
    }
  }
  void TearDown() override { DbCloseAll(); }

  std::string TablePath() const {
    return ProgramFilePath(ProgramDir(dir_.path()), kMaterialFile);
  }
  std::vector<Record> ReadAll() {
    auto table = Table::Open(TablePath(), OpenOptions{true, 1});
    EXPECT_TRUE(table);
    std::vector<Record> all;
    if (!table) return all;
    for (int r = 1; r <= table->RecordCount(); ++r)
      all.push_back(ReadRecord(*table, r));
    return all;
  }

  // The table is there, opens (finishing what the kill interrupted) and is
  // consistent.
  void ExpectTableSound() {
    ASSERT_TRUE(FileExists(TablePath()));
    ASSERT_TRUE(FileExists(MemoPathOf(TablePath())));
    {
      auto table = Table::Open(TablePath(), OpenOptions{});
      ASSERT_TRUE(table);
      ASSERT_EQ(table->RecordCount(), kMaterials);
    }
    ASSERT_EQ(CheckTable(TablePath()), std::vector<std::string>{});
  }

  // Record `a`, found changed from the model `m` by the interrupted step,
  // holds that step done whole.
  void ExpectStepWhole(const Step& step, const Record& a, const Record& m) {
    if (step.kind == 'O') return ExpectSlipLineWhole(a, m, step.token);
    if (step.kind == 'I') return ExpectReceiptWhole(a, m, step.token);
    // An undo done whole: the record is its backup.
    const std::optional<Record> backup = BackupRecord(MaterialBackupPath(
        ProgramFilePath(ProgramDir(dir_.path()), step.kind == 'C'
                                                     ? kStockInBackupFolder
                                                     : kStockOutBackupFolder),
        {m[kName - 1], m[kModel - 1]}));
    ASSERT_TRUE(backup && a == *backup);
  }

  testing::TempDir dir_;
};

TEST_F(MovementCrashTest, KilledAtRandomMomentsKeepsEveryReportedStep) {
  const char* kills_text = std::getenv(kKillsVar);
  const int kills = kills_text ? std::atoi(kills_text) : kDefaultKills;
  std::mt19937 rng(20261207);
  std::vector<Record> model = ReadAll();
  ASSERT_EQ(model.size(), std::size_t(kMaterials));
  int killed = 0, interrupted_taken = 0, interrupted_dropped = 0;
  Finished finished;
  for (int round = 0; round < kills; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RemoveFile(ReportPath(dir_.path()));
    const pid_t child = StartChild(dir_.path(), rng());
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_TRUE(testing::KillDuringSteps(child, ReportPath(dir_.path()), round,
                                         12000, rng, &status))
        << "child ended " << status << ": "
        << ReadTestFile(ReportPath(dir_.path()));
    ++killed;
    std::optional<Step> interrupted;
    ASSERT_NO_FATAL_FAILURE(ReadReport(ReadTestFile(ReportPath(dir_.path())),
                                       &model, &finished, &interrupted));
    ASSERT_NO_FATAL_FAILURE(ExpectTableSound());
    const std::vector<Record> actual = ReadAll();
    ASSERT_EQ(actual.size(), std::size_t(kMaterials));
    for (int r = 1; r <= kMaterials; ++r) {
      const Record& a = actual[std::size_t(r - 1)];
      const Record& m = model[std::size_t(r - 1)];
      if (a == m) continue;
      ASSERT_TRUE(interrupted && interrupted->Has(r))
          << "record " << r << " differs from what was reported";
      ASSERT_NO_FATAL_FAILURE(ExpectStepWhole(*interrupted, a, m));
      ++interrupted_taken;
    }
    if (interrupted && actual == model) ++interrupted_dropped;
    model = actual;
  }
  EXPECT_EQ(killed, kills);
  EXPECT_GT(finished.receipts, 0);
  EXPECT_GT(finished.slips, 0);
  EXPECT_GT(finished.undos, 0);
  std::printf(
      "kills: %d; reported receipts %d, slips %d, undos %d; interrupted "
      "records found done %d, steps found not done %d\n",
      killed, finished.receipts, finished.slips, finished.undos,
      interrupted_taken, interrupted_dropped);
}

}  // namespace
}  // namespace matslip
