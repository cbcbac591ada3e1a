#pragma once
// Printing a table with its own print settings (PrintInf): paper type and
// orientation, margins, scale, copies, print range and page numbers. The
// page layout decides which rows and columns fall on which page and where;
// header rows (and columns) repeat on every page; cells are drawn by the
// same TablePainter as on screen, without the screen's grid lines and
// header faces. Without an installed printer, Print asks for a PDF file to
// write instead; once the run has seen a printer, a print that finds none
// (deleted, or the print service gone) says so instead. The preview always
// works.
#include <QPageSize>
#include <QPrinterInfo>
#include <memory>
#include <string>

#include "grid/print_inf.h"

class QPrinter;
class QPrintPreviewDialog;
class QWidget;

namespace matslip {

class DataSrc;

// Results of Print besides success (the empty text).
inline constexpr char kPrintNotDoneText[] = "没有打印";
inline constexpr char kPrintFailedText[] = "打印失败";
inline constexpr char kPrinterGoneText[] =
    "找不到打印机：它已被删除，或打印服务没有运行。没有打印。";
// The printer `name` is stopped (its jobs would wait unseen).
std::string PrinterStoppedText(const std::string& name);

// Questions Print may ask the user; tests answer them.
class PrintPrompts {
 public:
  virtual ~PrintPrompts() = default;
  // No printer is installed: the PDF file to write the pages to instead,
  // empty to print nothing.
  virtual std::string PdfPathWithoutPrinter() = 0;
};

// The paper of a paper type (PrintInf field 1): the listed papers and the
// custom sizes by their platform paper codes; type 0 and unknown codes give
// `printer_default`.
QPageSize PageSizeOfType(int paper_type, const QPageSize& printer_default);
// Its size in tenths of a millimetre as it lies: as listed, turned for
// `orientation` 1 (landscape).
PaperSize PaperOf(const QPageSize& page_size, int orientation);

// The printer Print uses: the one chosen in the page set-up for the rest of
// the run, else the default printer; null when that is not installed.
QPrinterInfo PrinterToUse();
void ChoosePrinter(const QString& name);

// Makes the table's GetPrintableWidth/Height answer for the paper of the
// printer to use, as installed now; without a printer they keep to A4.
void InstallPaperHook(DataSrc* table);

// Sets up `printer` for the table's settings: paper, orientation, the whole
// sheet as the drawing area (the table's margins place the cells), copies,
// document name.
void SetUpPrinter(QPrinter* printer, const PrintInf& settings, int copies,
                  const std::string& title);
// Draws the pages the settings choose, `copies` times over when the
// printer cannot make copies itself. False when the printer cannot start.
bool PrintPages(const DataSrc& table, QPrinter* printer);

// Prints `count` copies (0 or less: the settings' copies, at least 1) on the
// printer to use, or into the PDF file `prompts` names when there is no
// printer. The empty text when printed, kPrintNotDoneText when the user
// named no file, else the message to show: kPrintFailedText,
// kPrinterGoneText or PrinterStoppedText.
std::string Print(const DataSrc& table, int count, const std::string& title,
                  PrintPrompts* prompts);

// The preview dialog of the table's pages; PrintPreview runs it.
std::unique_ptr<QPrintPreviewDialog> MakePrintPreview(const DataSrc& table,
                                                      QWidget* parent);
void PrintPreview(const DataSrc& table, QWidget* parent);

}  // namespace matslip
