// The print toolbar window on the offscreen platform: its frame, geometry
// and controls, the lists after the build, its buttons, the layout event of
// a column drag, and a 60-record print table printed into a PDF file.
#include "app/print_toolbar_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/workbook_window.h"
#include "dbgrid/db_provider.h"
#include "grid/grid_widget.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "workbook/print_table.h"
#include "workbook/print_table_state.h"
#include "workbook/result_file.h"
#include "workbook/result_loading.h"
#include "workbook/workbook_state.h"

namespace matslip {
namespace {

using ::testing::HasSubstr;

const double kToday = CivilToDate({2026, 12, 7});

class PrintToolbarWindowTest : public ::testing::Test {
 protected:
  PrintToolbarWindowTest() { SetDurableWrites(false); }
  ~PrintToolbarWindowTest() override {
    window_.reset();
    DbCloseAll();
  }

  // The window on a print table of `records` numbered records, as a child
  // of a stand-in for the workbook window.
  PrintToolbarWindow& Open(int records) {
    EXPECT_TRUE(
        testing::WriteResultFile(dir_.path(), testing::NumberedRows(records)));
    WorkbookState state;
    DbProvider loader;
    LoadResultTable(dir_.path(), &state, &working_, &loader);
    window_ = std::make_unique<PrintToolbarWindow>(&state_, &print_, &dialogs_,
                                                   dir_.path(), &workbook_);
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_TRUE(window_->Build(result_, working_, kToday));
    return *window_;
  }

  static std::string Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
      return "<" + program.toStdString() + " failed>";
    return process.readAllStandardOutput().toStdString();
  }

  testing::TempDir dir_;
  std::string result_ = dir_.File("qd.mzk");
  DataSrc working_;
  PrintTableState state_;
  PrintInf print_;
  testing::FakeDialogs dialogs_;
  QWidget workbook_;
  std::unique_ptr<PrintToolbarWindow> window_;
};

TEST_F(PrintToolbarWindowTest, AFramelessScreenWideChildKeptOnTop) {
  PrintToolbarWindow& window = Open(1);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isWindow());
  EXPECT_EQ(window.parentWidget(), &workbook_);
  EXPECT_FALSE(window.isModal());
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(window.kept_on_top());
  EXPECT_TRUE(window.windowTitle().isEmpty());
  const QRect screen = window.screen()->geometry();
  EXPECT_EQ(window.width(), screen.width());
  EXPECT_EQ(window.height(), screen.height() - 30);
  EXPECT_EQ(window.grid_widget()->geometry(),
            QRect(35, 27, window.width() - 70, window.height() - 30));
}

TEST_F(PrintToolbarWindowTest, EveryControlNamedInOrderAndNoneCoversAnother) {
  PrintToolbarWindow& window = Open(1);
  // The strip as the user reads it from left to right: each list after its
  // label, which carries the same name.
  const QStringList reading = {
      "打 印",     "打印预览",   "＋放大",     "－缩小",   "标题字体",
      "标题字体",  "更多字体",   "标题字尺寸", "标题字尺寸", "页号位置",
      "页号位置",  "正文字体",   "正文字体",   "行高",     "行高",
      "右对齐",    "日期格式",   "退 出"};
  QWidget* frame = window.print_button()->parentWidget();
  QList<QWidget*> strip =
      frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  std::sort(strip.begin(), strip.end(),
            [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
  QStringList names;
  for (QWidget* control : strip) names << control->accessibleName();
  EXPECT_EQ(names, reading);
  for (qsizetype i = 0; i < strip.size(); ++i) {
    SCOPED_TRACE(strip[i]->accessibleName().toStdString());
    if (i > 0) {
      EXPECT_GE(strip[i]->x(), strip[i - 1]->geometry().right() + 1);
    }
    if (auto* b = qobject_cast<QPushButton*>(strip[i])) {
      EXPECT_EQ(b->text(), b->accessibleName());
      EXPECT_GT(b->width(), b->fontMetrics().horizontalAdvance(b->text()));
    }
    if (auto* label = qobject_cast<QLabel*>(strip[i])) {
      EXPECT_EQ(label->text(), label->accessibleName());
      EXPECT_EQ(label->buddy(), strip.value(i + 1));
    }
  }
  EXPECT_LT(strip.back()->geometry().right(), frame->width());
  EXPECT_FALSE(window.findChild<GridWidget*>()->accessibleName().isEmpty());
}

TEST_F(PrintToolbarWindowTest, TheListsHoldTheirItems) {
  PrintToolbarWindow& window = Open(1);
  auto items = [](QComboBox* list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list->count(); ++i)
      texts.push_back(list->itemText(i).toStdString());
    return texts;
  };
  const std::vector<std::string> fonts = {"仿宋_GB2312", "楷体_GB2312", "黑体",
                                          "华文新魏",    "华文行楷",    "宋体",
                                          "隶书"};
  EXPECT_EQ(items(window.title_font_list()), fonts);
  EXPECT_EQ(items(window.body_font_list()), fonts);
  EXPECT_EQ(items(window.title_size_list()),
            (std::vector<std::string>{"100", "95", "90", "85", "80", "75", "70",
                                      "65", "60", "55"}));
  EXPECT_EQ(items(window.page_number_list()),
            (std::vector<std::string>{"无页号", "上左", "上中", "上右", "下左",
                                      "下中", "下右"}));
}

TEST_F(PrintToolbarWindowTest, AfterTheBuildTheListsShowTheTitlesValues) {
  PrintToolbarWindow& window = Open(40);
  EXPECT_EQ(window.title_size_list()->currentText().toStdString(), "85");
  EXPECT_EQ(window.title_font_list()->currentText().toStdString(), "宋体");
  // The body keeps the view's default font, which no item names.
  EXPECT_EQ(window.body_font_list()->currentIndex(), -1);
  EXPECT_EQ(window.page_number_list()->currentText().toStdString(), "下中");
}

TEST_F(PrintToolbarWindowTest, TheTitleSizeListSetsTheTitleAndRowsTwoAndThree) {
  PrintToolbarWindow& window = Open(1);
  QComboBox* list = window.title_size_list();
  list->setCurrentIndex(8);  // "60"
  emit list->activated(8);
  EXPECT_EQ(window.table().GetFontSize(1, 1), 60);
  EXPECT_EQ(window.table().GetFontSize(2, 5), 15);
  EXPECT_EQ(window.table().GetFontSize(3, 7), 15);
}

TEST_F(PrintToolbarWindowTest, ThePageNumberListSetsTheProgramsSettings) {
  PrintToolbarWindow& window = Open(1);
  QComboBox* list = window.page_number_list();
  list->setCurrentIndex(3);
  emit list->activated(3);
  EXPECT_EQ(print_.page_number_position, kPageNumberTopRight);
  EXPECT_EQ(window.table().GetPrintSettings(), print_);
}

TEST_F(PrintToolbarWindowTest, TheAlignmentButtonsFirstPressRightAligns) {
  PrintToolbarWindow& window = Open(2);
  window.alignment_button()->click();
  EXPECT_EQ(window.alignment_button()->text().toStdString(), "中对齐");
  EXPECT_EQ(window.table().GetCellFormat(5, 3).alignment, kAlignMiddleRight);
  EXPECT_EQ(state_.alignment_presses, 1);
}

TEST_F(PrintToolbarWindowTest, DateFormatOutsideADateColumnStepsBackAndSays) {
  PrintToolbarWindow& window = Open(2);
  state_.date_format_presses = 2;
  window.grid().SetCursor(4, 2);  // 规格型号
  std::vector<bool> on_top_under_box;
  dialogs_.on_shown = [&](const testing::FakeDialogs::Shown&) {
    on_top_under_box.push_back(window.kept_on_top());
  };
  window.date_format_button()->click();
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "请先选择需要调整日期格式的日期列,光标放在该列的任一行即可"});
  EXPECT_EQ(dialogs_.shown.back().caption, kInfoCaption);
  // Stepped back for the message, on top again once it is closed.
  EXPECT_EQ(on_top_under_box, std::vector<bool>{false});
  EXPECT_TRUE(window.kept_on_top());
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(state_.date_format_presses, 0);
  window.grid().SetCursor(4, 7);
  window.date_format_button()->click();
  EXPECT_EQ(window.table().GetCellText(5, 7), "2013-9-10");
  EXPECT_EQ(dialogs_.Messages().size(), 1u);
}

TEST_F(PrintToolbarWindowTest, MoreFontsAddsTheFontToBothLists) {
  PrintToolbarWindow& window = Open(1);
  dialogs_.fonts.push_back({true, FontChoice{"华文中宋", 40, 0}});
  window.more_fonts_button()->click();
  EXPECT_EQ(window.title_font_list()->currentText().toStdString(), "华文中宋");
  EXPECT_EQ(window.body_font_list()->findText("华文中宋"), 7);
  EXPECT_EQ(window.table().GetCellFormat(1, 1).font_name, "华文中宋");
}

TEST_F(PrintToolbarWindowTest, ZoomAndRowHeightButtons) {
  PrintToolbarWindow& window = Open(2);
  window.zoom_in_button()->click();
  EXPECT_EQ(window.grid().scale(), 110);
  window.zoom_out_button()->click();
  window.zoom_out_button()->click();
  EXPECT_EQ(window.grid().scale(), 90);
  const int height = window.table().GetRowHeight(4);
  window.row_height_spinner()->stepBy(-1);
  EXPECT_EQ(window.table().GetRowHeight(5), height - 5);
  window.row_height_spinner()->stepBy(1);
  window.row_height_spinner()->stepBy(1);
  EXPECT_EQ(window.table().GetRowHeight(5), height + 5);
  EXPECT_EQ(window.table().GetFontSize(5, 1), 45);
}

TEST_F(PrintToolbarWindowTest, DraggingAColumnRefitsThePageAndTheFooter) {
  PrintToolbarWindow& window = Open(1);
  DataSrc& table = window.table();
  ASSERT_EQ(print_.orientation, kLandscape);
  // Columns 1 to 6 together are 1617 wide; 1400 in all holds 70 footer
  // bytes of 74 at size 40.
  for (int col = 1; col <= 6; ++col) table.SetColumnWidths(col, 1, 150);
  window.grid().ResizeColumn(7, 500);
  EXPECT_EQ(print_.orientation, kPortrait);
  EXPECT_EQ(print_.left_margin, 150);
  EXPECT_EQ(table.GetPrintSettings(), print_);
  EXPECT_EQ(table.GetCellText(5, 1), "    制表:" + std::string(46, ' ') +
                                         "报表审核:" + std::string(6, ' '));
}

TEST_F(PrintToolbarWindowTest, ExitClosesTheWindow) {
  PrintToolbarWindow& window = Open(1);
  window.exit_button()->click();
  EXPECT_FALSE(window.isVisible());
}

// "&C.生成打印表格" of a real workbook window.
class PrintTableCommandTest : public ::testing::Test {
 protected:
  PrintTableCommandTest() {
    DbCloseAll();
    SetDurableWrites(false);
    session_.program_dir = dir_.path();
    EXPECT_TRUE(testing::WriteResultFile(
        dir_.path(), {{"钢芯铝绞线", "LGJ-95/20", "米", 12.5, 10, 125},
                      {"绝缘子", "XP-70", "片", 30, 2, 60}}));
  }
  ~PrintTableCommandTest() override { DbCloseAll(); }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
};

TEST_F(PrintTableCommandTest, OpensTheToolbarOnTheWorkingTable) {
  WorkbookWindow workbook(&session_, &dialogs_, nullptr);
  workbook.table().SetCellText(3, 6, "88");  // an amount edited there
  workbook.print_table_action()->trigger();
  auto* toolbar = workbook.findChild<PrintToolbarWindow*>();
  ASSERT_NE(toolbar, nullptr);
  EXPECT_TRUE(toolbar->isVisible());
  EXPECT_EQ(toolbar->table().GetCellText(4, 1), "钢芯铝绞线");
  EXPECT_EQ(toolbar->table().GetCellText(5, 1), "绝缘子");
  EXPECT_EQ(toolbar->table().GetCellText(5, 6), "88");
  EXPECT_EQ(session_.print, toolbar->table().GetPrintSettings());
  EXPECT_EQ(session_.print.top_margin, 170);
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(PrintTableCommandTest, ANewPrintTableReplacesTheOneShown) {
  WorkbookWindow workbook(&session_, &dialogs_, nullptr);
  workbook.print_table_action()->trigger();
  ASSERT_NE(workbook.findChild<PrintToolbarWindow*>(), nullptr);
  workbook.print_table_action()->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const auto shown = workbook.findChildren<PrintToolbarWindow*>();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0]->isVisible());
}

TEST_F(PrintTableCommandTest, AResultThatCannotBeOpenedIsReported) {
  WorkbookWindow workbook(&session_, &dialogs_, nullptr);
  DbCloseAll();
  ASSERT_TRUE(RemoveFile(dir_.File("qd.mzk")));
  workbook.print_table_action()->trigger();
  EXPECT_EQ(workbook.findChild<PrintToolbarWindow*>(), nullptr);
  EXPECT_EQ(
      dialogs_.Messages(),
      std::vector<std::string>{"无法打开统计结果 qd.mzk,不能生成打印表格"});
}

// Where a run of words lies on a page, from pdftotext's word boxes.
struct TextBox {
  double left = 0, top = 0, right = 0, page_width = 0, page_height = 0;
  bool found = false;
};

TextBox FindWords(const std::string& bbox_html, int page,
                  const std::vector<std::string>& words) {
  TextBox box;
  const QString html = QString::fromStdString(bbox_html);
  const QRegularExpression page_re(
      R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
  const QRegularExpression word_re(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)")re"
      R"re( yMax="[\d.]+">([^<]*)</word>)re");
  const QStringList pages = html.split("</page>");
  if (page > pages.size()) return box;
  const QString& text = pages[page - 1];
  const auto size = page_re.match(text);
  box.page_width = size.captured(1).toDouble();
  box.page_height = size.captured(2).toDouble();
  struct Word {
    double left, top, right;
    std::string text;
  };
  std::vector<Word> all;
  for (auto it = word_re.globalMatch(text); it.hasNext();) {
    const auto m = it.next();
    all.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(),
                   m.captured(3).toDouble(), m.captured(4).toStdString()});
  }
  for (std::size_t i = 0; i + words.size() <= all.size(); ++i) {
    bool match = true;
    for (std::size_t j = 0; j < words.size() && match; ++j)
      match = all[i + j].text == words[j];
    if (!match) continue;
    box = {all[i].left,    all[i].top,      all[i + words.size() - 1].right,
           box.page_width, box.page_height, true};
    return box;
  }
  return box;
}

TEST_F(PrintToolbarWindowTest, ALongTablePrintsIntoAPdfWithNumberedPages) {
  if (!QPrinterInfo::availablePrinters().isEmpty())
    GTEST_SKIP() << "a printer is installed here";
  PrintToolbarWindow& window = Open(60);
  const std::string pdf = dir_.File("打印表格.pdf");
  dialogs_.files.push_back({true, pdf});
  std::vector<bool> on_top_under_box;
  dialogs_.on_shown = [&](const testing::FakeDialogs::Shown&) {
    on_top_under_box.push_back(window.kept_on_top());
  };
  ASSERT_EQ(window.PrintTable(), "");
  // Stepped back for the file dialog, on top again after the printing.
  EXPECT_EQ(on_top_under_box, std::vector<bool>{false});
  EXPECT_TRUE(window.kept_on_top());
  EXPECT_TRUE(window.isVisible());
  EXPECT_THAT(Run("pdfinfo", {QString::fromStdString(pdf)}),
              HasSubstr("842 x 595 pts (A4)"));
  // Landscape A4 holds 2100 - 350 = 1750 down the page: the three header
  // rows (320) and 23 rows of 60; 61 rows with the footer make 3 pages.
  const std::string text =
      Run("pdftotext", {"-raw", QString::fromStdString(pdf), "-"});
  ASSERT_EQ(std::count(text.begin(), text.end(), '\f'), 3);
  const std::string first =
      Run("pdftotext",
          {"-raw", "-f", "1", "-l", "1", QString::fromStdString(pdf), "-"});
  EXPECT_THAT(first, HasSubstr("四川澜栖供电有限责任公司材料出库单"));
  EXPECT_THAT(first, HasSubstr("制表：财务室"));
  EXPECT_THAT(first, HasSubstr("日期：2026年12月7日"));
  EXPECT_THAT(first, HasSubstr("本月出库金额"));
  EXPECT_THAT(first, HasSubstr("材料23 "));
  EXPECT_THAT(first, ::testing::Not(HasSubstr("材料24 ")));
  const std::string boxes =
      Run("pdftotext", {"-bbox", QString::fromStdString(pdf), "-"});
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    const TextBox number = FindWords(
        boxes, page, {"第", std::to_string(page), "页", "共", "3", "页"});
    ASSERT_TRUE(number.found);
    EXPECT_GT(number.top, number.page_height * 0.9);
    EXPECT_NEAR((number.left + number.right) / 2, number.page_width / 2,
                number.page_width * 0.02);
  }
  EXPECT_THAT(text, HasSubstr("报表审核:"));
}

}  // namespace
}  // namespace matslip
