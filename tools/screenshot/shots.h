#pragma once
// One function per picture the tool makes. Each renders on the program
// directory of `shot.session` into `shot.out` and returns false (with a
// message on standard error) when it could not.
#include <QWidget>

#include "app/qt_dialogs.h"
#include "app/session.h"

namespace matslip::screenshot {

struct Shot {
  Session* session;
  QtDialogs* dialogs;
  const char* out;
  // The workbook takes its size from the main window's.
  QWidget* main_size;
};

bool ShotMain(const Shot& shot);
bool ShotPicked(const Shot& shot);
bool ShotEditor(const Shot& shot);
bool ShotSlip(const Shot& shot);
bool ShotStockOut(const Shot& shot);
bool ShotWorkbook(const Shot& shot);
bool ShotLedger(const Shot& shot);
bool ShotPrintToolbar(const Shot& shot);
bool PrintSlip(const Shot& shot);
bool PrintTable(const Shot& shot);

}  // namespace matslip::screenshot
