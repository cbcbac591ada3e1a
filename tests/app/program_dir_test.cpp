// The program directory: the folder given as the program's argument, its
// own folder, or the user's data folder when it is installed.
#include "app/program_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "base/files.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

class ProgramDirectoryTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
};

TEST_F(ProgramDirectoryTest, AFolderIsAccepted) {
  EXPECT_EQ(ProgramDirectoryProblem(dir_.path()), "");
}

TEST_F(ProgramDirectoryTest, AMissingFolderIsRefusedWithItsName) {
  EXPECT_EQ(ProgramDirectoryProblem(dir_.File("仓库")),
            "数据文件夹不存在：\n" + dir_.File("仓库") +
                "\n\n请在启动程序时给出 data.mzk 所在的文件夹。");
}

TEST_F(ProgramDirectoryTest, AFileWhereTheFolderBelongsIsRefused) {
  ASSERT_TRUE(testing::WriteTestFile(dir_.File("data.mzk"), "x"));
  EXPECT_EQ(ProgramDirectoryProblem(dir_.File("data.mzk")),
            "给出的不是文件夹，而是一个文件：\n" + dir_.File("data.mzk") +
                "\n\n请在启动程序时给出 data.mzk 所在的文件夹。");
}

TEST_F(ProgramDirectoryTest, InstalledWithoutAFolderTheUsersDataFolderIsMade) {
  const char* args[] = {"matslip", nullptr};
  const char* with_folder[] = {"matslip", "/srv/仓库/", nullptr};
  const std::string build = dir_.File("build");
  const std::string installed = dir_.File("usr/bin");
  ASSERT_TRUE(CreateDirectory(build) && CreateDirectory(installed));
  setenv("XDG_DATA_HOME", dir_.File("data").c_str(), 1);
  EXPECT_EQ(ProgramDirectory(2, with_folder, installed), "/srv/仓库");
  EXPECT_EQ(ProgramDirectory(1, args, build), build);
  EXPECT_FALSE(DirectoryExists(dir_.File("data/matslip")));
  EXPECT_EQ(ProgramDirectory(1, args, installed), dir_.File("data/matslip"));
  EXPECT_TRUE(DirectoryExists(dir_.File("data/matslip")));
  // Without XDG_DATA_HOME (or with a relative one) the default under HOME.
  const char* home = getenv("HOME");
  const std::string saved_home = home != nullptr ? home : "";
  setenv("HOME", dir_.File("home").c_str(), 1);
  setenv("XDG_DATA_HOME", "data", 1);
  EXPECT_EQ(ProgramDirectory(1, args, installed),
            dir_.File("home/.local/share/matslip"));
  EXPECT_TRUE(DirectoryExists(dir_.File("home/.local/share/matslip")));
  setenv("HOME", saved_home.c_str(), 1);
  unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace matslip
