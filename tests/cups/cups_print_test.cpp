// Printing through a real print queue: a private scheduler with one PDF
// printer (A4 by default) as the default printer, started once for this
// program. The slip of the stock-out window and a print table of the print
// toolbar window go through it, and what it writes is compared with the PDF
// the program writes itself; a queue that fails says so.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

#include "app/print_toolbar_window.h"
#include "app/session.h"
#include "app/stock_out_window.h"
#include "app/translations_qt.h"
#include "cups/page_lines.h"
#include "cups/private_cupsd.h"
#include "dbgrid/db_provider.h"
#include "grid/font_map_qt.h"
#include "grid/grid_printer.h"
#include "grid/page_setup_dialogs.h"
#include "store/db.h"
#include "store/durability.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"
#include "workbook/print_table_state.h"
#include "workbook/result_file.h"
#include "workbook/result_loading.h"
#include "workbook/workbook_state.h"

namespace matslip {
namespace {

constexpr char kQueue[] = "slips";
// A second queue, for the printer list.
constexpr char kLetterQueue[] = "letters";
// 1 mm at the 100 dpi the pages are rendered at.
constexpr double kMillimetreAt100Dpi = 100 / 25.4;
// Dark pixels in a row that make a ruled line: 2 cm; no text is that long.
constexpr int kLineRun = 79;
constexpr auto kJobWait = std::chrono::seconds(180);

testing::PrivateCupsd* g_cupsd = nullptr;

std::string RunTool(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(120000) || process.exitCode() != 0)
    return "<" + program.toStdString() + " failed>";
  return process.readAllStandardOutput().toStdString();
}

std::vector<testing::PageLines> LinesOfPages(const std::string& pdf) {
  std::vector<testing::PageLines> pages;
  for (int page = 1;; ++page) {
    const std::string pgm = RunTool(
        "pdftoppm", {"-gray", "-r", "100", "-f", QString::number(page), "-l",
                     QString::number(page), QString::fromStdString(pdf)});
    testing::PageLines lines;
    if (!testing::FindPageLines(pgm, kLineRun, &lines)) break;
    pages.push_back(lines);
  }
  return pages;
}

// The file the PDF printer writes for the next job, once it is complete.
std::string NextPrintout(const std::set<std::string>& before) {
  namespace fs = std::filesystem;
  const auto deadline = std::chrono::steady_clock::now() + kJobWait;
  while (std::chrono::steady_clock::now() < deadline) {
    for (const auto& entry : fs::directory_iterator(g_cupsd->output_dir())) {
      const std::string path = entry.path().string();
      // pdfinfo reads a PDF only once its end (the cross-references) is
      // written.
      if (entry.path().extension() == ".pdf" && before.count(path) == 0 &&
          RunTool("pdfinfo", {QString::fromStdString(path)}).find("Pages:") !=
              std::string::npos)
        return path;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return "";
}

std::set<std::string> Printouts() {
  std::set<std::string> paths;
  for (const auto& entry :
       std::filesystem::directory_iterator(g_cupsd->output_dir()))
    paths.insert(entry.path().string());
  return paths;
}

// Our own PDF of `table`, as Print writes it without a printer.
std::string OwnPdf(const DataSrc& table, const std::string& path) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(path));
  SetUpPrinter(&printer, table.GetPrintSettings(), 1, "");
  return PrintPages(table, &printer) ? path : "";
}

class CupsPrintTest : public ::testing::Test {
 protected:
  CupsPrintTest() {
    SetDurableWrites(false);
    session_.program_dir = dir_.path();
  }
  ~CupsPrintTest() override { DbCloseAll(); }

  void PickTwo() {
    session_.stock_out.selection.push_back(
        {{"钢芯铝绞线", "LGJ-95/20"}, "米", 12.5, 1200, 15000, 0});
    session_.stock_out.selection.push_back(
        {{"悬式绝缘子", "XP-70"}, "片", 45, 300, 13500, 0});
  }

  // `ours` and what the queue printed: as many pages, each on the same
  // paper, the same way round and with the same ruled lines. A landscape
  // page may come out turned on upright paper, as a printer prints it.
  static void ExpectSamePages(const std::string& ours,
                              const std::string& printed) {
    ASSERT_FALSE(printed.empty())
        << "no printout; see " << g_cupsd->error_log();
    const auto our_pages = LinesOfPages(ours);
    const auto printed_pages = LinesOfPages(printed);
    ASSERT_EQ(printed_pages.size(), our_pages.size());
    for (std::size_t i = 0; i < our_pages.size(); ++i) {
      SCOPED_TRACE("page " + std::to_string(i + 1));
      const testing::PageLines& our = our_pages[i];
      testing::PageLines out = printed_pages[i];
      if (out.width != our.width) out = testing::TurnedBack(out);
      EXPECT_EQ(out.width, our.width);
      EXPECT_EQ(out.height, our.height);
      EXPECT_GE(our.horizontal.size(), 3u);
      EXPECT_GE(our.vertical.size(), 2u);
      EXPECT_LE(testing::WorstLineOffset(our.horizontal, out.horizontal),
                kMillimetreAt100Dpi);
      EXPECT_LE(testing::WorstLineOffset(our.vertical, out.vertical),
                kMillimetreAt100Dpi);
    }
  }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
};

TEST_F(CupsPrintTest, TheSlipAndAPrintTableComeOutAsOurOwnPdf) {
  ASSERT_EQ(QPrinterInfo::defaultPrinter().printerName(), QString(kQueue));
  {
    PickTwo();
    StockOutWindow window(&session_, &dialogs_);
    const std::string ours = OwnPdf(window.slip(), dir_.File("slip.pdf"));
    const auto before = Printouts();
    ASSERT_EQ(window.PrintSlip(), "");
    EXPECT_TRUE(dialogs_.Messages().empty());
    const std::string printed = NextPrintout(before);
    ExpectSamePages(ours, printed);
  }
  {
    ASSERT_TRUE(
        testing::WriteResultFile(dir_.path(), testing::NumberedRows(60)));
    WorkbookState state;
    DataSrc working;
    DbProvider loader;
    LoadResultTable(dir_.path(), &state, &working, &loader);
    QWidget workbook;
    PrintTableState print_state;
    PrintInf print;
    PrintToolbarWindow window(&print_state, &print, &dialogs_, dir_.path(),
                              &workbook);
    ASSERT_TRUE(
        window.Build(dir_.File("qd.mzk"), working, CivilToDate({2026, 12, 7})));
    const std::string ours = OwnPdf(window.table(), dir_.File("table.pdf"));
    const auto before = Printouts();
    ASSERT_EQ(window.PrintTable(), "");
    const std::string printed = NextPrintout(before);
    ExpectSamePages(ours, printed);
  }
}

TEST_F(CupsPrintTest, ThePageSetUpListsTheQueuesAndTheQueuesPapersInChinese) {
  QPrinter printer(QPrinter::HighResolution);
  ASSERT_EQ(printer.printerName(), QString(kQueue));
  QString picked;
  const auto dialog = MakePageSetup(PrintInf{}, &printer, &picked, nullptr);
  const auto lists = dialog->findChildren<QComboBox*>();
  const auto queues = std::find_if(lists.begin(), lists.end(), [](auto* l) {
    return l->accessibleName() == QString("打印机：");
  });
  ASSERT_NE(queues, lists.end());
  EXPECT_EQ((*queues)->count(), 2);
  EXPECT_EQ((*queues)->currentText(), QString(kQueue));
  EXPECT_NE((*queues)->findText(kLetterQueue), -1);
  // The papers are the queue's, not every paper Qt knows.
  const auto* papers = dialog->findChild<QComboBox*>("pageSizeCombo");
  ASSERT_NE(papers, nullptr);
  const int queue_papers = static_cast<int>(
      QPrinterInfo::printerInfo(kQueue).supportedPageSizes().size());
  EXPECT_GE(papers->count(), queue_papers);
  EXPECT_LE(papers->count(), queue_papers + 1);  // and "Custom"
  EXPECT_EQ(papers->currentText(), QString("A4"));
  QStringList captions;
  for (const auto* button : dialog->findChildren<QAbstractButton*>())
    captions << button->text();
  EXPECT_TRUE(captions.contains("纵向")) << captions.join(' ').toStdString();
  EXPECT_TRUE(captions.contains("横向"));
  (*queues)->setCurrentText(kLetterQueue);
  EXPECT_EQ(picked, QString(kLetterQueue));
}

// Runs last: it ends the scheduler.
TEST_F(CupsPrintTest, AStoppedRemovedOrUnreachableQueueSaysSoAndAsksNothing) {
  PickTwo();
  StockOutWindow window(&session_, &dialogs_);
  ASSERT_EQ(testing::RunCommand({"cupsdisable", kQueue}), 0);
  window.print_button()->click();
  ASSERT_EQ(testing::RunCommand({"cupsenable", kQueue}), 0);
  ASSERT_EQ(testing::RunCommand({"lpadmin", "-x", kQueue}), 0);
  window.print_button()->click();
  ASSERT_TRUE(g_cupsd->Stop());
  window.print_button()->click();
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{
                "打印机“slips”已停止，没有打印。请在系统的打印机设置中恢复它。",
                "找不到打印机：它已被删除，或打印服务没有运行。没有打印。",
                "找不到打印机：它已被删除，或打印服务没有运行。没有打印。"}));
  // No PDF file is offered instead.
  EXPECT_TRUE(dialogs_.file_requests.empty());
}

}  // namespace
}  // namespace matslip

// The scheduler starts before the application, so that the print system
// Qt reaches is ours from the first look.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  matslip::testing::TempDir root;
  matslip::testing::PrivateCupsd cupsd(root.path());
  const std::string problem = cupsd.Start();
  if (!problem.empty()) {
    std::fprintf(stderr, "cups_tests: %s\n", problem.c_str());
    return 1;
  }
  setenv("CUPS_SERVER", cupsd.server().c_str(), 1);
  if (matslip::testing::RunCommand(
          {"lpadmin", "-p", matslip::kQueue, "-E", "-v", "cups-pdf:/", "-P",
           "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd", "-o", "PageSize=A4"}) !=
          0 ||
      matslip::testing::RunCommand({"lpadmin", "-p", matslip::kLetterQueue,
                                    "-E", "-v", "cups-pdf:/", "-P",
                                    "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd",
                                    "-o", "PageSize=Letter"}) != 0 ||
      matslip::testing::RunCommand({"lpadmin", "-d", matslip::kQueue}) != 0) {
    std::fprintf(stderr, "cups_tests: cannot add the PDF queue\n");
    return 1;
  }
  matslip::g_cupsd = &cupsd;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  matslip::InstallFontSubstitutes();
  const auto translations = matslip::LoadQtChineseTranslations();
  if (translations) app.installTranslator(translations.get());
  return RUN_ALL_TESTS();
}
