#include "grid/page_setup_dialogs.h"

#include <QPageSetupDialog>
#include <QPrinter>
#include <cmath>

#include "grid/grid_printer.h"

namespace matslip {
namespace {

constexpr double kTenthsPerMillimetre = 10;

int Tenths(double millimetres) {
  return static_cast<int>(std::lround(millimetres * kTenthsPerMillimetre));
}

// The paper type of a page size: a listed paper when it is one, else the
// custom size of its platform code.
int PaperTypeOf(const QPageSize& page_size) {
  for (int type = 1; type < kPaperTypeCount; ++type) {
    if (PageSizeOfType(type, QPageSize()).id() == page_size.id()) return type;
  }
  return PaperTypeOfCode(page_size.windowsId());
}

}  // namespace

QPageLayout PageLayoutOf(const PrintInf& settings,
                         const QPageSize& printer_default) {
  return QPageLayout(PageSizeOfType(settings.paper_type, printer_default),
                     settings.orientation == kLandscape ? QPageLayout::Landscape
                                                        : QPageLayout::Portrait,
                     QMarginsF(settings.left_margin / kTenthsPerMillimetre,
                               settings.top_margin / kTenthsPerMillimetre,
                               settings.right_margin / kTenthsPerMillimetre,
                               settings.bottom_margin / kTenthsPerMillimetre),
                     QPageLayout::Millimeter, QMarginsF());
}

PrintInf WithPageLayout(PrintInf settings, const QPageLayout& layout) {
  settings.paper_type = PaperTypeOf(layout.pageSize());
  settings.orientation =
      layout.orientation() == QPageLayout::Landscape ? kLandscape : 0;
  const QMarginsF m = layout.margins(QPageLayout::Millimeter);
  settings.left_margin = Tenths(m.left());
  settings.top_margin = Tenths(m.top());
  settings.right_margin = Tenths(m.right());
  settings.bottom_margin = Tenths(m.bottom());
  return Clamped(settings);
}

bool RunPageSetup(PrintInf* settings, QWidget* parent) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(
      PageLayoutOf(*settings, printer.pageLayout().pageSize()));
  QPageSetupDialog dialog(&printer, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  *settings = WithPageLayout(*settings, printer.pageLayout());
  return true;
}

}  // namespace matslip
