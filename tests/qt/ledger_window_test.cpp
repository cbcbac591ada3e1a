// The ledger text window and the main window's 进出库簿 and 统计 commands
// on the offscreen platform, over a material table built by real bookings.
#include "app/ledger_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QScrollBar>
#include <QTimer>

#include "app/main_window.h"
#include "app/workbook_window.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "material/stock_in.h"
#include "reports/ledger.h"
#include "reports/period_report.h"
#include "stock/stock_out.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

const MaterialKey kWire{"钢芯铝绞线", "LGJ-95/20"};
const MaterialKey kInsulator{"悬式绝缘子", "XP-70"};
const double kToday = CivilToDate({2026, 12, 7, 9, 5, 7});

// What a command opened as its modal window, seen from inside its event
// loop, before the window is closed again.
struct Opened {
  bool any = false;
  bool ledger = false;
  bool workbook = false;
  bool parentless = false;
  QString text;  // the ledger's text box
  int rows = 0;  // the workbook's table rows
};

class LedgerWindowTest : public ::testing::Test {
 protected:
  LedgerWindowTest() {
    DbCloseAll();
    SetDurableWrites(false);
    session_.program_dir = dir_.path();
    EXPECT_TRUE(material::CreateEmptyTable(dir_.File(kMaterialFile)));
    EXPECT_TRUE(DbOpen(dir_.File(kMaterialFile), kMaterialAlias));
    SetClock(kToday);
    for (const MaterialKey& key : {kWire, kInsulator}) {
      const StockInForm form{key.name, key.model, "米", "12.5",
                             "100",    "1250",    "0"};
      EXPECT_TRUE(
          BookStockIn(dir_.File(kStockInBackupFolder), form, Now()).booked);
    }
    EXPECT_EQ(BookStockOut(dir_.path(),
                           {{{kWire, "10", "125"}}, "检修班", "张三"}, Now()),
              1);
  }
  ~LedgerWindowTest() override {
    DbCloseAll();
    ResetClock();
  }

  // Triggers `action` and records the modal window it opens (if any), which
  // is closed at once so that the command returns.
  static Opened Trigger(QAction* action) {
    Opened seen;
    QTimer::singleShot(0, [&seen] {
      QWidget* w = QApplication::activeModalWidget();
      if (!w) return;
      seen.any = true;
      seen.parentless = w->parentWidget() == nullptr;
      if (auto* ledger = qobject_cast<LedgerWindow*>(w)) {
        seen.ledger = true;
        seen.text = ledger->text_box()->toPlainText();
      }
      if (auto* workbook = qobject_cast<WorkbookWindow*>(w)) {
        seen.workbook = true;
        seen.rows = workbook->table().GetRowCount();
      }
      w->close();
    });
    action->trigger();
    QApplication::processEvents();
    return seen;
  }
  static QAction* Item(MainWindow& window, const QString& menu,
                       const QString& caption) {
    for (QAction* m : window.menuBar()->actions())
      if (m->text() == menu)
        for (QAction* item : m->menu()->actions())
          if (item->text() == caption) return item;
    ADD_FAILURE() << caption.toStdString();
    return nullptr;
  }
  // The ledger as the text box shows it: one line break per CR LF.
  QString Shown(const MaterialKey& key) const {
    return QString::fromStdString(MaterialLedger(dir_.path(), key))
        .replace("\r\n", "\n");
  }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
};

TEST_F(LedgerWindowTest, OneReadOnlyTextBoxAtItsPlaceUnderAnEmptyCaption) {
  LedgerWindow window(dir_.path(), kWire);
  EXPECT_EQ(window.windowTitle(), QString());
  EXPECT_EQ(window.size(), QSize(693, 616));
  EXPECT_TRUE(window.isModal());
  EXPECT_EQ(window.parentWidget(), nullptr);
  const QList<QWidget*> controls =
      window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(controls.size(), 1);
  EXPECT_EQ(controls[0], window.text_box());
  EXPECT_EQ(window.text_box()->geometry(), QRect(8, 8, 672, 568));
  EXPECT_TRUE(window.text_box()->isReadOnly());
  EXPECT_EQ(window.text_box()->accessibleName(), QString("进出库簿"));
}

TEST_F(LedgerWindowTest, ShowsTheLedgerWithOneLineBreakPerCrLf) {
  LedgerWindow window(dir_.path(), kWire);
  const QString text = window.text_box()->toPlainText();
  EXPECT_EQ(text, Shown(kWire));
  // The stock-in log's lines end in CR LF themselves; four more follow.
  const QStringList lines = text.split('\n');
  ASSERT_EQ(lines.size(), 9);
  EXPECT_EQ(lines[0], QString("以下是钢芯铝绞线进库记录:"));
  EXPECT_TRUE(lines[1].startsWith("数量 100 单价 12.5 金额 1250"));
  EXPECT_EQ(lines[2] + lines[3] + lines[4] + lines[5], QString());
  EXPECT_EQ(lines[6], QString("以下是钢芯铝绞线出库记录:"));
  EXPECT_TRUE(lines[7].startsWith("数量 10 金额 125 部门 检修班"));
  EXPECT_EQ(lines[8], QString());
}

TEST_F(LedgerWindowTest, ALongLedgerScrolls) {
  for (int i = 0; i < 60; ++i) {
    const StockInForm form{
        kInsulator.name, kInsulator.model, "米", "12.5", "1", "12.5", "0"};
    ASSERT_TRUE(
        BookStockIn(dir_.File(kStockInBackupFolder), form, Now()).booked);
  }
  LedgerWindow window(dir_.path(), kInsulator);
  window.show();
  QApplication::processEvents();
  // Two headings, 61 receipts, four empty lines and the empty last line.
  EXPECT_EQ(window.text_box()->document()->blockCount(), 2 + 61 + 4 + 1);
  EXPECT_GT(window.text_box()->verticalScrollBar()->maximum(), 0);
}

TEST_F(LedgerWindowTest, AMaterialNoLongerInTheTableGivesAnEmptyBox) {
  LedgerWindow window(dir_.path(), {"钢芯铝绞线", "LGJ-50/8"});
  EXPECT_EQ(window.text_box()->toPlainText(), QString());
}

TEST_F(LedgerWindowTest, LedgerCommandWithNothingSelectedOnlySaysSo) {
  MainWindow window(&session_, &dialogs_);
  QAction* ledger = Item(window, "编辑", "进出库簿");
  ASSERT_NE(ledger, nullptr);
  EXPECT_TRUE(ledger->isEnabled());

  const Opened opened = Trigger(ledger);
  EXPECT_FALSE(opened.any);
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text, "请先选中要查阅的项目");
  EXPECT_EQ(dialogs_.shown[0].caption, "信息：");
}

TEST_F(LedgerWindowTest, LedgerCommandOpensTheWindowOnTheSelectedMaterial) {
  MainWindow window(&session_, &dialogs_);
  session_.selected = kInsulator;

  const Opened opened = Trigger(Item(window, "编辑", "进出库簿"));
  EXPECT_TRUE(opened.ledger);
  EXPECT_TRUE(opened.parentless);
  EXPECT_EQ(opened.text, Shown(kInsulator));
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(LedgerWindowTest, EveryReportCommandWritesItsResultAndOpensTheWorkbook) {
  MainWindow window(&session_, &dialogs_);
  // Today both materials came in and one went out; the table has two.
  const std::vector<std::pair<QString, int>> reports = {
      {"本日出库", 1}, {"本月出库", 1}, {"本年出库", 1},
      {"本日进库", 2}, {"本月进库", 2}, {"本年进库", 2}};
  for (const auto& [caption, materials] : reports) {
    SCOPED_TRACE(caption.toStdString());
    RemoveFile(dir_.File(kResultFile));  // the last command's result
    QAction* item = Item(window, "统计", caption);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled());

    const Opened opened = Trigger(item);
    EXPECT_TRUE(opened.workbook);
    // The header row and the total row around the materials.
    EXPECT_EQ(opened.rows, materials + 2);
    EXPECT_TRUE(FileExists(dir_.File(kResultFile)));
  }
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(LedgerWindowTest, AReportThatCannotBeWrittenOpensNoWorkbook) {
  MainWindow window(&session_, &dialogs_);
  ASSERT_TRUE(WritePeriodReport(dir_.path(), PeriodReport::kDayIn, kToday));
  DbCloseAll();
  ASSERT_TRUE(RemoveFile(dir_.File(kMaterialFile)));

  const Opened opened = Trigger(Item(window, "统计", "本日出库"));
  EXPECT_FALSE(opened.any);
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{kPeriodReportFailed});
}

}  // namespace
}  // namespace matslip
