// A table and its memo file replaced as a pair: what an open finds after a
// crash at each step, hostile journals, and a writer killed at random
// moments while it replaces a table again and again.
#include "store/table_pair.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <random>
#include <set>

#include "base/byte_order.h"
#include "base/file_system.h"
#include "base/files.h"
#include "store/db.h"
#include "store/table_check.h"
#include "store_test_util.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using namespace std::string_literals;
using testing::ReadTestFile;
using testing::SmallSchema;
using testing::WriteTestFile;

// The names in a folder, sorted.
std::set<std::string> FolderNames(const std::string& dir) {
  std::set<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return names;
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.insert(name);
  }
  ::closedir(d);
  return names;
}

class TablePairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = dir_.File("data.mzk");
    memo_ = dir_.File("data.edt");
    // The old pair: two records; the new pair: three, other memo texts.
    ASSERT_TRUE(Fill(data_, "old", 2, 700));
    const std::string fresh = dir_.File("fresh.mzk");
    ASSERT_TRUE(Fill(fresh, "new", 3, 1100));
    new_table_ = ReadTestFile(fresh);
    new_memo_ = ReadTestFile(dir_.File("fresh.edt"));
    ASSERT_TRUE(RemoveFile(fresh) && RemoveFile(dir_.File("fresh.edt")));
    old_table_ = ReadTestFile(data_);
    old_memo_ = ReadTestFile(memo_);
  }

  // A table of `count` records named "<tag><i>" whose memo text is the name
  // repeated up to `memo_bytes` bytes: a record read with another table's
  // memo file shows it.
  static bool Fill(const std::string& path, const std::string& tag, int count,
                   int memo_bytes) {
    auto t = Table::Create(path, SmallSchema());
    if (!t) return false;
    for (int i = 1; i <= count; ++i) {
      const std::string name = tag + std::to_string(i);
      if (!t->Append({name, double(i)}) ||
          !t->AppendMemo(2, Value::Text(MemoFor(name, memo_bytes))))
        return false;
    }
    return true;
  }
  static std::string MemoFor(const std::string& name, int bytes) {
    std::string text;
    while (text.size() < std::size_t(bytes)) text += name + ";";
    return text;
  }
  // The names of the table at `path`, each checked against its memo text;
  // empty when it does not open.
  static std::vector<std::string> Names(const std::string& path,
                                        bool read_only = false) {
    std::vector<std::string> names;
    auto t = Table::Open(path, OpenOptions{.read_only = read_only});
    if (!t) return names;
    for (int i = 1; i <= t->RecordCount(); ++i) {
      Value name, memo;
      EXPECT_TRUE(t->GoTo(i) && t->Read(0, &name) && t->Read(2, &memo));
      EXPECT_TRUE(memo.ToText().starts_with(name.ToText() + ";"))
          << "record " << i << " has another table's memo text";
      names.push_back(name.ToText());
    }
    return names;
  }
  void WriteJournal(const std::string& text) {
    ASSERT_TRUE(WriteTestFile(data_ + ".pair", text));
  }
  void WriteTemporaries(bool table, bool memo) {
    if (table) {
      ASSERT_TRUE(WriteTestFile(PairTempPath(data_), new_table_));
    }
    if (memo) {
      ASSERT_TRUE(WriteTestFile(PairTempPath(memo_), new_memo_));
    }
  }
  void ExpectOldPairUntouched() {
    EXPECT_EQ(ReadTestFile(data_), old_table_);
    EXPECT_EQ(ReadTestFile(memo_), old_memo_);
  }

  // The pair id of the new file of `name` in the test folder (its
  // temporary, or the file in place when there is none), as a journal
  // writes it.
  std::string IdOf(const std::string& name) {
    const std::string path = dir_.File(name);
    std::string bytes = ReadTestFile(PairTempPath(path));
    if (bytes == "<missing>") bytes = ReadTestFile(path);
    const bool memo = !NamesEqual(name.substr(name.size() - 4), ".mzk");
    const std::size_t at = memo ? fmt::kMemoPairIdOffset : fmt::kPairIdOffset;
    if (bytes.size() < at + 8) return "0000000000000000";
    char text[17];
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(GetI64(bytes.data() + at)));
    return text;
  }
  // The journal a replacement writes, naming the new files by pair id.
  std::string JournalFor(const std::string& table = "data.mzk",
                         const std::string& memo_kind = "memo",
                         const std::string& memo = "data.edt") {
    return "matslip table pair 3\ntable " + IdOf(table) + " " + table + "\n" +
           memo_kind + " " + IdOf(memo_kind == "drop" ? table : memo) + " " +
           memo + "\n";
  }
  const std::vector<std::string> kOld = {"old1", "old2"};
  const std::vector<std::string> kNew = {"new1", "new2", "new3"};

  testing::RegistryGuard guard_;
  testing::TempDir dir_;
  std::string data_, memo_;
  std::string old_table_, old_memo_, new_table_, new_memo_;
};

TEST_F(TablePairTest, ReplacementLeavesOnlyThePairBehind) {
  {
    auto t = Table::Open(data_, OpenOptions{});
    ASSERT_TRUE(t && t->CopyRecordsTo(dir_.File("copy.mzk"), {1}));
  }
  ASSERT_TRUE(DbOpen(data_, "data"));
  ASSERT_TRUE(DbCopyTo(dir_.File("data2.mzk")));
  EXPECT_EQ(FolderNames(dir_.path()),
            (std::set<std::string>{"copy.edt", "copy.mzk", "data.edt",
                                   "data.mzk", "data2.edt", "data2.mzk"}));
  EXPECT_EQ(Names(dir_.File("copy.mzk")), std::vector<std::string>{"old2"});
}

TEST_F(TablePairTest, CrashAfterTheJournalIsCompletedOnOpen) {
  WriteTemporaries(true, true);
  WriteJournal(JournalFor());
  EXPECT_EQ(Names(data_), kNew);
  EXPECT_EQ(FolderNames(dir_.path()),
            (std::set<std::string>{"data.edt", "data.mzk"}));
  EXPECT_EQ(CheckTable(data_), std::vector<std::string>{});
}

TEST_F(TablePairTest, CrashBetweenTheTwoRenamesIsCompletedOnOpen) {
  WriteTemporaries(true, false);
  ASSERT_TRUE(WriteTestFile(memo_, new_memo_));  // the memo file is renamed
  WriteJournal(JournalFor());
  ASSERT_TRUE(DbOpen(data_, "data"));  // every open completes it
  EXPECT_EQ(DbRecordCount(), 3);
  DbCloseAll();
  EXPECT_EQ(Names(data_), kNew);
  EXPECT_EQ(FolderNames(dir_.path()),
            (std::set<std::string>{"data.edt", "data.mzk"}));
}

// The files are swapped into place, so after the memo file's swap the old
// memo file sits under the temporary name: completing must not put it back.
TEST_F(TablePairTest, CrashAfterTheMemoSwapIsCompletedOnOpen) {
  WriteTemporaries(true, true);
  const std::string journal = JournalFor();
  ASSERT_EQ(::renameat2(AT_FDCWD, PairTempPath(memo_).c_str(), AT_FDCWD,
                        memo_.c_str(), RENAME_EXCHANGE),
            0);
  WriteJournal(journal);
  EXPECT_EQ(Names(data_), kNew);
  EXPECT_EQ(FolderNames(dir_.path()),
            (std::set<std::string>{"data.edt", "data.mzk"}));
  EXPECT_EQ(ReadTestFile(memo_), new_memo_);
}

TEST_F(TablePairTest, JournalLeftAfterBothRenamesIsRemoved) {
  ASSERT_TRUE(WriteTestFile(data_, new_table_));
  ASSERT_TRUE(WriteTestFile(memo_, new_memo_));
  WriteJournal(JournalFor());
  EXPECT_EQ(Names(data_), kNew);
  EXPECT_FALSE(FileExists(data_ + ".pair"));
}

TEST_F(TablePairTest, TemporariesWithoutAJournalAreNeverUsed) {
  WriteTemporaries(true, true);
  EXPECT_EQ(Names(data_), kOld);
  ExpectOldPairUntouched();
  // The next replacement writes temporaries of its own; the clean-up of a
  // restore or an import removes them.
  auto t = Table::Open(data_, OpenOptions{});
  ASSERT_TRUE(t && t->CopyRecordsTo(data_, {0}));
  t.reset();
  EXPECT_EQ(Names(data_), std::vector<std::string>{"old1"});
  RemoveStrayTemporaries(data_);
  EXPECT_EQ(FolderNames(dir_.path()),
            (std::set<std::string>{"data.edt", "data.mzk"}));
}

// A journal left after both renames (the writer died before removing it)
// names the temporaries of the next replacement: it must be gone before
// they are written, or a crash while they are written would put them in
// place half written.
TEST_F(TablePairTest, StaleJournalIsGoneBeforeNewTemporariesAreWritten) {
  WriteJournal(JournalFor());
  auto t = Table::Open(data_, OpenOptions{});
  ASSERT_TRUE(t);
  WriteJournal(JournalFor());  // as if left after this open
  t.reset();
  const pid_t child = ::fork();
  if (child == 0) {
    // The writer dies when a file grows past 600 bytes: the new table's
    // header is written, its memo file is not complete.
    ::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{600, 600};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    auto w = Table::Open(data_, OpenOptions{});
    ::_exit(w && w->CopyRecordsTo(data_, {0, 1}) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
  const std::set<std::string> left = FolderNames(dir_.path());
  ASSERT_TRUE(std::any_of(left.begin(), left.end(), [](const std::string& n) {
    return n.starts_with("data.mzk.new-");
  }));
  EXPECT_EQ(Names(data_), kOld);
  ExpectOldPairUntouched();
}

// Stands in for the replacement that owned the journal at `journal` and
// one that follows it: at the first open of that name by the code under
// test, the journal is completed and removed, and the next replacement's
// journal (`next`) takes the name. `gone_first`: the open comes too late
// and finds no file; otherwise it gets the completed journal.
class JournalTakenOver : public FileSystem {
 public:
  JournalTakenOver(std::string journal, std::string next, bool gone_first)
      : journal_(std::move(journal)),
        next_(std::move(next)),
        gone_first_(gone_first) {}
  int Open(const std::string& path, int flags, int mode) override {
    if (path != journal_ || done_) return FileSystem::Open(path, flags, mode);
    done_ = true;
    const int fd = gone_first_ ? -1 : FileSystem::Open(path, flags, mode);
    if (Unlink(journal_) != 0 || Link(next_, journal_) != 0) return -1;
    errno = ENOENT;
    return fd;
  }

 private:
  std::string journal_, next_;
  bool gone_first_;
  bool done_ = false;
};

// A completion that waited for a journal never removes the journal of the
// replacement that came after it: that one would rename without one, and
// another beside it.
TEST_F(TablePairTest, CompletionThatWaitedLeavesTheNextJournal) {
  const std::string journal = data_ + ".pair";
  const std::string next = dir_.File("next-journal");
  for (const bool gone_first : {true, false}) {
    // The completed journal was not ours to read in full (a killed
    // replacement left a second name of it).
    WriteJournal("garbage");
    ASSERT_EQ(::link(journal.c_str(), PairTempPath(journal, "x-1-0").c_str()),
              0);
    ASSERT_TRUE(WriteTestFile(next, JournalFor()));
    JournalTakenOver fs(journal, next, gone_first);
    FileSystem* const before = SetFileSystem(&fs);
    std::string why;
    const bool finished = FinishPairReplacement(data_, false, &why);
    SetFileSystem(before);
    EXPECT_TRUE(finished) << why;
    EXPECT_EQ(ReadTestFile(journal), JournalFor()) << gone_first;
    ExpectOldPairUntouched();
    ASSERT_TRUE(RemoveFile(journal) && RemoveFile(next) &&
                RemoveFile(PairTempPath(journal, "x-1-0")));
  }
}

TEST_F(TablePairTest, ReaderRefusesAPendingReplacementAndWritesNothing) {
  WriteTemporaries(true, false);
  ASSERT_TRUE(WriteTestFile(memo_, new_memo_));
  const std::string journal = JournalFor();
  WriteJournal(journal);
  std::string why;
  EXPECT_FALSE(Table::Open(data_, OpenOptions{.read_only = true}, &why));
  EXPECT_NE(why.find("interrupted replacement"), std::string::npos) << why;
  EXPECT_EQ(ReadTestFile(data_), old_table_);
  EXPECT_EQ(ReadTestFile(data_ + ".pair"), journal);
  EXPECT_EQ(ReadTestFile(PairTempPath(data_)), new_table_);
  EXPECT_EQ(Names(data_), kNew);  // a writer completes it
  EXPECT_EQ(Names(data_, true), kNew);
}

TEST_F(TablePairTest, HostileJournalsAreRemovedUnused) {
  WriteTemporaries(true, true);
  const std::string t = "table " + IdOf("data.mzk") + " ";
  const std::string m = "memo " + IdOf("data.edt") + " ";
  const std::string head = "matslip table pair 3\n";
  const std::vector<std::string> hostile = {
      "",
      "garbage",
      head + t + "data.mzk\n" + m + "data.edt",  // cut short
      "matslip table pair 2\n" + t + "data.mzk\n" + m + "data.edt\n",
      head + "table data.mzk\nmemo data.edt\n",  // no identities
      head + "table 1:x data.mzk\n" + m + "data.edt\n",
      head + "table 00000000000004d2 data.mzk\n" + m +
          "data.edt\n",  // not the file
      head + t + "other.mzk\n" + m + "data.edt\n",
      head + t + "data.mzk\n" + m + "other.edt\n",
      head + t + "data.mzk\n" + m + "../data.edt\n",
      head + t + "data.mzk\n" + m + "sub/data.edt\n",
      head + t + "data.mzk\nkeep " + IdOf("data.edt") + " data.edt\n",
      head + t + "data.mzk\n" + m + "data.edt\nmore\n",
      head + t + "data.mzk\0\n"s + m + "data.edt\n",
      JournalFor() + std::string(5000, '\n'),
  };
  for (const std::string& text : hostile) {
    WriteTemporaries(true, true);
    WriteJournal(text);
    EXPECT_EQ(Names(data_, true), kOld) << text;  // a reader ignores it
    EXPECT_TRUE(FileExists(data_ + ".pair"));
    EXPECT_EQ(Names(data_), kOld) << text;
    EXPECT_FALSE(FileExists(data_ + ".pair")) << text;
    ExpectOldPairUntouched();
  }
}

// Cut between the two renames (the new memo file in place, the table not
// yet), then the folder copied, as to another PC or after a remount: every
// file is another file there, and the journal still knows the new pair.
TEST_F(TablePairTest, InterruptedReplacementIsCompletedInACopyOfTheFolder) {
  WriteTemporaries(true, true);
  WriteJournal(JournalFor());
  ASSERT_TRUE(WriteTestFile(memo_, new_memo_));
  ASSERT_TRUE(WriteTestFile(PairTempPath(memo_), old_memo_));
  const std::string copy = dir_.File("copy");
  ASSERT_TRUE(CreateDirectory(copy));
  for (const std::string& name : FolderNames(dir_.path())) {
    if (name != "copy") {
      ASSERT_TRUE(CopyFile(dir_.File(name), copy + "/" + name)) << name;
    }
  }
  EXPECT_EQ(Names(copy + "/data.mzk"), kNew);
  EXPECT_EQ(CheckTable(copy + "/data.mzk"), std::vector<std::string>{});
}

TEST_F(TablePairTest, JournalNamingTheMemoFileInOtherCaseIsFollowed) {
  ASSERT_TRUE(RemoveFile(memo_));
  memo_ = dir_.File("DATA.EDT");
  ASSERT_TRUE(WriteTestFile(memo_, old_memo_));
  WriteTemporaries(true, true);
  WriteJournal(JournalFor("data.mzk", "memo", "DATA.EDT"));
  EXPECT_EQ(Names(data_), kNew);
  EXPECT_EQ(FolderNames(dir_.path()),
            (std::set<std::string>{"DATA.EDT", "data.mzk"}));
}

TEST_F(TablePairTest, NewTableCrashedBeforeItsRenameIsCompleted) {
  const std::string target = dir_.File("xdgj1.mzk");
  ASSERT_TRUE(WriteTestFile(PairTempPath(target), new_table_));
  ASSERT_TRUE(WriteTestFile(dir_.File("xdgj1.edt"), new_memo_));
  ASSERT_TRUE(WriteTestFile(target + ".pair",
                            JournalFor("xdgj1.mzk", "memo", "xdgj1.edt")));
  EXPECT_EQ(Names(target), kNew);
}

TEST_F(TablePairTest, TableWithoutMemoFieldsDropsTheOldMemoFile) {
  const Schema plain({{"品名", fmt::kText, 8, 0}});
  ASSERT_TRUE(testing::CreateTable(dir_.File("plain.mzk"), plain));
  const std::string plain_table = ReadTestFile(dir_.File("plain.mzk"));
  ASSERT_TRUE(WriteTestFile(PairTempPath(data_), plain_table));
  WriteJournal(JournalFor("data.mzk", "drop", "data.edt"));
  auto t = Table::Open(data_, OpenOptions{});
  ASSERT_TRUE(t);
  EXPECT_FALSE(t->schema().has_memo());
  EXPECT_FALSE(FileExists(memo_));
  EXPECT_EQ(ReadTestFile(data_), plain_table);
}

// Runs `replace_forever` in a child killed at a random moment, `kills`
// times (MATSLIP_PAIR_KILLS, default 120); after each kill the folder holds
// no table or memo file but those of the test, and `check_round` looks at
// the table. The child is given the round and a `step` to call with 'B'
// before each replacement and 'D' after it: it is killed after a replacement
// began, or in one round of four after one ended, so that finished
// replacements are seen however slow the machine is. How many children were
// killed mid-run.
int KillWhileReplacing(
    const std::string& dir,
    const std::function<void(int round, const std::function<void(char)>& step)>&
        replace_forever,
    const std::function<void(int round)>& check_round) {
  const char* env = std::getenv("MATSLIP_PAIR_KILLS");
  const int kills = env ? std::max(1, std::atoi(env)) : 120;
  const std::string report = dir + "/steps.txt";
  std::mt19937 rng(20261207);
  int killed_mid_run = 0;
  for (int round = 0; round < kills; ++round) {
    RemoveFile(report);
    const pid_t child = ::fork();
    if (child == 0) {
      const int fd =
          ::open(report.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      replace_forever(round, [fd](char tag) {
        if (::write(fd, &tag, 1) != 1) ::_exit(2);
      });
      ::_exit(1);
    }
    int status = 0;
    if (testing::KillDuringSteps(child, report, round, 4000, rng, &status))
      ++killed_mid_run;
    for (const std::string& name : FolderNames(dir)) {
      const bool table_or_memo =
          name.ends_with(".mzk") || name.ends_with(".edt");
      EXPECT_TRUE(!table_or_memo || name.starts_with("a.") ||
                  name.starts_with("b.") || name.starts_with("data."))
          << name;
    }
    check_round(round);
    if (::testing::Test::HasFatalFailure()) break;
  }
  EXPECT_GE(killed_mid_run, kills * 9 / 10);
  return killed_mid_run;
}

// A child replaces the table again and again with one of two tables (other
// record counts, other memo texts); after each kill the table opens with a
// memo file that belongs to it, old or new.
TEST_F(TablePairTest, WriterKilledAtRandomMomentsLeavesAPairThatBelongs) {
  const std::string a = dir_.File("a.mzk"), b = dir_.File("b.mzk");
  ASSERT_TRUE(Fill(a, "aa", 3, 1300));
  ASSERT_TRUE(Fill(b, "b", 6, 300));
  const std::vector<std::string> names_a = Names(a), names_b = Names(b);
  std::set<std::size_t> sizes_seen;
  int journals_found = 0;
  const int kills = KillWhileReplacing(
      dir_.path(),
      [&](int round, const std::function<void(char)>& step) {
        auto ta = Table::Open(a, OpenOptions{});
        auto tb = Table::Open(b, OpenOptions{});
        // Rounds that wait for a finished copy start with either table.
        for (int k = round / 4; ta && tb; ++k) {
          Table& from = k % 2 ? *ta : *tb;
          std::vector<int> all(static_cast<std::size_t>(from.RecordCount()));
          std::iota(all.begin(), all.end(), 0);
          step('B');
          if (!from.CopyRecordsTo(data_, all)) break;
          step('D');
        }
      },
      [&](int round) {
        if (FileExists(data_ + ".pair")) ++journals_found;
        const std::vector<std::string> names = Names(data_);
        ASSERT_TRUE(names == kOld || names == names_a || names == names_b)
            << "round " << round << ": " << names.size() << " records";
        sizes_seen.insert(names.size());
        ASSERT_EQ(CheckTable(data_), std::vector<std::string>{})
            << "round " << round;
      });
  EXPECT_EQ(sizes_seen.count(names_a.size()) + sizes_seen.count(names_b.size()),
            2u);
  std::printf("kills: %d, journals found after a kill: %d\n", kills,
              journals_found);
}

// The same with a record replaced by one of two backups in turn (memo texts
// of other lengths): the table always holds its three records, the middle
// one old or from either backup, every memo text its own, nothing leaked.
TEST_F(TablePairTest, RecordReplacementKilledAtRandomMomentsLeavesAPair) {
  ASSERT_TRUE(Fill(data_, "data", 3, 900));
  const std::string a = dir_.File("a.mzk"), b = dir_.File("b.mzk");
  ASSERT_TRUE(Fill(a, "aa", 1, 1700));
  ASSERT_TRUE(Fill(b, "b", 1, 200));
  std::set<std::string> middles_seen;
  KillWhileReplacing(
      dir_.path(),
      [&](int round, const std::function<void(char)>& step) {
        auto t = Table::Open(data_, OpenOptions{});
        auto ta = Table::Open(a, OpenOptions{});
        auto tb = Table::Open(b, OpenOptions{});
        // Rounds that wait for a finished replacement start with either
        // backup.
        for (int k = round / 4; t && ta && tb; ++k) {
          step('B');
          if (!t->ReplaceRecordWith(1, k % 2 ? *ta : *tb)) break;
          step('D');
        }
      },
      [&](int round) {
        const std::vector<std::string> names = Names(data_);
        ASSERT_EQ(names.size(), 3u) << "round " << round;
        EXPECT_EQ(names[0], "data1");
        EXPECT_EQ(names[2], "data3");
        middles_seen.insert(names[1]);
        ASSERT_EQ(CheckTable(data_), std::vector<std::string>{})
            << "round " << round;
      });
  EXPECT_EQ(middles_seen.count("aa1") + middles_seen.count("b1"), 2u);
}

}  // namespace
}  // namespace matslip
