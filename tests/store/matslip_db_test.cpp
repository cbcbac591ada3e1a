// The matslip-db tool, run as a separate process the way a developer runs it:
// its output, its exit codes, and the files it writes or leaves alone.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "base/number.h"
#include "material/material_table.h"
#include "store/file_io.h"
#include "store/format.h"
#include "store/names.h"
#include "store/table.h"
#include "store_test_util.h"
#include "support/temp_dir.h"

extern char** environ;

namespace matslip {
namespace {

namespace fs = std::filesystem;
using testing::ReadTestFile;
using testing::WriteTestFile;

struct ToolRun {
  int exit_code = -1;
  std::string out, err;
};

class MatslipDbTest : public ::testing::Test {
 protected:
  // Runs matslip-db with `args`, its output going to files of a folder of
  // its own so that the data folder holds only what the tool wrote.
  ToolRun Run(const std::vector<std::string>& args) {
    const std::string tool = std::string(MATSLIP_TOOL_DIR) + "/matslip-db";
    const std::string out = io_.File("out"), err = io_.File("err");
    std::vector<char*> argv{const_cast<char*>(tool.c_str())};
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid;
    ToolRun run;
    int status = 0;
    if (posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(),
                    environ) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status))
      run.exit_code = WEXITSTATUS(status);
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadTestFile(out);
    run.err = ReadTestFile(err);
    return run;
  }

  // The names in the data folder, sorted.
  std::vector<std::string> DataFiles() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  testing::TempDir io_;
};

// --- dump and info ---------------------------------------------------------

class DumpTest : public MatslipDbTest {
 protected:
  // One field of every type; record 2 empty and marked deleted.
  void SetUp() override {
    path_ = dir_.File("all.mzk");
    SetClock(CivilToDate({2026, 12, 1, 8, 0, 0}));
    Schema schema({{"b", fmt::kByte, 0, 0},
                   {"s", fmt::kShort, 0, 0},
                   {"i", fmt::kInt, 0, 0},
                   {"l", fmt::kLong, 0, 0},
                   {"f", fmt::kSingle, 0, 0},
                   {"d", fmt::kDouble, 0, 0},
                   {"ok", fmt::kBoolean, 0, 0},
                   {"at", fmt::kDateTime, 0, 0},
                   {"v", fmt::kValue4, 0, 0},
                   {"名称", fmt::kText, 12, 0},
                   {"bin", fmt::kBinary, 0, 0},
                   {"记录", fmt::kMemo, 0, 0}});
    std::unique_ptr<Table> t = Table::Create(path_, schema);
    ResetClock();
    ASSERT_TRUE(t);
    ASSERT_TRUE(t->Append({Value::Integer(200), Value::Integer(-3),
                           Value::Integer(70000), Value::Integer(5000000000),
                           Value::Number(0.1), Value::Number(2.0 / 3),
                           Value::Boolean(true),
                           Value::Date(CivilToDate({2026, 12, 1, 9, 30, 5})),
                           Value::Integer(-7), Value::Text("线\t夹\\2"),
                           Value::Binary(std::string("\x01\xab\xff", 3)),
                           Value::Text("第一行\r\n第二\t行\\")}));
    ASSERT_TRUE(t->Append({}));
    ASSERT_TRUE(t->DeleteCurrent());
    // A memo text over three blocks.
    ASSERT_TRUE(t->Append({Value(), Value(), Value(), Value(), Value(), Value(),
                           Value(), Value(), Value(), Value(), Value(),
                           Value::Text(std::string(1200, 'x'))}));
  }

  std::string path_;
};

TEST_F(DumpTest, WritesEveryFieldTypeInItsTextForm) {
  ToolRun r = Run({"dump", path_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "#\tb\ts\ti\tl\tf\td\tok\tat\tv\t名称\tbin\t记录\n"
            "1\t200\t-3\t70000\t5000000000\t0.1\t0.6666666666667\t1\t"
            "2026-12-01 09:30:05\t-7\t线\\t夹\\\\2\t01abff\t"
            "第一行\\r\\n第二\\t行\\\\\n"
            "-2\t0\t0\t0\t0\t0\t0\t0\t\t0\t\t\t\n"
            "3\t0\t0\t0\t0\t0\t0\t0\t\t0\t\t\t" +
                std::string(1200, 'x') + "\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(DumpTest, InfoListsTheHeaderAndEveryField) {
  ToolRun r = Run({"info", path_});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "version\t65536\n"
            "created\t2026-12-01 08:00:00\n"
            "records\t3\n"
            "next identifier\t4\n"
            "record length\t64\n"
            "header length\t980\n"
            "fields\t12\n"
            "#\tname\ttype\toffset\twidth\n"
            "1\tb\t1\t4\t0\n"
            "2\ts\t2\t5\t0\n"
            "3\ti\t3\t7\t0\n"
            "4\tl\t4\t11\t0\n"
            "5\tf\t5\t19\t0\n"
            "6\td\t6\t23\t0\n"
            "7\tok\t7\t31\t0\n"
            "8\tat\t8\t32\t0\n"
            "9\tv\t9\t40\t0\n"
            "10\t名称\t10\t44\t12\n"
            "11\tbin\t11\t56\t0\n"
            "12\t记录\t12\t60\t0\n");
}

TEST_F(DumpTest, FailsOnAFileThatIsNoTable) {
  ASSERT_TRUE(WriteTestFile(dir_.File("junk.mzk"), "not a table"));
  for (const char* command : {"dump", "info"}) {
    ToolRun r = Run({command, dir_.File("junk.mzk")});
    EXPECT_EQ(r.exit_code, 1) << command;
    EXPECT_EQ(r.out, "") << command;
    EXPECT_EQ(r.err, "matslip-db: " + dir_.File("junk.mzk") +
                         ": file shorter than its header\n")
        << command;
  }
}

// --- load ----------------------------------------------------------------

class LoadTest : public MatslipDbTest {
 protected:
  std::string Header() const {
    std::string h = "#";
    for (const char* name : material::kFieldNames)
      h += std::string("\t") + name;
    return h + "\n";
  }
  std::string tsv_ = dir_.File("in.tsv");
  std::string table_ = dir_.File("data.mzk");
};

TEST_F(LoadTest, DumpOfTheLoadedTableGivesTheInputBack) {
  const std::string input =
      Header() +
      "1\t钢芯铝绞线\tLGJ-95/20\t米\t3200\t9.85\t31520\t20\t197\t"
      "2026-12-03 14:05:09\t数量 20 出库\\r\\n\t3220\t31717\t"
      "2026-12-01 09:30:00\t数量 3220 单价 9.85\\r\\n第二行\\t制表\\\\\t500\t"
      "20\t197\t20\t197\t3220\t31717\t3220\t31717\n"
      "2\t横担\t∠63×6×1500\t根\t0\t112\t0\t0\t0\t\t\t0\t0\t\t\t30\t0\t0\t0\t"
      "0\t0\t0\t0\t0\n"
      "3\t熔丝\t10A\t根\t-1.5\t0.13\t-0.2\t0\t0\t\t\t0\t0\t"
      "2026-01-31 23:59:59\t\t1e+20\t0\t0\t0\t0\t0\t0\t0\t0\n";
  ASSERT_TRUE(WriteTestFile(tsv_, input));
  ToolRun load = Run({"load", table_, tsv_});
  ASSERT_EQ(load.exit_code, 0) << load.err;
  EXPECT_EQ(load.err, "");
  EXPECT_EQ(DataFiles(),
            (std::vector<std::string>{"data.edt", "data.mzk", "in.tsv"}));
  ToolRun dump = Run({"dump", table_});
  EXPECT_EQ(dump.exit_code, 0) << dump.err;
  EXPECT_EQ(dump.out, input);
  EXPECT_EQ(Run({"check", table_}).out, "ok\n");
}

TEST_F(LoadTest, TakesAnySubsetOfFieldsInAnyOrder) {
  ASSERT_TRUE(WriteTestFile(tsv_,
                            "数量\t规格型号\t品名\r\n"
                            "12.5\tXP-70\t悬式绝缘子\r\n"));
  ToolRun load = Run({"load", table_, tsv_});
  ASSERT_EQ(load.exit_code, 0) << load.err;
  ToolRun dump = Run({"dump", table_});
  EXPECT_EQ(dump.out, Header() +
                          "1\t悬式绝缘子\tXP-70\t\t12.5\t0\t0\t0\t0\t\t\t0\t0\t"
                          "\t\t0\t0\t0\t0\t0\t0\t0\t0\t0\n");
}

TEST_F(LoadTest, ReportsEveryBadLineAndWritesNothing) {
  std::string long_name;  // 66 bytes in GBK, the field holds 64
  for (int i = 0; i < 33; ++i) long_name += "线";
  ASSERT_TRUE(WriteTestFile(
      tsv_,
      "#\t品名\t规格型号\t数量\t进库日期\t进库记录\n"
      "1\t钢芯铝绞线\tLGJ-95/20\t100\t2026-12-01 09:30:00\t数量 100\\r\\n\n"
      "2\t熔丝\t10A\t12元\t\t\n"
      "3\t熔丝\t30A\t5\n"
      "4\t熔丝\t50A\t5\t2026-13-01\t\n"
      "5\t" +
          long_name +
          "\tX\t1\t\t\n"
          "6\t电杆😀\tφ190\t1\t\t\n"
          "7\t电杆\tφ190\t1\t\t记录\\x\n"));
  ToolRun r = Run({"load", table_, tsv_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err,
            tsv_ + ":3: 数量: \"12元\" is not a number\n" +  //
                tsv_ + ":4: 4 columns, the header has 6\n" + tsv_ +
                ":5: 进库日期: \"2026-13-01\" is not a date-time "
                "(YYYY-MM-DD HH:MM:SS)\n" +
                tsv_ + ":6: 品名: \"" + long_name +
                "\" takes 66 bytes, the field holds 64\n" + tsv_ +
                ":7: 品名: \"😀\" has no GBK form\n" + tsv_ +
                ":8: 进库记录: \"记录\\x\" holds a backslash that is not "
                "\\\\, \\t, \\r or \\n\n"
                "matslip-db: nothing written\n");
  EXPECT_EQ(DataFiles(), std::vector<std::string>{"in.tsv"});
}

TEST_F(LoadTest, ReportsUnknownAndRepeatedFieldsOfTheHeader) {
  ASSERT_TRUE(WriteTestFile(tsv_, "品名\t价格\t品名\n熔丝\t1\t熔丝\n"));
  ToolRun r = Run({"load", table_, tsv_});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, tsv_ + ":1: \"价格\" is not a material field\n" + tsv_ +
                       ":1: field \"品名\" named twice\n"
                       "matslip-db: nothing written\n");
  EXPECT_EQ(DataFiles(), std::vector<std::string>{"in.tsv"});
}

TEST_F(LoadTest, ReplacesAnExistingTableOnlyWithForce) {
  ASSERT_TRUE(WriteTestFile(tsv_, "品名\n旧\n"));
  ASSERT_EQ(Run({"load", table_, tsv_}).exit_code, 0);
  const std::string before = ReadTestFile(table_);
  const std::string memo_before = ReadTestFile(MemoPathOf(table_));
  ASSERT_TRUE(WriteTestFile(tsv_, "品名\n新\n"));

  ToolRun refused = Run({"load", table_, tsv_});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_EQ(refused.err,
            "matslip-db: " + table_ + " exists; give --force to replace it\n");
  EXPECT_EQ(ReadTestFile(table_), before);
  EXPECT_EQ(ReadTestFile(MemoPathOf(table_)), memo_before);

  ToolRun forced = Run({"load", table_, tsv_, "--force"});
  EXPECT_EQ(forced.exit_code, 0) << forced.err;
  std::unique_ptr<Table> t = Table::Open(table_, OpenOptions{});
  ASSERT_TRUE(t);
  Value name;
  ASSERT_TRUE(t->First() && t->Read(0, &name));
  EXPECT_EQ(name.str(), "新");
  EXPECT_EQ(t->RecordCount(), 1);
  EXPECT_EQ(DataFiles(),
            (std::vector<std::string>{"data.edt", "data.mzk", "in.tsv"}));
}

// --- check ---------------------------------------------------------------

class CheckTest : public MatslipDbTest {
 protected:
  // Record 1 holds a one-block memo (block 1), record 2 a two-block one
  // (blocks 2 and 3).
  void SetUp() override {
    path_ = dir_.File("t.mzk");
    std::unique_ptr<Table> t = Table::Create(path_, testing::SmallSchema());
    ASSERT_TRUE(t);
    ASSERT_TRUE(t->Append({"甲", 1.0, "abc"}));
    ASSERT_TRUE(t->Append({"乙", 2.0, std::string(600, 'y')}));
    schema_ = t->schema();
  }

  // Overwrites four bytes of a file with `v`.
  void Patch(const std::string& path, std::int64_t offset, std::int32_t v) {
    PosixFile f;
    char b[4];
    PutI32(b, v);
    ASSERT_TRUE(f.Open(path, false) && f.WriteAt(offset, b, 4));
  }
  std::int64_t MemoRefOffset(int record) const {
    return schema_.header_length() +
           std::int64_t{record - 1} * schema_.record_length() +
           schema_.field(2).offset;
  }

  // Runs check and asserts that neither file changed, in bytes or time.
  ToolRun CheckUnchanged() {
    const fs::file_time_type past =
        fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    const std::string memo = MemoPathOf(path_);
    fs::last_write_time(path_, past);
    fs::last_write_time(memo, past);
    const std::string bytes = ReadTestFile(path_);
    const std::string memo_bytes = ReadTestFile(memo);
    ToolRun r = Run({"check", path_});
    EXPECT_EQ(ReadTestFile(path_), bytes);
    EXPECT_EQ(ReadTestFile(memo), memo_bytes);
    EXPECT_EQ(fs::last_write_time(path_), past);
    EXPECT_EQ(fs::last_write_time(memo), past);
    return r;
  }

  std::string path_;
  Schema schema_;
};

TEST_F(CheckTest, SaysOkOnAGoodTable) {
  ToolRun r = CheckUnchanged();
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(r.out, "ok\n");
}

TEST_F(CheckTest, ReportsAChainLeavingTheFile) {
  Patch(path_, MemoRefOffset(1), 99);
  ToolRun r = CheckUnchanged();
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out,
            "record 1 field 记录: chain leaves the file at block 99\n"
            "memo file: 1 blocks neither used nor free (first: 1)\n");
}

TEST_F(CheckTest, ReportsALoop) {
  Patch(MemoPathOf(path_), 3 * fmt::kBlockSize + 4, 2);  // block 3 -> 2
  ToolRun r = CheckUnchanged();
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "record 2 field 记录: chain loops at block 2\n");
}

TEST_F(CheckTest, ReportsACountBeyondTheFileWithoutRepairingIt) {
  Patch(path_, fmt::kCountOffset, 10);
  ToolRun r = CheckUnchanged();
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "header counts 10 records, the file holds 2\n");
}

// --- usage and demo ------------------------------------------------------

TEST_F(MatslipDbTest, WrongUsageExitsWithTwoAndShowsTheUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate", "x"},
      {"dump"},
      {"check", "a", "b"},
      {"load", "a"},
      {"load", "a", "b", "--forse"},
      {"demo"}};
  for (const auto& args : cases) {
    ToolRun r = Run(args);
    std::string shown = args.empty() ? "(none)" : args[0];
    EXPECT_EQ(r.exit_code, 2) << shown;
    EXPECT_NE(r.err.find("usage:\n"), std::string::npos) << shown;
    EXPECT_NE(r.err.find("  matslip-db load FILE TSV [--force]\n"),
              std::string::npos)
        << shown;
    EXPECT_EQ(r.out, "") << shown;
  }
  EXPECT_TRUE(DataFiles().empty());
}

TEST_F(MatslipDbTest, DemoWritesAConsistentNewlyReceivedStock) {
  const std::string dir = dir_.File("new/demo");
  ToolRun r = Run({"demo", dir});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Run({"check", dir + "/data.mzk"}).out, "ok\n");

  using namespace material;
  std::unique_ptr<Table> t = Table::Open(dir + "/data.mzk", OpenOptions{});
  ASSERT_TRUE(t);
  const int n = t->RecordCount();
  EXPECT_GE(n, 38);
  EXPECT_LE(n, 45);
  std::set<std::pair<std::string, std::string>> keys;
  int low = 0, empty = 0;
  for (int k = 1; k <= n; ++k) {
    ASSERT_TRUE(t->GoTo(k));
    std::vector<Value> v(kFieldCount + 1);
    for (int f = 1; f <= kFieldCount; ++f) ASSERT_TRUE(t->Read(f - 1, &v[f]));
    SCOPED_TRACE(v[kName].str() + " " + v[kModel].str());
    EXPECT_TRUE(keys.insert({v[kName].str(), v[kModel].str()}).second);
    EXPECT_FALSE(v[kUnit].str().empty());
    const double q = v[kQuantity].ToNumber(), p = v[kPrice].ToNumber();
    const double value = v[kValue].ToNumber();
    EXPECT_GT(p, 0);
    EXPECT_EQ(value, RoundTo(q * p, 2));
    for (int f : {kInQuantity, kMonthInQuantity, kYearInQuantity})
      EXPECT_EQ(v[f].ToNumber(), q) << kFieldNames[f - 1];
    for (int f : {kInValue, kMonthInValue, kYearInValue})
      EXPECT_EQ(v[f].ToNumber(), value) << kFieldNames[f - 1];
    for (int f : {kOutQuantity, kOutValue, kOutDate, kMonthOutQuantity,
                  kMonthOutValue, kYearOutQuantity, kYearOutValue})
      EXPECT_EQ(v[f].ToNumber(), 0) << kFieldNames[f - 1];
    EXPECT_EQ(v[kOutLog].str(), "");
    const double date = v[kInDate].ToNumber();
    EXPECT_EQ(DateToCivil(date).year, 2026);
    EXPECT_EQ(v[kInLog].str(), "数量 " + NumberToText(q) + " 单价 " +
                                   NumberToText(p) + " 金额 " +
                                   NumberToText(value) + " " +
                                   DateTimeText(date) + "\r\n");
    low += q <= v[kAlarm].ToNumber();
    empty += q == 0;
  }
  EXPECT_GE(low, 3);
  EXPECT_LE(low, n / 4);
  EXPECT_GE(empty, 1);
  EXPECT_LE(empty, 2);
}

// A table written by an earlier build (tests/data/demo) still reads as it did
// then, value for value: the bytes of existing installations must keep
// opening unchanged.
TEST_F(MatslipDbTest, StoredTableDumpsAsRecordedWhenWritten) {
  const std::string data = std::string(MATSLIP_TEST_DATA) + "/demo/";
  for (const char* name : {"data.mzk", "data.edt"})
    ASSERT_TRUE(CopyFile(data + name, dir_.File(name))) << name;
  const ToolRun check = Run({"check", dir_.File("data.mzk")});
  EXPECT_EQ(check.exit_code, 0) << check.out;
  EXPECT_EQ(check.out, "ok\n");
  const ToolRun dump = Run({"dump", dir_.File("data.mzk")});
  EXPECT_EQ(dump.exit_code, 0);
  EXPECT_EQ(dump.out, ReadTestFile(data + "data.tsv"));
  EXPECT_EQ(ReadTestFile(dir_.File("data.mzk")),
            ReadTestFile(data + "data.mzk"));
}

TEST_F(MatslipDbTest, DemoRefusesToOverwriteATable) {
  ASSERT_EQ(Run({"demo", dir_.path()}).exit_code, 0);
  const std::string before = ReadTestFile(dir_.File("data.mzk"));
  ToolRun again = Run({"demo", dir_.path()});
  EXPECT_EQ(again.exit_code, 1);
  EXPECT_EQ(again.err,
            "matslip-db: " + dir_.File("data.mzk") + " exists; not replaced\n");
  EXPECT_EQ(ReadTestFile(dir_.File("data.mzk")), before);
}

}  // namespace
}  // namespace matslip
