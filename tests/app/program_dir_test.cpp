// The program directory given as the program's argument.
#include "app/program_dir.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace matslip
