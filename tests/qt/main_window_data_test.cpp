// The main window on tables it cannot simply read: damaged, replaced on disk,
// missing, in other letter case. The user is told once what is wrong.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>

#include "app/main_window.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/table.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::ReadTestFile;
using testing::WriteTestFile;

constexpr char kAdvice[] =
    "材料列表无法显示（这不表示仓库里没有材料）。\n"
    "请用 matslip-db check 检查这个文件，或从备份恢复 data.mzk 和 data.edt。";

class MainWindowDataTest : public ::testing::Test {
 protected:
  MainWindowDataTest() {
    DbCloseAll();
    SetDurableWrites(false);
    SetClock(CivilToDate({2026, 12, 7, 9, 5, 7}));
    session_.program_dir = dir_.path();
    WriteMaterials(dir_.File("data.mzk"), {"钢芯铝绞线", "悬式绝缘子"});
    table_bytes_ = ReadTestFile(dir_.File("data.mzk"));
    memo_bytes_ = ReadTestFile(dir_.File("data.edt"));
  }
  ~MainWindowDataTest() override {
    DbCloseAll();
    ResetClock();
  }

  static void WriteMaterials(const std::string& path,
                             const std::vector<std::string>& names) {
    auto table = Table::Create(path, Schema(material::Fields()));
    ASSERT_TRUE(table);
    for (const std::string& name : names) {
      std::vector<Value> v(material::kFieldCount);
      v[material::kName - 1] = name;
      v[material::kQuantity - 1] = 100.0;
      ASSERT_TRUE(table->Append(v));
      ASSERT_TRUE(
          table->AppendMemo(material::kInLog - 1, Value::Text("进库 100")));
    }
  }
  // The 品名 column of the list, header row left out.
  static std::vector<std::string> Names(MainWindow& window) {
    std::vector<std::string> names;
    for (int r = 2; r <= window.stock_list().GetRowCount(); ++r)
      names.push_back(window.stock_list().GetCellText(r, 1));
    return names;
  }
  static bool IsRoot() { return ::geteuid() == 0; }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
  std::string table_bytes_, memo_bytes_;
};

TEST_F(MainWindowDataTest, SoundTableIsListedWithoutAMessage) {
  MainWindow window(&session_, &dialogs_);
  EXPECT_EQ(Names(window),
            (std::vector<std::string>{"钢芯铝绞线", "悬式绝缘子"}));
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(MainWindowDataTest, DamagedTableIsRepairedAndTheCopyIsTold) {
  const std::int64_t record = Schema(material::Fields()).record_length();
  const std::string cut = table_bytes_.substr(0, 1772 + record + 100);
  ASSERT_TRUE(WriteTestFile(dir_.File("data.mzk"), cut));

  MainWindow window(&session_, &dialogs_);
  const std::string copy = dir_.File("data-damaged-20261207-090507");
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text,
            "材料数据表已损坏，程序已将其修复：\n" + dir_.File("data.mzk") +
                "\n丢失了 1 条材料记录。\n修复前的原文件已另存为：\n" + copy +
                ".mzk\n" + copy + ".edt\n请核对库存；必要时从备份恢复。");
  EXPECT_EQ(dialogs_.shown[0].caption, "信息：");
  EXPECT_EQ(Names(window), std::vector<std::string>{"钢芯铝绞线"});
  EXPECT_EQ(ReadTestFile(copy + ".mzk"), cut);
  EXPECT_EQ(ReadTestFile(copy + ".edt"), memo_bytes_);
  // Told once: the next build finds a sound table.
  window.Refresh();
  EXPECT_EQ(dialogs_.shown.size(), 1u);
}

TEST_F(MainWindowDataTest, EmptyTableFileIsToldAsDamaged) {
  ASSERT_TRUE(WriteTestFile(dir_.File("data.mzk"), ""));
  MainWindow window(&session_, &dialogs_);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "材料数据表已损坏，无法读取：\n" + dir_.File("data.mzk") +
                "\n（file shorter than its header）\n" + kAdvice});
  EXPECT_TRUE(Names(window).empty());
  EXPECT_EQ(ReadTestFile(dir_.File("data.mzk")), "");
}

TEST_F(MainWindowDataTest, MissingMemoFileIsToldByItsName) {
  ASSERT_TRUE(RemoveFile(dir_.File("data.edt")));
  MainWindow window(&session_, &dialogs_);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "材料数据表的记录文件缺失或已损坏：\n" + dir_.File("data.edt") +
                "\n（memo file cannot be opened）\n" + kAdvice});
  EXPECT_TRUE(Names(window).empty());
}

TEST_F(MainWindowDataTest, BadMemoFileIsToldByItsName) {
  ASSERT_TRUE(WriteTestFile(dir_.File("data.edt"), std::string(512, 'x')));
  MainWindow window(&session_, &dialogs_);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{"材料数据表的记录文件缺失或已损坏：\n" +
                                     dir_.File("data.edt") +
                                     "\n（bad memo magic）\n" + kAdvice});
  EXPECT_TRUE(Names(window).empty());
}

TEST_F(MainWindowDataTest, MemoFileWithoutItsTableIsKeptAndTheTableMissed) {
  ASSERT_TRUE(RemoveFile(dir_.File("data.mzk")));
  ASSERT_TRUE(material::EnsureTable(
                  ProgramFilePath(dir_.path(), kMaterialFile)) == false);
  MainWindow window(&session_, &dialogs_);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "找不到材料数据表 data.mzk，但文件夹中有它的记录文件：\n" +
                dir_.File("data.edt") +
                "\n这可能是没有复制完整的安装。程序没有改动这个文件，"
                "也没有新建数据表。\n"
                "请把原来的 data.mzk 复制到这个文件夹中，然后刷新显示。"});
  EXPECT_EQ(ReadTestFile(dir_.File("data.edt")), memo_bytes_);
  EXPECT_FALSE(FileExists(dir_.File("data.mzk")));
}

TEST_F(MainWindowDataTest, FolderThatIsGoneIsTold) {
  session_.program_dir = dir_.File("gone");
  MainWindow window(&session_, &dialogs_);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "数据文件夹不存在：\n" + dir_.File("gone") +
                "\n材料列表无法显示（这不表示仓库里没有材料）。\n"});
}

TEST_F(MainWindowDataTest, ReadOnlyTableIsListedAndToldThatBookingsFail) {
  if (IsRoot()) GTEST_SKIP() << "root may write a read-only file";
  ASSERT_EQ(::chmod(dir_.File("data.mzk").c_str(), 0444), 0);
  MainWindow window(&session_, &dialogs_);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "材料数据表是只读的：\n" + dir_.File("data.mzk") +
                "\n列表照常显示，但进库、出库等改动都无法保存。"
                "请检查这个文件和它所在文件夹的写权限。"});
  EXPECT_EQ(Names(window).size(), 2u);
}

TEST_F(MainWindowDataTest, ReadOnlyFolderIsTold) {
  if (IsRoot()) GTEST_SKIP() << "root may write a read-only folder";
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0555), 0);
  MainWindow window(&session_, &dialogs_);
  ::chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "无法在数据文件夹中写入列表文件 data2.mzk：\n" + dir_.path() +
                "\n文件夹只读或磁盘已满：材料列表无法显示，"
                "备份和取消进出库也无法进行。"
                "请检查这个文件夹的写权限和剩余空间。"});
}

TEST_F(MainWindowDataTest, FailureIsShownOnceUntilTheStateChanges) {
  ASSERT_TRUE(WriteTestFile(dir_.File("data.mzk"), ""));
  MainWindow window(&session_, &dialogs_);
  window.Refresh();
  window.Refresh();
  EXPECT_EQ(dialogs_.shown.size(), 1u);
  // Put right: listed, nothing more to say.
  ASSERT_TRUE(WriteTestFile(dir_.File("data.mzk"), table_bytes_));
  window.Refresh();
  EXPECT_EQ(Names(window).size(), 2u);
  EXPECT_EQ(dialogs_.shown.size(), 1u);
  // Broken again (a bad file put in its place): told again.
  ASSERT_TRUE(WriteTestFile(dir_.File("bad.mzk"), ""));
  ASSERT_TRUE(MoveFile(dir_.File("bad.mzk"), dir_.File("data.mzk")));
  window.Refresh();
  EXPECT_EQ(dialogs_.shown.size(), 2u);
}

TEST_F(MainWindowDataTest, TableReplacedOnDiskIsShownAfterAnActivation) {
  MainWindow window(&session_, &dialogs_);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_EQ(Names(window).size(), 2u);
  WriteMaterials(dir_.File("next.mzk"), {"新材料"});
  ASSERT_TRUE(MoveFile(dir_.File("next.edt"), dir_.File("data.edt")));
  ASSERT_TRUE(MoveFile(dir_.File("next.mzk"), dir_.File("data.mzk")));

  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  QApplication::setActiveWindow(&window);
  EXPECT_EQ(Names(window), std::vector<std::string>{"新材料"});
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(MainWindowDataTest, InstallationInUpperCaseIsListed) {
  ASSERT_TRUE(MoveFile(dir_.File("data.mzk"), dir_.File("DATA.MZK")));
  ASSERT_TRUE(MoveFile(dir_.File("data.edt"), dir_.File("DATA.EDT")));
  ASSERT_TRUE(
      material::EnsureTable(ProgramFilePath(dir_.path(), kMaterialFile)));
  MainWindow window(&session_, &dialogs_);
  EXPECT_EQ(Names(window),
            (std::vector<std::string>{"钢芯铝绞线", "悬式绝缘子"}));
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_FALSE(FileExists(dir_.File("data.mzk")));
  EXPECT_FALSE(FileExists(dir_.File("data.edt")));
}

}  // namespace
}  // namespace matslip
