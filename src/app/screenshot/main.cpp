// Renders a window of the program on a program directory as users meet it,
// frame and title bar included, into a PNG:
// matslip-screenshot DIR OUT.png [main|picked|editor|slip|stockout|...]. "main"
// (the default) is the main window, grabbed with the whole screen, "picked"
// the same with its rows 2 to 4 picked for a slip; "editor" the item editor
// on the table's first material, "slip" the slip parameters window and
// "stockout" the stock-out window on the table's first three materials,
// "workbook" the grid workbook window on a 本月出库 result after a slip of
// five materials was booked, "ledger" the ledger text window on the second
// material after a receipt and two issues of it, each grabbed with its frame;
// "printtoolbar" the print toolbar window (frameless) on the print table of
// the qd.mzk that "workbook" left; "slippdf" prints that window's slip, and
// "printpdf" that print table, into the PDF file OUT instead (no window
// manager needed). It needs an X display with a window manager
// (scripts/screenshot.sh starts Xvfb and openbox); it grabs once the window
// manager has framed and activated the window.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPrinter>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "app/item_editor_window.h"
#include "app/ledger_window.h"
#include "app/main_window.h"
#include "app/print_toolbar_window.h"
#include "app/qt_dialogs.h"
#include "app/session.h"
#include "app/slip_parameters_window.h"
#include "app/stock_out_window.h"
#include "app/workbook_window.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/number.h"
#include "grid/font_map_qt.h"
#include "grid/grid.h"
#include "grid/grid_printer.h"
#include "material/material_table.h"
#include "material/stock_in.h"
#include "reports/period_report.h"
#include "stock/stock_out.h"
#include "store/db.h"

namespace {

constexpr int kFramingLimitMs = 20000;
// Time for what the activation starts (a rebuild, the editor's first record)
// to be painted.
constexpr int kSettleMs = 500;

// A window without a frame is ready once it is active.
bool FramedAndActive(const QWidget& window) {
  return window.isActiveWindow() && window.windowHandle() &&
         (window.windowHandle()->frameMargins().top() > 0 ||
          window.windowFlags().testFlag(Qt::FramelessWindowHint));
}

// The first `count` materials of the table, as picking their rows gives
// them.
std::vector<matslip::MaterialEntry> FirstMaterials(
    const matslip::Session& session, int count) {
  namespace m = matslip::material;
  std::vector<matslip::MaterialEntry> entries;
  if (matslip::DbOpen(session.PathOf(matslip::kMaterialFile), "first") &&
      matslip::DbFirst()) {
    do {
      matslip::MaterialEntry e;
      e.key = {matslip::DbRead(m::kName).ToText(),
               matslip::DbRead(m::kSpec).ToText()};
      e.unit = matslip::DbRead(m::kUnit).ToText();
      e.price = matslip::DbRead(m::kPrice).ToNumber();
      e.quantity = matslip::DbRead(m::kQuantity).ToNumber();
      e.value = matslip::DbRead(m::kValue).ToNumber();
      entries.push_back(e);
    } while (static_cast<int>(entries.size()) < count && matslip::DbSkip());
  }
  matslip::DbClose("first");
  return entries;
}

// Shows `window`, waits until it is framed and active, does `then`, and
// saves the screen (whole, or only the window's frame). False with a message
// on failure.
bool Grab(QWidget* window, bool whole_screen, const char* out,
          const std::function<void()>& then) {
  window->show();
  QElapsedTimer waited;
  waited.start();
  while (!FramedAndActive(*window) && waited.elapsed() < kFramingLimitMs)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  if (!FramedAndActive(*window)) {
    std::fprintf(stderr,
                 "matslip-screenshot: the window was never framed and "
                 "activated; is a window manager running?\n");
    return false;
  }
  if (then) then();
  QEventLoop settle;
  QTimer::singleShot(kSettleMs, &settle, &QEventLoop::quit);
  settle.exec();
  const QRect frame = window->frameGeometry();
  const QPixmap shot = whole_screen ? window->screen()->grabWindow(0)
                                    : window->screen()->grabWindow(
                                          0, frame.x(), frame.y(),
                                          frame.width(), frame.height());
  if (!shot.save(QString::fromLocal8Bit(out), "PNG")) {
    std::fprintf(stderr, "matslip-screenshot: cannot write %s\n", out);
    return false;
  }
  return true;
}

// Books a slip of some of the first materials at now and writes qd.mzk as
// 本月出库 does: the materials issued this month with this month's totals.
void WriteMonthOutResult(const matslip::Session& session) {
  namespace m = matslip::material;
  constexpr int kIssued[] = {0, 4, 10, 15, 22};
  constexpr const char* kQuantities[] = {"350", "120", "36", "4", "25"};
  const auto first = FirstMaterials(session, 23);
  matslip::Slip slip;
  for (std::size_t i = 0; i < std::size(kIssued); ++i) {
    if (kIssued[i] < static_cast<int>(first.size()))
      slip.lines.push_back(
          {first[kIssued[i]].key, kQuantities[i],
           matslip::NumberToText(matslip::RoundTo(
               matslip::TextToNumber(kQuantities[i]) * first[kIssued[i]].price,
               2))});
  }
  const double now = matslip::Now();
  matslip::BookStockOut(session.program_dir, slip, now);
  matslip::WritePeriodReport(session.program_dir,
                             matslip::PeriodReport::kMonthOut, now);
}

// Books a receipt and two issues of the material on the last three days, so
// that its ledger shows both logs with more than one line.
void BookLedgerMovements(const matslip::Session& session,
                         const matslip::MaterialKey& key) {
  matslip::DbOpen(session.PathOf(matslip::kMaterialFile),
                  matslip::kMaterialAlias);
  const matslip::CivilTime today = matslip::DateToCivil(matslip::Now());
  auto at = [&today](int days_ago, int hour, int minute) {
    return matslip::CivilToDate(
               {today.year, today.month, today.day, hour, minute, 0}) -
           days_ago;
  };
  matslip::SetClock(at(2, 9, 30));
  matslip::BookStockIn(
      session.PathOf(matslip::kStockInBackupFolder),
      {key.name, key.spec, "米", "12.5", "800", "10000", "500"},
      matslip::Now());
  matslip::SetClock(at(1, 14, 10));
  matslip::BookStockOut(session.program_dir,
                        {{{key, "350", "4375"}}, "线路一班", "王强"},
                        matslip::Now());
  matslip::SetClock(at(0, 10, 45));
  matslip::BookStockOut(session.program_dir,
                        {{{key, "120", "1500"}}, "配电运维班", "李明"},
                        matslip::Now());
  matslip::ResetClock();
}

}  // namespace

int main(int argc, char** argv) {
  const char* which = argc == 4 ? argv[3] : "main";
  auto is = [which](const char* name) { return !std::strcmp(which, name); };
  const bool known = is("main") || is("picked") || is("editor") || is("slip") ||
                     is("stockout") || is("slippdf") || is("workbook") ||
                     is("ledger") || is("printtoolbar") || is("printpdf");
  if ((argc != 3 && argc != 4) || !known) {
    std::fprintf(stderr,
                 "usage: matslip-screenshot DIR OUT.png "
                 "[main|picked|editor|slip|stockout|slippdf|workbook|ledger|"
                 "printtoolbar|printpdf]\n");
    return 2;
  }
  QApplication app(argc, argv);
  app.setStyle(QStyleFactory::create("Fusion"));
  matslip::InstallFontSubstitutes();
  matslip::Session session;
  session.program_dir = argv[1];
  matslip::QtDialogs dialogs;
  bool saved;
  // The workbook takes its size from the main window's.
  QWidget main_size;
  main_size.resize(1000, 640);
  {
    std::unique_ptr<matslip::WorkbookWindow> workbook;
    // Declared after the workbook: a print toolbar window is its child and
    // must go first.
    std::unique_ptr<QWidget> window;
    std::function<void()> then;
    if (is("editor")) {
      const auto first = FirstMaterials(session, 1);
      if (!first.empty()) session.selected = first[0].key;
      window = std::make_unique<matslip::ItemEditorWindow>(&session, &dialogs);
    } else if (is("slip")) {
      window =
          std::make_unique<matslip::SlipParametersWindow>(&session, &dialogs);
    } else if (is("slippdf")) {
      session.stock_out.selection = FirstMaterials(session, 3);
      matslip::StockOutWindow stock_out(&session, &dialogs);
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromLocal8Bit(argv[2]));
      matslip::SetUpPrinter(&printer, stock_out.slip().GetPrintSettings(), 1,
                            "");
      const bool printed = matslip::PrintPages(stock_out.slip(), &printer);
      if (!printed) std::fprintf(stderr, "matslip-screenshot: not printed\n");
      matslip::DbCloseAll();
      return printed ? 0 : 1;
    } else if (is("printpdf")) {
      matslip::WorkbookWindow workbook(&session, &dialogs, &main_size);
      matslip::PrintToolbarWindow toolbar(&session.print_table, &session.print,
                                          &dialogs, session.program_dir,
                                          &workbook);
      bool printed = toolbar.Build(session.PathOf(matslip::kResultFile),
                                   workbook.table(), matslip::Now());
      if (printed) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromLocal8Bit(argv[2]));
        matslip::SetUpPrinter(&printer, toolbar.table().GetPrintSettings(), 1,
                              "");
        printed = matslip::PrintPages(toolbar.table(), &printer);
      }
      if (!printed) std::fprintf(stderr, "matslip-screenshot: not printed\n");
      matslip::DbCloseAll();
      return printed ? 0 : 1;
    } else if (is("printtoolbar")) {
      // The workbook first, as the user meets it; the toolbar over it.
      workbook = std::make_unique<matslip::WorkbookWindow>(&session, &dialogs,
                                                           &main_size);
      workbook->show();
      workbook->print_table_action()->trigger();
      window.reset(workbook->findChild<matslip::PrintToolbarWindow*>());
      if (window == nullptr) {
        std::fprintf(stderr, "matslip-screenshot: no print table\n");
        return 1;
      }
      window->setAttribute(Qt::WA_DeleteOnClose, false);
      then = [w = static_cast<matslip::PrintToolbarWindow*>(window.get())] {
        w->grid().SetCursor(4, 1);
      };
    } else if (is("workbook")) {
      WriteMonthOutResult(session);
      window = std::make_unique<matslip::WorkbookWindow>(&session, &dialogs,
                                                         &main_size);
      then = [w = static_cast<matslip::WorkbookWindow*>(window.get())] {
        w->grid().SetCursor(2, 6);
      };
    } else if (is("ledger")) {
      // The second material: the workbook's slip issues the first.
      const auto first = FirstMaterials(session, 2);
      const matslip::MaterialKey key =
          first.size() == 2 ? first[1].key : matslip::MaterialKey{};
      if (!key.name.empty()) BookLedgerMovements(session, key);
      window =
          std::make_unique<matslip::LedgerWindow>(session.program_dir, key);
    } else if (is("stockout")) {
      session.stock_out.selection = FirstMaterials(session, 3);
      window = std::make_unique<matslip::StockOutWindow>(&session, &dialogs);
    } else {
      auto main_window =
          std::make_unique<matslip::MainWindow>(&session, &dialogs);
      if (is("picked")) {
        // Picked once the window is active: activation drops the picks.
        then = [w = main_window.get()] {
          w->grid().SelectRange({2, 1, 3, 1});
          w->grid().SetCursor(6, 4);  // off the picked rows, so they show
        };
      }
      window = std::move(main_window);
    }
    saved = Grab(window.get(), is("main") || is("picked"), argv[2], then);
  }
  matslip::DbCloseAll();
  return saved ? 0 : 1;
}
