// The export's progress dialog: it counts the records written, its cancel
// button stops the export without leaving a file, and the user interface
// gets its events between two blocks of rows.
#include "workbook/export_progress_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "base/files.h"
#include "store/durability.h"
#include "store/format.h"
#include "store/table.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

constexpr int kRows = kExportBlockRows * 3 + 10;

class ExportProgressDialogTest : public ::testing::Test {
 protected:
  ExportProgressDialogTest() {
    SetDurableWrites(false);
    auto table = Table::Create(table_path_, Schema({{"品名", fmt::kText, 16},
                                                    {"数量", fmt::kDouble}}));
    for (int i = 0; table && i < kRows; ++i)
      EXPECT_TRUE(table->Append({"料" + std::to_string(i), double(i)}));
  }

  testing::TempDir dir_;
  const std::string table_path_ = dir_.File("qd.mzk");
  const std::string out_ = dir_.File("电子表格1.xls");
  QWidget window_;
};

TEST_F(ExportProgressDialogTest, CountsTheRecordsWrittenOfTheTotal) {
  ExportProgressDialog progress(&window_);
  std::vector<int> values;
  const ExportProgress shown = progress.Callback();
  ASSERT_EQ(ExportSpreadsheet(table_path_, out_,
                              [&](int done, int total) {
                                const bool go_on = shown(done, total);
                                values.push_back(progress.dialog()->value());
                                EXPECT_EQ(progress.dialog()->maximum(), kRows);
                                return go_on;
                              }),
            ExportOutcome::kWritten);
  EXPECT_EQ(progress.dialog()->labelText(), QString("正在转换电子表格……"));
  EXPECT_EQ(progress.dialog()->windowModality(), Qt::WindowModal);
  EXPECT_EQ(values, (std::vector<int>{0, kExportBlockRows, 2 * kExportBlockRows,
                                      3 * kExportBlockRows, kRows}));
}

TEST_F(ExportProgressDialogTest, TheCancelButtonStopsTheExportWithoutAFile) {
  ExportProgressDialog progress(&window_);
  const ExportProgress shown = progress.Callback();
  int calls = 0;
  EXPECT_EQ(ExportSpreadsheet(
                table_path_, out_,
                [&](int done, int total) {
                  // The user presses 取消 while the second
                  // block is written.
                  if (++calls == 2) {
                    auto* cancel = progress.dialog()->findChild<QPushButton*>();
                    EXPECT_NE(cancel, nullptr);
                    if (cancel) {
                      EXPECT_EQ(cancel->text(), QString("取消"));
                      cancel->click();
                    }
                  }
                  return shown(done, total);
                }),
            ExportOutcome::kCancelled);
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(FileExists(out_));
}

TEST_F(ExportProgressDialogTest, EventsAreHandledBetweenBlocksOfRows) {
  ExportProgressDialog progress(&window_);
  const ExportProgress shown = progress.Callback();
  // Work the user interface has waiting when the export starts.
  int handled = 0;
  QTimer::singleShot(0, &window_, [&] { ++handled; });
  std::vector<int> handled_at;
  ASSERT_EQ(ExportSpreadsheet(table_path_, out_,
                              [&](int done, int total) {
                                handled_at.push_back(handled);
                                return shown(done, total);
                              }),
            ExportOutcome::kWritten);
  // Not before the export starts, but by the time the first block is
  // written: not only once the whole export is done.
  ASSERT_GE(handled_at.size(), 2u);
  EXPECT_EQ(handled_at[0], 0);
  EXPECT_EQ(handled_at[1], 1);
}

TEST_F(ExportProgressDialogTest, TheCommandExportsQdToTheNamedFileAndSaysSo) {
  testing::FakeDialogs dialogs;
  dialogs.inputs.push_back({true, "月报"});
  // No progress box (nor its timer that shows it) while the name is asked.
  dialogs.on_shown = [&](const testing::FakeDialogs::Shown& box) {
    if (box.kind == "input") {
      EXPECT_TRUE(window_.findChildren<QProgressDialog*>().isEmpty());
    }
  };
  EXPECT_EQ(ExportReportSpreadsheet(dir_.path(), dialogs, &window_),
            ExportOutcome::kWritten);
  EXPECT_EQ(dialogs.Messages(), std::vector<std::string>{"已转换电子表格"});
  std::string bytes;
  ASSERT_TRUE(ReadFile(dir_.File("月报1.xls"), &bytes));
  EXPECT_NE(bytes.find("x:num>" + std::to_string(kRows - 1) + "</td>"),
            std::string::npos);
}

}  // namespace
}  // namespace matslip
