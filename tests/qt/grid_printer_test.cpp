#include "grid/grid_printer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <algorithm>
#include <string>
#include <vector>

#include "grid/data_src.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

// Answers the PDF question with a fixed path and counts the questions.
class FixedPdfPath : public PrintPrompts {
 public:
  explicit FixedPdfPath(std::string path) : path_(std::move(path)) {}
  std::string PdfPathWithoutPrinter() override {
    ++asked;
    return path_;
  }
  int asked = 0;

 private:
  std::string path_;
};

using ::testing::HasSubstr;
using ::testing::Not;

// The page number as the program prints it.
std::string Numbered(int page, int count) {
  return "第 " + std::to_string(page) + " 页 共 " + std::to_string(count) +
         " 页";
}

class GridPrinterTest : public ::testing::Test {
 protected:
  // 200 rows of 6 mm: a header row and 199 body rows, 40 of which fit on A4
  // between 23 mm margins (2970 - 460 - 60 = 2450 tenths).
  GridPrinterTest() {
    table_.SetTableSize(200, 3);
    table_.SetCellText(1, 1, "品名");
    table_.SetCellText(1, 2, "规格型号");
    table_.SetCellText(1, 3, "数量");
    for (int r = 2; r <= 200; ++r) {
      table_.SetCellText(r, 1, "行" + std::to_string(r));
      table_.SetCellText(r, 3, std::to_string(r * 3));
    }
    table_.SetEdgeLines({1, 1, 200, 3}, kEdgeAll, kLineThin);
    PrintInf settings;
    settings.paper_type = kPaperA4;
    settings.page_number_position = kPageNumberBottomCentre;
    table_.SetPrintSettings(settings);
  }

  void ChangeSettings(const std::function<void(PrintInf*)>& change) {
    PrintInf settings = table_.GetPrintSettings();
    change(&settings);
    table_.SetPrintSettings(settings);
  }

  // Prints the table into pdf_ and answers whether it worked.
  bool PrintToPdf(int copies = 1) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf_));
    SetUpPrinter(&printer, table_.GetPrintSettings(), copies, "出库单");
    return PrintPages(table_, &printer);
  }

  static std::string Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
      return "<" + program.toStdString() + " failed>";
    return process.readAllStandardOutput().toStdString();
  }
  // The text of one page (1-based), or of all pages when `page` is 0, with
  // pages ending in a form feed.
  std::string PdfText(int page = 0) {
    QStringList args;
    if (page > 0) {
      args << "-f" << QString::number(page) << "-l" << QString::number(page);
    }
    args << "-raw" << QString::fromStdString(pdf_) << "-";
    return Run("pdftotext", args);
  }
  int PdfPages() {
    const std::string text = PdfText();
    return static_cast<int>(std::count(text.begin(), text.end(), '\f'));
  }

  DataSrc table_;
  testing::TempDir dir_;
  std::string pdf_ = dir_.File("table.pdf");
};

TEST_F(GridPrinterTest, PrintsEveryPageWithItsNumberAndTheHeaderRow) {
  ASSERT_TRUE(PrintToPdf());
  ASSERT_EQ(PdfPages(), 5);
  for (int page = 1; page <= 5; ++page) {
    SCOPED_TRACE(page);
    const std::string text = PdfText(page);
    EXPECT_THAT(text, HasSubstr(Numbered(page, 5)));
    EXPECT_THAT(text, HasSubstr("品名"));
    EXPECT_THAT(text, HasSubstr("规格型号"));
    const int first = 2 + 40 * (page - 1);
    const int last = std::min(first + 39, 200);
    EXPECT_THAT(text, HasSubstr("行" + std::to_string(first) + " "));
    EXPECT_THAT(text, HasSubstr("行" + std::to_string(last) + " "));
    EXPECT_THAT(text, Not(HasSubstr("行" + std::to_string(last + 1) + " ")));
    EXPECT_THAT(text, Not(HasSubstr("行" + std::to_string(first - 1) + " ")));
  }
}

TEST_F(GridPrinterTest, CopiesRepeatTheWholeRun) {
  ASSERT_TRUE(PrintToPdf(2));
  EXPECT_EQ(PdfPages(), 10);
  EXPECT_THAT(PdfText(6), HasSubstr(Numbered(1, 5)));
}

TEST_F(GridPrinterTest, APageRangePrintsOnlyThosePages) {
  ChangeSettings([](PrintInf* s) {
    s->range_kind = 1;
    s->range_start = 2;
    s->range_end = 3;
  });
  ASSERT_TRUE(PrintToPdf());
  ASSERT_EQ(PdfPages(), 2);
  EXPECT_THAT(PdfText(1), HasSubstr(Numbered(2, 5)));
  EXPECT_THAT(PdfText(1), HasSubstr("行42 "));
  EXPECT_THAT(PdfText(2), HasSubstr(Numbered(3, 5)));
}

TEST_F(GridPrinterTest, LandscapeTurnsTheSheet) {
  // 2100 - 460 - 60 = 1580 tenths: 26 body rows a page, 8 pages.
  ChangeSettings([](PrintInf* s) { s->orientation = 1; });
  ASSERT_TRUE(PrintToPdf());
  EXPECT_EQ(PdfPages(), 8);
  EXPECT_THAT(PdfText(8), HasSubstr(Numbered(8, 8)));
  EXPECT_THAT(Run("pdfinfo", {QString::fromStdString(pdf_)}),
              HasSubstr("842 x 595 pts (A4)"));
}

TEST_F(GridPrinterTest, TheScaleShrinksTheTableOntoFewerPages) {
  // Rows of 3 mm: 2450 + 30 = 2480 tenths hold 82 body rows.
  ChangeSettings([](PrintInf* s) { s->scale = 50; });
  ASSERT_TRUE(PrintToPdf());
  EXPECT_EQ(PdfPages(), 3);
  EXPECT_THAT(PdfText(3), HasSubstr(Numbered(3, 3)));
}

TEST_F(GridPrinterTest, AMergedHeaderIsPrintedOncePerPage) {
  table_.SetCellText(1, 2, "品名");
  table_.SetCellText(1, 3, "品名");
  const std::string unmerged = (PrintToPdf(), PdfText(1));
  table_.MergeCells({1, 1, 1, 3});
  ASSERT_TRUE(PrintToPdf());
  const std::string merged = PdfText(1);
  auto count = [](const std::string& text) {
    int n = 0;
    for (auto at = text.find("品名"); at != std::string::npos;
         at = text.find("品名", at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_EQ(count(unmerged), 3);
  EXPECT_EQ(count(merged), 1);
}

TEST_F(GridPrinterTest, ThePreviewShowsThePages) {
  const auto dialog = MakePrintPreview(table_, nullptr);
  auto* preview = dialog->findChild<QPrintPreviewWidget*>();
  ASSERT_NE(preview, nullptr);
  preview->updatePreview();
  EXPECT_EQ(preview->pageCount(), 5);
}

TEST_F(GridPrinterTest, WithoutAPrinterPrintWritesThePdfTheUserNames) {
  if (!QPrinterInfo::availablePrinters().isEmpty())
    GTEST_SKIP() << "a printer is installed here";
  FixedPdfPath prompts(pdf_);
  EXPECT_EQ(Print(table_, 1, "出库单", &prompts), "");
  EXPECT_EQ(prompts.asked, 1);
  EXPECT_EQ(PdfPages(), 5);
  EXPECT_THAT(Run("pdfinfo", {QString::fromStdString(pdf_)}),
              HasSubstr("出库单"));
}

TEST_F(GridPrinterTest, WithoutAPrinterAndWithoutAFileNothingIsPrinted) {
  if (!QPrinterInfo::availablePrinters().isEmpty())
    GTEST_SKIP() << "a printer is installed here";
  FixedPdfPath prompts("");
  EXPECT_EQ(Print(table_, 1, "", &prompts), kPrintNotDoneText);
}

TEST_F(GridPrinterTest, WithoutAPrinterThePrintableAreaIsA4) {
  if (!QPrinterInfo::availablePrinters().isEmpty())
    GTEST_SKIP() << "a printer is installed here";
  ChangeSettings([](PrintInf* s) { s->paper_type = 1; });  // A3
  InstallPaperHook(&table_);
  EXPECT_EQ(table_.GetPrintableWidth(), 2100 - 460);
  EXPECT_EQ(table_.GetPrintableHeight(), 2970 - 460);
}

TEST_F(GridPrinterTest, ThePdfGivesBackExactlyTheTextsPrinted) {
  // Ideographs whose glyphs the fonts share with radicals, digits among
  // Latin letters and ideographs, spaces.
  const std::vector<std::string> texts = {"米",
                                          "金",
                                          "力",
                                          "LGJ-95/20",
                                          "钢芯铝绞线LGJ-95/20",
                                          "镀锌铁丝 8# 100米",
                                          "金具 力矩 米制 123456789.12",
                                          "页 行 第 1 页"};
  table_.SetTableSize(static_cast<int>(texts.size()), 1);
  table_.SetHeaderRows(0);
  table_.SetColumnWidths(1, 1, 1500);
  for (std::size_t i = 0; i < texts.size(); ++i)
    table_.SetCellText(static_cast<int>(i) + 1, 1, texts[i]);
  ChangeSettings([](PrintInf* s) { s->page_number_position = 0; });
  ASSERT_TRUE(PrintToPdf());
  std::string expected;
  for (const std::string& text : texts) expected += text + "\n";
  EXPECT_EQ(PdfText(), expected + "\f");
}

TEST_F(GridPrinterTest, PageNumbersReadBackAsPrinted) {
  ASSERT_TRUE(PrintToPdf());
  EXPECT_THAT(PdfText(5), HasSubstr(Numbered(5, 5)));
}

class PaperTypeTest : public ::testing::Test {};

TEST_F(PaperTypeTest, ListedPapersHaveTheirListedSizes) {
  const QPageSize fallback(QPageSize::Letter);
  for (int type = 1; type < kPaperTypeCount; ++type) {
    SCOPED_TRACE(kPapers[type].name);
    const PaperSize paper = PaperOf(PageSizeOfType(type, fallback), 0);
    EXPECT_NEAR(paper.width, kPapers[type].size.width, 10);
    EXPECT_NEAR(paper.height, kPapers[type].size.height, 10);
  }
}

TEST_F(PaperTypeTest, TypeZeroAndUnknownCodesTakeThePrintersPaper) {
  const QPageSize fallback(QPageSize::B5);
  EXPECT_EQ(PageSizeOfType(0, fallback).id(), QPageSize::B5);
  EXPECT_EQ(PageSizeOfType(999 + 30000, fallback).id(), QPageSize::B5);
  EXPECT_EQ(PageSizeOfType(-3, fallback).id(), QPageSize::B5);
}

TEST_F(PaperTypeTest, CustomTypesNameThePlatformsPaperCode) {
  EXPECT_EQ(PageSizeOfType(999 + 8, QPageSize(QPageSize::A4)).id(),
            QPageSize::A3);
}

TEST_F(PaperTypeTest, LandscapeTurnsThePaper) {
  EXPECT_EQ(PaperOf(QPageSize(QPageSize::A4), 1), (PaperSize{2970, 2100}));
  EXPECT_EQ(PaperOf(QPageSize(QPageSize::A4), 2), (PaperSize{2100, 2970}));
}

}  // namespace
}  // namespace matslip
