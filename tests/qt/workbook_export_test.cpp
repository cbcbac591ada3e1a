// "&W.转为电子表格" in the workbook window: enabled on a result, it writes
// qd.mzk (not the cells shown) to the numbered file; disabled for good
// once a grid file was opened.
#include <gtest/gtest.h>

#include <QAction>

#include "app/session.h"
#include "app/workbook_window.h"
#include "base/files.h"
#include "base/gbk.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/format.h"
#include "store/table.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "workbook/spreadsheet_export.h"

namespace matslip {
namespace {

class WorkbookExportTest : public ::testing::Test {
 protected:
  WorkbookExportTest() {
    SetDurableWrites(false);
    session_.program_dir = dir_.path();
    auto table = Table::Create(
        dir_.File("qd.mzk"),
        Schema({{"品名", fmt::kText, 16}, {"本月出库金额", fmt::kDouble}}));
    EXPECT_TRUE(table && table->Append({"钢芯铝绞线", 31520.0}));
  }
  ~WorkbookExportTest() override { DbCloseAll(); }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
};

TEST_F(WorkbookExportTest, TheItemExportsTheResultTableNotTheCellsShown) {
  WorkbookWindow window(&session_, &dialogs_, nullptr);
  ASSERT_TRUE(window.export_action()->isEnabled());
  EXPECT_EQ(window.export_action()->text(), QString("&W.转为电子表格"));
  // An edit in the window is not what the export writes.
  window.table().SetCellText(2, 1, "改过的");
  dialogs_.inputs.push_back({true, "电子表格"});
  window.export_action()->trigger();
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kExportDone});
  std::string bytes, gbk;
  ASSERT_TRUE(ReadFile(dir_.File("电子表格1.xls"), &bytes));
  ASSERT_TRUE(Utf8ToGbk("钢芯铝绞线", &gbk));
  EXPECT_NE(bytes.find(">" + gbk + "</td>"), std::string::npos);
  ASSERT_TRUE(Utf8ToGbk("改过的", &gbk));
  EXPECT_EQ(bytes.find(gbk), std::string::npos);
}

TEST_F(WorkbookExportTest, OpeningAGridFileDisablesTheItem) {
  WorkbookWindow window(&session_, &dialogs_, nullptr);
  auto item = [&](const char* caption) -> QAction* {
    for (QAction* action : window.findChildren<QAction*>())
      if (action->text() == QString::fromUtf8(caption)) return action;
    ADD_FAILURE() << caption;
    return nullptr;
  };
  const std::string grid_file = dir_.File("表.grd");
  dialogs_.files.push_back({true, grid_file});
  item("&A.另存为表格")->trigger();
  ASSERT_TRUE(FileExists(grid_file));
  EXPECT_TRUE(window.export_action()->isEnabled());
  dialogs_.files.push_back({true, grid_file});
  item("&O.打开表格")->trigger();
  ASSERT_TRUE(window.opened_grid_file());
  EXPECT_FALSE(window.export_action()->isEnabled());
}

}  // namespace
}  // namespace matslip
