#include "grid/grid_printer.h"

#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>
#include <vector>

#include "grid/axis_offsets.h"
#include "grid/data_src.h"
#include "grid/grid_painter_qt.h"
#include "grid/page_layout.h"
#include "grid/pdf_text_map_qt.h"
#include "grid/print_range.h"

namespace matslip {
namespace {

constexpr int kPageNumberFontSize = 35;  // tenths of a millimetre
constexpr int kFolioType = 16;
constexpr char kPrinterStoppedBefore[] = "打印机“";
constexpr char kPrinterStoppedAfter[] =
    "”已停止，没有打印。请在系统的打印机设置中恢复它。";

// Whether this run has seen an installed printer: from then on, finding none
// means it went away, not that the user prints to files.
bool printer_seen = false;
// The page set-up's choice, for the rest of the run; empty: the default.
QString chosen_printer;

bool AnyPrinter() {
  const bool any = !QPrinterInfo::availablePrinters().isEmpty();
  printer_seen = printer_seen || any;
  return any;
}

// The page spans before and after `header` items: header ones first.
std::pair<std::vector<PageSpan>, std::vector<PageSpan>> SplitHeader(
    const std::vector<PageSpan>& spans, int header) {
  const auto body = std::find_if(
      spans.begin(), spans.end(),
      [header](const PageSpan& span) { return span.index > header; });
  return {{spans.begin(), body}, {body, spans.end()}};
}

std::vector<double> EdgesOf(const std::vector<PageSpan>& spans, double dots) {
  std::vector<double> edges;
  for (const PageSpan& span : spans) edges.push_back(span.start * dots);
  edges.push_back((spans.back().start + spans.back().length) * dots);
  return edges;
}

// The cells of one page part: consecutive rows by consecutive columns.
TableArea PagePart(const std::vector<PageSpan>& rows,
                   const std::vector<PageSpan>& cols, double dots) {
  TableArea area;
  if (rows.empty() || cols.empty()) return area;
  area.cells = {rows.front().index, cols.front().index,
                static_cast<int>(rows.size()), static_cast<int>(cols.size())};
  area.row_edges = EdgesOf(rows, dots);
  area.col_edges = EdgesOf(cols, dots);
  return area;
}

void DrawPageNumber(QPainter* painter, const PageNumber& number, double dots,
                    PdfTextLog* text_log) {
  if (number.text.empty()) return;
  QFont font(QStringLiteral("宋体"));
  font.setPixelSize(
      std::max(1, static_cast<int>(std::lround(kPageNumberFontSize * dots))));
  // Digits among ideographs keep the glyphs their characters map to.
  font.setStyleStrategy(QFont::PreferNoShaping);
  const QString text = QString::fromStdString(number.text);
  const CellText placed = LayOutCellText(
      text, font,
      QRectF(number.box.left * dots, number.box.top * dots,
             number.box.width * dots, number.box.height * dots),
      kAlignMiddleLeft + std::clamp(number.alignment - kAlignMiddleLeft, 0, 2),
      false, painter->device());
  painter->setFont(font);
  painter->setPen(Qt::black);
  for (const PlacedLine& line : placed.lines) {
    painter->drawText(line.baseline, line.text);
    if (text_log != nullptr) text_log->Add(font, line.text);
  }
}

void DrawPage(QPainter* painter, TablePainter* cells, const Page& page,
              int header_rows, int header_cols, double dots,
              PdfTextLog* text_log) {
  const auto [head_rows, body_rows] = SplitHeader(page.rows, header_rows);
  const auto [head_cols, body_cols] = SplitHeader(page.cols, header_cols);
  for (const auto* rows : {&head_rows, &body_rows}) {
    for (const auto* cols : {&head_cols, &body_cols}) {
      TableArea part = PagePart(*rows, *cols, dots);
      if (rows == &body_rows && !head_rows.empty())
        part.row_before = head_rows.back().index;
      if (cols == &body_cols && !head_cols.empty())
        part.col_before = head_cols.back().index;
      cells->Paint(painter, part);
    }
  }
  DrawPageNumber(painter, page.number, dots, text_log);
}

QPageSize PrinterPageSize() {
  const QPrinterInfo printer = PrinterToUse();
  return printer.isNull() ? QPageSize(QPageSize::A4)
                          : printer.defaultPageSize();
}

}  // namespace

QPageSize PageSizeOfType(int paper_type, const QPageSize& printer_default) {
  const int code = PaperCodeOfType(paper_type);
  if (code == 0) return printer_default;
  // Qt knows Folio (8.5 x 13 in) only under another name.
  const QPageSize page_size(code == PaperCodeOfType(kFolioType)
                                ? QPageSize::FanFoldGermanLegal
                                : QPageSize::id(code));
  return page_size.isValid() ? page_size : printer_default;
}

PaperSize PaperOf(const QPageSize& page_size, int orientation) {
  const QSizeF mm = page_size.size(QPageSize::Millimeter);
  PaperSize paper{static_cast<int>(std::lround(mm.width() * 10)),
                  static_cast<int>(std::lround(mm.height() * 10))};
  if (orientation == kLandscape) std::swap(paper.width, paper.height);
  return paper;
}

QPrinterInfo PrinterToUse() {
  // A chosen printer deleted meanwhile is missed, not replaced unasked.
  return chosen_printer.isEmpty() ? QPrinterInfo::defaultPrinter()
                                  : QPrinterInfo::printerInfo(chosen_printer);
}

void ChoosePrinter(const QString& name) { chosen_printer = name; }

std::string PrinterStoppedText(const std::string& name) {
  return kPrinterStoppedBefore + name + kPrinterStoppedAfter;
}

void InstallPaperHook(DataSrc* table) {
  if (!AnyPrinter()) {
    table->SetPaperHook(nullptr);
    return;
  }
  const QPageSize printer_default = PrinterPageSize();
  table->SetPaperHook([printer_default](const PrintInf& settings) {
    return PaperOf(PageSizeOfType(settings.paper_type, printer_default),
                   settings.orientation);
  });
}

void SetUpPrinter(QPrinter* printer, const PrintInf& settings, int copies,
                  const std::string& title) {
  printer->setFullPage(true);
  printer->setPageLayout(QPageLayout(
      PageSizeOfType(settings.paper_type, printer->pageLayout().pageSize()),
      settings.orientation == kLandscape ? QPageLayout::Landscape
                                         : QPageLayout::Portrait,
      QMarginsF()));
  printer->setCopyCount(std::max(copies, 1));
  printer->setDocName(QString::fromStdString(title));
}

bool PrintPages(const DataSrc& table, QPrinter* printer) {
  const PrintInf& settings = table.GetPrintSettings();
  const QRectF sheet = printer->pageLayout().fullRect(QPageLayout::Millimeter);
  const PaperSize paper{static_cast<int>(std::lround(sheet.width() * 10)),
                        static_cast<int>(std::lround(sheet.height() * 10))};
  const std::vector<Page> pages = LayOutPages(table, paper, settings);
  const std::vector<int> chosen =
      PagesToPrint(pages, table.GetHeaderRows(), settings);

  QPainter painter;
  if (!painter.begin(printer)) return false;
  const double dots = printer->resolution() / 254.0;
  AxisOffsets rows, cols;
  rows.Assign(table.GetRowCount(),
              [&table](int row) { return table.GetRowHeight(row); });
  cols.Assign(table.GetColumnCount(),
              [&table](int col) { return table.GetColumnWidth(col); });
  const bool to_pdf = printer->outputFormat() == QPrinter::PdfFormat &&
                      !printer->outputFileName().isEmpty();
  PdfTextLog text_log;
  PaintOptions options;
  options.pixels_per_tenth =
      dots * (settings.scale > 0 ? settings.scale : 100) / 100.0;
  options.text_log = to_pdf ? &text_log : nullptr;
  TablePainter cells(table, rows, cols, options);

  const int runs = printer->supportsMultipleCopies() ? 1 : printer->copyCount();
  bool first = true;
  for (int run = 0; run < runs; ++run) {
    for (int index : chosen) {
      if (!first && !printer->newPage()) return false;
      first = false;
      DrawPage(&painter, &cells, pages[static_cast<std::size_t>(index)],
               table.GetHeaderRows(), table.GetHeaderColumns(), dots,
               options.text_log);
    }
  }
  if (!painter.end()) return false;
  return !to_pdf ||
         CorrectPdfTextMap(printer->outputFileName().toStdString(), text_log);
}

std::string Print(const DataSrc& table, int count, const std::string& title,
                  PrintPrompts* prompts) {
  const PrintInf& settings = table.GetPrintSettings();
  const int copies = count > 0 ? count : std::max(settings.copies, 1);
  std::unique_ptr<QPrinter> printer;
  if (!printer_seen && !AnyPrinter()) {
    const std::string path = prompts->PdfPathWithoutPrinter();
    if (path.empty()) return kPrintNotDoneText;
    printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(path));
  } else {
    const QPrinterInfo queue = PrinterToUse();
    if (queue.isNull()) return kPrinterGoneText;
    if (queue.state() == QPrinter::Error)
      return PrinterStoppedText(queue.printerName().toStdString());
    printer = std::make_unique<QPrinter>(queue, QPrinter::HighResolution);
  }
  SetUpPrinter(printer.get(), settings, copies, title);
  return PrintPages(table, printer.get()) ? "" : kPrintFailedText;
}

std::unique_ptr<QPrintPreviewDialog> MakePrintPreview(const DataSrc& table,
                                                      QWidget* parent) {
  auto dialog = std::make_unique<QPrintPreviewDialog>(parent);
  SetUpPrinter(dialog->printer(), table.GetPrintSettings(),
               table.GetPrintSettings().copies, "");
  QObject::connect(dialog.get(), &QPrintPreviewDialog::paintRequested,
                   [&table](QPrinter* printer) { PrintPages(table, printer); });
  return dialog;
}

void PrintPreview(const DataSrc& table, QWidget* parent) {
  MakePrintPreview(table, parent)->exec();
}

}  // namespace matslip
