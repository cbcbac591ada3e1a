#include "shots.h"

#include <QPrinter>
#include <cstdio>
#include <memory>

#include "app/item_editor_window.h"
#include "app/ledger_window.h"
#include "app/main_window.h"
#include "app/print_toolbar_window.h"
#include "app/slip_parameters_window.h"
#include "app/stock_out_window.h"
#include "app/workbook_window.h"
#include "base/clock.h"
#include "grab.h"
#include "grid/grid.h"
#include "grid/grid_printer.h"
#include "sample_data.h"

namespace matslip::screenshot {
namespace {

// Prints `table` into the PDF file `out`.
bool PrintToPdf(const DataSrc& table, const char* out) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromLocal8Bit(out));
  SetUpPrinter(&printer, table.GetPrintSettings(), 1, "");
  const bool printed = PrintPages(table, &printer);
  if (!printed) std::fprintf(stderr, "matslip-screenshot: not printed\n");
  return printed;
}

}  // namespace

bool ShotMain(const Shot& shot) {
  MainWindow window(shot.session, shot.dialogs);
  return Grab(&window, true, shot.out);
}

bool ShotPicked(const Shot& shot) {
  MainWindow window(shot.session, shot.dialogs);
  // Picked once the window is active: activation drops the picks.
  return Grab(&window, true, shot.out, [&window] {
    window.grid().SelectRange({2, 1, 3, 1});
    window.grid().SetCursor(6, 4);  // off the picked rows, so they show
  });
}

bool ShotEditor(const Shot& shot) {
  const auto first = FirstMaterials(*shot.session, 1);
  if (!first.empty()) shot.session->selected = first[0].key;
  ItemEditorWindow window(shot.session, shot.dialogs);
  return Grab(&window, false, shot.out);
}

bool ShotSlip(const Shot& shot) {
  SlipParametersWindow window(shot.session, shot.dialogs);
  return Grab(&window, false, shot.out);
}

bool ShotStockOut(const Shot& shot) {
  shot.session->stock_out.selection = FirstMaterials(*shot.session, 3);
  StockOutWindow window(shot.session, shot.dialogs);
  return Grab(&window, false, shot.out);
}

bool ShotWorkbook(const Shot& shot) {
  WriteMonthOutResult(*shot.session);
  WorkbookWindow window(shot.session, shot.dialogs, shot.main_size);
  return Grab(&window, false, shot.out,
              [&window] { window.grid().SetCursor(2, 6); });
}

bool ShotLedger(const Shot& shot) {
  // The second material: the workbook's slip issues the first.
  const auto first = FirstMaterials(*shot.session, 2);
  const MaterialKey key = first.size() == 2 ? first[1].key : MaterialKey{};
  if (!key.name.empty()) BookLedgerMovements(*shot.session, key);
  LedgerWindow window(shot.session->program_dir, key);
  return Grab(&window, false, shot.out);
}

bool ShotPrintToolbar(const Shot& shot) {
  // The workbook first, as the user meets it; the toolbar over it, a child
  // of the workbook that goes with it.
  WorkbookWindow workbook(shot.session, shot.dialogs, shot.main_size);
  workbook.show();
  workbook.print_table_action()->trigger();
  auto* toolbar = workbook.findChild<PrintToolbarWindow*>();
  if (toolbar == nullptr) {
    std::fprintf(stderr, "matslip-screenshot: no print table\n");
    return false;
  }
  toolbar->setAttribute(Qt::WA_DeleteOnClose, false);
  return Grab(toolbar, false, shot.out,
              [toolbar] { toolbar->grid().SetCursor(4, 1); });
}

bool PrintSlip(const Shot& shot) {
  shot.session->stock_out.selection = FirstMaterials(*shot.session, 3);
  StockOutWindow stock_out(shot.session, shot.dialogs);
  return PrintToPdf(stock_out.slip(), shot.out);
}

bool PrintTable(const Shot& shot) {
  WorkbookWindow workbook(shot.session, shot.dialogs, shot.main_size);
  PrintToolbarWindow toolbar(&shot.session->print_table, &shot.session->print,
                             shot.dialogs, shot.session->program_dir,
                             &workbook);
  if (!toolbar.Build(shot.session->PathOf(kResultFile), workbook.table(),
                     Now())) {
    std::fprintf(stderr, "matslip-screenshot: not printed\n");
    return false;
  }
  return PrintToPdf(toolbar.table(), shot.out);
}

}  // namespace matslip::screenshot
