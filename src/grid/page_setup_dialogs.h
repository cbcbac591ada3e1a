#pragma once
// Qt's page set-up dialog over a table's print settings: paper, orientation
// and the four margins are shown and changed; every other field of the
// PrintInf passes through.
#include <QPageLayout>

#include "grid/print_inf.h"

class QWidget;

namespace matslip {

// The page layout of the settings: their paper (the printer's default for
// type 0), orientation and margins.
QPageLayout PageLayoutOf(const PrintInf& settings,
                         const QPageSize& printer_default);
// `settings` with paper, orientation and margins taken from `layout`.
PrintInf WithPageLayout(PrintInf settings, const QPageLayout& layout);

// Runs the dialog on `settings`; false (settings unchanged) on cancel.
bool RunPageSetup(PrintInf* settings, QWidget* parent);

}  // namespace matslip
