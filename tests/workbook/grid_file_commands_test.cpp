// The workbook's 打开表格 and 另存为表格: captions from paths, the proposed
// save name, the dialogs, and what a failed open or save leaves.
#include "workbook/grid_file_commands.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "base/gbk.h"
#include "grid/data_src.h"
#include "grid/grid_file.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

constexpr Colour kRed = 255;

class GridFileCommandsTest : public ::testing::Test {
 protected:
  GridFileCommandsTest() {
    table_.SetTableSize(3, 2);
    table_.SetCellText(1, 1, "品名");
    table_.SetCellText(2, 1, "线");
    table_.SetCellText(3, 2, "12.5");
    table_.SetTextColour({1, 1, 3, 2}, kRed);
  }

  // A saved table of 2 x 1 cells in red, different from table_.
  std::string OtherGridFile() {
    DataSrc other;
    other.SetTableSize(2, 1);
    other.SetCellText(2, 1, "另一个");
    other.SetTextColour({1, 1, 2, 1}, kRed);
    const std::string path = dir_.File("月报.grd");
    EXPECT_TRUE(SaveToFile(other, path));
    return path;
  }
  void ExpectTableUnchangedButRowsTwoOnBlack() {
    ASSERT_EQ(table_.GetRowCount(), 3);
    ASSERT_EQ(table_.GetColumnCount(), 2);
    EXPECT_EQ(table_.GetCellText(2, 1), "线");
    EXPECT_EQ(table_.GetCellText(3, 2), "12.5");
    EXPECT_EQ(table_.GetCellFormat(1, 1).text_colour, kRed);
    EXPECT_EQ(table_.GetCellFormat(2, 1).text_colour, kBlack);
    EXPECT_EQ(table_.GetCellFormat(3, 2).text_colour, kBlack);
  }

  testing::TempDir dir_;
  testing::FakeDialogs dialogs_;
  DataSrc table_;
  std::string path_;
  std::string caption_ = "表格";
};

TEST_F(GridFileCommandsTest, CaptionIsTheFileNameWithoutAnyGrdInIt) {
  EXPECT_EQ(CaptionFromPath("/home/库房/月报.grd"), "月报");
  EXPECT_EQ(CaptionFromPath("C:\\报表\\月报.grd"), "月报");
  EXPECT_EQ(CaptionFromPath("月报.grd"), "月报");
  EXPECT_EQ(CaptionFromPath("/a/x.grd.bak.grd"), "x.bak");
  EXPECT_EQ(CaptionFromPath("/a/年报.GRD"), "年报.GRD");  // case-sensitive
  EXPECT_EQ(CaptionFromPath("/a/b\\c.grd"), "c");
}

TEST_F(GridFileCommandsTest, ProposedNameIsTheLastEightGbkBytesInWholeChars) {
  EXPECT_EQ(ProposedSaveName("表格"), "表格");
  EXPECT_EQ(ProposedSaveName("abcdefghij"), "cdefghij");
  EXPECT_EQ(ProposedSaveName("十二月出库月报"), "出库月报");
  // 9 GBK bytes: the 8-byte tail would begin with the second half of 月.
  EXPECT_EQ(ProposedSaveName("月报表格x"), "报表格x");
  EXPECT_EQ(ProposedSaveName("a1月报表格"), "月报表格");
  EXPECT_EQ(ProposedSaveName(""), "");
  for (const char* caption : {"月报表格x", "ab月c报d表e格", "x表格表格表"})
    EXPECT_LE(GbkLength(ProposedSaveName(caption)), 8u) << caption;
}

TEST_F(GridFileCommandsTest, ThePlaceholderNameBecomesTheMeterList) {
  EXPECT_EQ(ProposedSaveName("中------"), "抄表清单");
  EXPECT_EQ(ProposedSaveName("报表中------"), "抄表清单");
  EXPECT_EQ(ProposedSaveName("中-----"), "中-----");
}

TEST_F(GridFileCommandsTest, OpenAsksInTheProgramFolderForGridFiles) {
  dialogs_.files.push_back({false, ""});
  EXPECT_EQ(OpenGridFile(dialogs_, dir_.path(), &table_, &path_, &caption_),
            GridFileOpen::kCancelled);
  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  const FileDialogRequest& request = dialogs_.file_requests[0];
  EXPECT_FALSE(request.save);
  EXPECT_EQ(request.filter, "表格文件(*.grd)|*.grd");
  EXPECT_EQ(request.default_suffix, "grd");
  EXPECT_EQ(request.directory, dir_.path());
  // Cancelled: nothing changed, not even the colours.
  EXPECT_EQ(caption_, "表格");
  EXPECT_EQ(table_.GetCellFormat(2, 1).text_colour, kRed);
}

TEST_F(GridFileCommandsTest, OpenLoadsTheFileTurnsRowsTwoOnBlackAndNamesIt) {
  dialogs_.files.push_back({true, OtherGridFile()});
  EXPECT_EQ(OpenGridFile(dialogs_, dir_.path(), &table_, &path_, &caption_),
            GridFileOpen::kLoaded);
  EXPECT_EQ(caption_, "月报");
  EXPECT_EQ(path_, dir_.File("月报.grd"));
  ASSERT_EQ(table_.GetRowCount(), 2);
  EXPECT_EQ(table_.GetColumnCount(), 1);
  EXPECT_EQ(table_.GetCellText(2, 1), "另一个");
  EXPECT_EQ(table_.GetCellFormat(1, 1).text_colour, kRed);
  EXPECT_EQ(table_.GetCellFormat(2, 1).text_colour, kBlack);
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(GridFileCommandsTest, ARandomFileLeavesTheTableButSetsCaptionAndBlack) {
  const std::string path = dir_.File("乱码.grd");
  std::string bytes;
  for (int i = 0; i < 4096; ++i)
    bytes.push_back(static_cast<char>(i * 37 + 11));
  ASSERT_TRUE(testing::WriteTestFile(path, bytes));
  dialogs_.files.push_back({true, path});
  EXPECT_EQ(OpenGridFile(dialogs_, dir_.path(), &table_, &path_, &caption_),
            GridFileOpen::kFailed);
  EXPECT_EQ(caption_, "乱码");
  ExpectTableUnchangedButRowsTwoOnBlack();
  EXPECT_TRUE(dialogs_.Messages().empty());  // a failed open says nothing
}

TEST_F(GridFileCommandsTest, EveryTruncationOfAGridFileLeavesTheTable) {
  const std::string whole = testing::ReadTestFile(OtherGridFile());
  const std::string path = dir_.File("截断.grd");
  for (std::size_t size = 0; size < whole.size(); ++size) {
    ASSERT_TRUE(testing::WriteTestFile(path, whole.substr(0, size)));
    dialogs_.files.push_back({true, path});
    ASSERT_EQ(OpenGridFile(dialogs_, dir_.path(), &table_, &path_, &caption_),
              GridFileOpen::kFailed)
        << size;
    ExpectTableUnchangedButRowsTwoOnBlack();
  }
}

TEST_F(GridFileCommandsTest, AMissingFileFailsLikeABadOne) {
  dialogs_.files.push_back({true, dir_.File("没有.grd")});
  EXPECT_EQ(OpenGridFile(dialogs_, dir_.path(), &table_, &path_, &caption_),
            GridFileOpen::kFailed);
  EXPECT_EQ(caption_, "没有");
  ExpectTableUnchangedButRowsTwoOnBlack();
}

TEST_F(GridFileCommandsTest, SaveProposesTheCaptionsTailInTheProgramFolder) {
  std::string path;
  dialogs_.files.push_back({true, dir_.File("表格.grd")});
  EXPECT_TRUE(SaveGridFile(dialogs_, dir_.path(), table_, "表格", &path));
  EXPECT_EQ(path, dir_.File("表格.grd"));
  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  const FileDialogRequest& request = dialogs_.file_requests[0];
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.title, "请输入欲另存到的表格文件名：");
  EXPECT_EQ(request.file_name, "表格");
  EXPECT_EQ(request.filter, "表格文件(*.grd)|*.grd");
  EXPECT_EQ(request.default_suffix, "grd");
  EXPECT_EQ(request.directory, dir_.path());
  DataSrc back;
  ASSERT_TRUE(LoadFromFile(&back, path));
  EXPECT_EQ(back.GetCellText(3, 2), "12.5");
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(GridFileCommandsTest, AnEmptyNameAsksOnceMoreWithTheSecondTitle) {
  std::string path;
  dialogs_.files.push_back({true, ""});
  dialogs_.files.push_back({true, dir_.File("第二次.grd")});
  EXPECT_TRUE(SaveGridFile(dialogs_, dir_.path(), table_, "表格", &path));
  ASSERT_EQ(dialogs_.file_requests.size(), 2u);
  EXPECT_EQ(dialogs_.file_requests[1].title, "请输入欲保存到的表格文件名：");
  EXPECT_TRUE(dialogs_.file_requests[1].save);
  EXPECT_TRUE(FileExists(dir_.File("第二次.grd")));
}

TEST_F(GridFileCommandsTest, CancellingEitherDialogSavesNothing) {
  std::string path;
  dialogs_.files.push_back({false, ""});
  EXPECT_FALSE(SaveGridFile(dialogs_, dir_.path(), table_, "表格", &path));
  dialogs_.files.push_back({true, ""});
  dialogs_.files.push_back({false, ""});
  EXPECT_FALSE(SaveGridFile(dialogs_, dir_.path(), table_, "表格", &path));
  EXPECT_EQ(dialogs_.file_requests.size(), 3u);
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(GridFileCommandsTest, AFailedSaveSaysSoWithTheErrorIcon) {
  // Tests run as root: a folder that cannot be created stands in for a
  // read-only one.
  ASSERT_TRUE(testing::WriteTestFile(dir_.File("文件"), "x"));
  std::string path;
  dialogs_.files.push_back({true, dir_.File("文件/表格.grd")});
  EXPECT_FALSE(SaveGridFile(dialogs_, dir_.path(), table_, "表格", &path));
  ASSERT_EQ(dialogs_.shown.size(), 2u);
  EXPECT_EQ(dialogs_.shown[1].kind, "message");
  EXPECT_EQ(dialogs_.shown[1].text, "保存文件失败！");
  EXPECT_EQ(dialogs_.shown[1].caption, "错误");
  EXPECT_EQ(dialogs_.icons, std::vector<MessageIcon>{MessageIcon::kError});
}

}  // namespace
}  // namespace matslip
