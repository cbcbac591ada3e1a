#include "base/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::ReadTestFile;
using testing::TempDir;
using testing::WriteTestFile;

class FilesTest : public ::testing::Test {
 protected:
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
};

TEST_F(FilesTest, CreateDirectoryMakesParents) {
  const std::string deep = dir_.File("进库备份/a/b");
  EXPECT_TRUE(CreateDirectory(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(CreateDirectory(deep));  // existing is fine
  ASSERT_TRUE(WriteTestFile(dir_.File("file"), "x"));
  EXPECT_FALSE(CreateDirectory(dir_.File("file/sub")));
  EXPECT_FALSE(DirectoryExists(dir_.File("file")));
  EXPECT_TRUE(FileExists(dir_.File("file")));
  EXPECT_FALSE(FileExists(deep));
}

TEST_F(FilesTest, ReplaceWritesTheBytesAndLeavesNoTemporaryFile) {
  const std::string path = dir_.File("data.mzk");
  ASSERT_TRUE(WriteTestFile(path, "old"));
  const std::string bytes("new\0bytes\r\n", 11);
  ASSERT_TRUE(ReplaceFileAtomically(path, bytes));
  EXPECT_EQ(ReadTestFile(path), bytes);
  EXPECT_EQ(Entries(), std::vector<std::string>{"data.mzk"});
  std::string read;
  ASSERT_TRUE(ReadFile(path, &read));
  EXPECT_EQ(read, bytes);
}

TEST_F(FilesTest, FailedWriteKeepsTheOldFile) {
  // A file size limit makes the write of the temporary file fail, which
  // works for root too (unlike taking away permissions).
  const std::string path = dir_.File("data.mzk");
  ASSERT_TRUE(WriteTestFile(path, "old content"));
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const bool replaced = ReplaceFileAtomically(path, std::string(100000, 'x'));
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(replaced);
  EXPECT_EQ(ReadTestFile(path), "old content");
  EXPECT_EQ(Entries(), std::vector<std::string>{"data.mzk"});
}

TEST_F(FilesTest, ReplaceInReadOnlyFolderFailsAndKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
  const std::string path = dir_.File("data.mzk");
  ASSERT_TRUE(WriteTestFile(path, "old content"));
  ASSERT_EQ(chmod(dir_.path().c_str(), 0500), 0);
  EXPECT_FALSE(ReplaceFileAtomically(path, "new"));
  chmod(dir_.path().c_str(), 0700);
  EXPECT_EQ(ReadTestFile(path), "old content");
}

TEST_F(FilesTest, CopyReplacesTarget) {
  ASSERT_TRUE(WriteTestFile(dir_.File("a"), std::string(200000, 'a')));
  ASSERT_TRUE(WriteTestFile(dir_.File("b"), "b"));
  EXPECT_TRUE(CopyFile(dir_.File("a"), dir_.File("b")));
  EXPECT_EQ(ReadTestFile(dir_.File("b")), std::string(200000, 'a'));
  EXPECT_FALSE(CopyFile(dir_.File("missing"), dir_.File("b")));
  EXPECT_FALSE(CopyFile(dir_.path(), dir_.File("c")));  // a folder
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(FilesTest, MoveRenamesWithinAFolder) {
  ASSERT_TRUE(WriteTestFile(dir_.File("a"), "A"));
  ASSERT_TRUE(WriteTestFile(dir_.File("b"), "B"));
  EXPECT_TRUE(MoveFile(dir_.File("a"), dir_.File("b")));
  EXPECT_EQ(Entries(), std::vector<std::string>{"b"});
  EXPECT_EQ(ReadTestFile(dir_.File("b")), "A");
  EXPECT_FALSE(MoveFile(dir_.File("a"), dir_.File("c")));
}

TEST_F(FilesTest, MoveCopiesWhenRenameCannotCrossFileSystems) {
  struct stat here, shm;
  if (stat(dir_.path().c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 ||
      here.st_dev == shm.st_dev || access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  const std::string shm_path =
      "/dev/shm/matslip-move-" + std::to_string(getpid());
  ASSERT_TRUE(WriteTestFile(shm_path, "moved"));
  ASSERT_TRUE(WriteTestFile(dir_.File("target"), "old"));
  const bool moved = MoveFile(shm_path, dir_.File("target"));
  const bool source_left = access(shm_path.c_str(), F_OK) == 0;
  unlink(shm_path.c_str());
  EXPECT_TRUE(moved);
  EXPECT_FALSE(source_left);
  EXPECT_EQ(ReadTestFile(dir_.File("target")), "moved");
}

TEST_F(FilesTest, RemoveAndModifiedTime) {
  const std::string path = dir_.File("x");
  EXPECT_EQ(FileModifiedTime(path), -1);
  EXPECT_TRUE(RemoveFile(path));  // missing is fine
  ASSERT_TRUE(WriteTestFile(path, "x"));
  const long long now = time(nullptr);
  EXPECT_NEAR(static_cast<double>(FileModifiedTime(path)), now, 5);
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(FileExists(path));
  std::string bytes = "stale";
  EXPECT_FALSE(ReadFile(path, &bytes));
  EXPECT_FALSE(RemoveFile(dir_.path()));  // not a file
}

TEST_F(FilesTest, SyncReportsMissingFiles) {
  ASSERT_TRUE(WriteTestFile(dir_.File("x"), "x"));
  EXPECT_TRUE(SyncFile(dir_.File("x")));
  EXPECT_TRUE(SyncDirectoryOf(dir_.File("x")));
  EXPECT_FALSE(SyncFile(dir_.File("y")));
  EXPECT_FALSE(SyncDirectoryOf(dir_.File("no/y")));
}

TEST_F(FilesTest, ExistingPathIgnoringCaseFindsTheFileInOtherCase) {
  ASSERT_TRUE(WriteTestFile(dir_.File("DATA.MZK"), "x"));
  ASSERT_TRUE(CreateDirectory(dir_.File("进库备份")));
  EXPECT_EQ(ExistingPathIgnoringCase(dir_.File("data.mzk")),
            dir_.File("DATA.MZK"));
  EXPECT_EQ(ExistingPathIgnoringCase(dir_.File("Data.Mzk")),
            dir_.File("DATA.MZK"));
  EXPECT_EQ(ExistingPathIgnoringCase(dir_.File("进库备份")),
            dir_.File("进库备份"));
  // Not there in any case: the name asked for, as it is.
  EXPECT_EQ(ExistingPathIgnoringCase(dir_.File("config.ini")),
            dir_.File("config.ini"));
  EXPECT_EQ(ExistingPathIgnoringCase(dir_.File("nowhere/data.mzk")),
            dir_.File("nowhere/data.mzk"));
}

TEST_F(FilesTest, ExistingPathIgnoringCasePrefersTheExactName) {
  ASSERT_TRUE(WriteTestFile(dir_.File("data.mzk"), "lower"));
  ASSERT_TRUE(WriteTestFile(dir_.File("DATA.MZK"), "upper"));
  ASSERT_TRUE(WriteTestFile(dir_.File("Data.mzk"), "mixed"));
  EXPECT_EQ(ExistingPathIgnoringCase(dir_.File("data.mzk")),
            dir_.File("data.mzk"));
  // Several others: the first in byte order, every time.
  EXPECT_EQ(ExistingPathIgnoringCase(dir_.File("dATA.mzk")),
            dir_.File("DATA.MZK"));
}

}  // namespace
}  // namespace matslip
