// Renders a window of the program on a program directory as users meet it,
// frame and title bar included, into a PNG, or prints one of its tables into
// a PDF: matslip-screenshot DIR OUT [MODE], the modes listed in kModes. The
// windows need an X display with a window manager (scripts/screenshot.sh
// starts Xvfb and openbox); each is grabbed once the window manager has
// framed and activated it. The PDF modes need no window manager.
#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <cstring>

#include "app/qt_dialogs.h"
#include "app/session.h"
#include "grid/font_map_qt.h"
#include "shots.h"
#include "store/db.h"

namespace {

using namespace matslip::screenshot;

struct Mode {
  const char* name;
  const char* what;
  bool (*render)(const Shot&);
};

constexpr Mode kModes[] = {
    {"main", "the main window, with the whole screen (the default)", ShotMain},
    {"picked", "the same with its rows 2 to 4 picked for a slip", ShotPicked},
    {"editor", "the item editor on the table's first material", ShotEditor},
    {"slip", "the slip parameters window", ShotSlip},
    {"stockout", "the stock-out window on the first three materials",
     ShotStockOut},
    {"slippdf", "that window's slip printed into the PDF file OUT", PrintSlip},
    {"workbook",
     "the workbook on a 本月出库 result after a slip of five materials",
     ShotWorkbook},
    {"ledger", "the ledger of the second material after three movements",
     ShotLedger},
    {"printtoolbar",
     "the print toolbar (frameless) on the qd.mzk \"workbook\" left",
     ShotPrintToolbar},
    {"printpdf", "that print table printed into the PDF file OUT", PrintTable},
};

const Mode* FindMode(const char* name) {
  for (const Mode& mode : kModes) {
    if (!std::strcmp(mode.name, name)) return &mode;
  }
  return nullptr;
}

void PrintUsage() {
  std::fprintf(stderr, "usage: matslip-screenshot DIR OUT [MODE]\n");
  for (const Mode& mode : kModes)
    std::fprintf(stderr, "  %-13s %s\n", mode.name, mode.what);
}

}  // namespace

int main(int argc, char** argv) {
  const Mode* mode = FindMode(argc == 4 ? argv[3] : kModes[0].name);
  if ((argc != 3 && argc != 4) || mode == nullptr) {
    PrintUsage();
    return 2;
  }
  QApplication app(argc, argv);
  app.setStyle(QStyleFactory::create("Fusion"));
  matslip::InstallFontSubstitutes();
  matslip::Session session;
  session.program_dir = argv[1];
  matslip::QtDialogs dialogs;
  QWidget main_size;
  main_size.resize(1000, 640);
  const bool done = mode->render({&session, &dialogs, argv[2], &main_size});
  matslip::DbCloseAll();
  return done ? 0 : 1;
}
