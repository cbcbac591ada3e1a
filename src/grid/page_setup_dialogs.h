#pragma once
// Qt's page set-up dialog over a table's print settings: paper, orientation
// and the four margins are shown and changed; every other field of the
// PrintInf passes through. Above them, the installed printers: the papers
// offered are those of the printer chosen there, and that printer is the
// one printed on for the rest of the run.
#include <QPageLayout>
#include <QPageSetupDialog>
#include <memory>

#include "grid/print_inf.h"

class QPrinter;
class QWidget;

namespace matslip {

// The page layout of the settings: their paper (the printer's default for
// type 0), orientation and margins.
QPageLayout PageLayoutOf(const PrintInf& settings,
                         const QPageSize& printer_default);
// `settings` with paper, orientation and margins taken from `layout`.
PrintInf WithPageLayout(PrintInf settings, const QPageLayout& layout);

// The caption of the printer list.
inline constexpr char kPrinterListCaption[] = "打印机：";

// The dialog on `printer` (set up for `settings`), with the printer list when
// a printer is installed. Picking another printer there writes its name to
// `*picked` and rejects the dialog, so that it can be opened anew for it.
std::unique_ptr<QPageSetupDialog> MakePageSetup(const PrintInf& settings,
                                                QPrinter* printer,
                                                QString* picked,
                                                QWidget* parent);

// Runs the dialog on `settings`; false (settings unchanged) on cancel. A
// printer picked in it stays the one to use (ChoosePrinter).
bool RunPageSetup(PrintInf* settings, QWidget* parent);

}  // namespace matslip
