#include "grid/page_setup_dialogs.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
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

std::unique_ptr<QPageSetupDialog> MakePageSetup(const PrintInf& settings,
                                                QPrinter* printer,
                                                QString* picked,
                                                QWidget* parent) {
  printer->setPageLayout(
      PageLayoutOf(settings, printer->pageLayout().pageSize()));
  auto dialog = std::make_unique<QPageSetupDialog>(printer, parent);
  const QStringList names = QPrinterInfo::availablePrinterNames();
  auto* layout = qobject_cast<QBoxLayout*>(dialog->layout());
  if (names.isEmpty() || layout == nullptr) return dialog;
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(QString::fromUtf8(kPrinterListCaption));
  auto* list = new QComboBox;
  list->addItems(names);
  list->setCurrentText(printer->printerName());
  label->setBuddy(list);
  list->setAccessibleName(label->text());
  row->addWidget(label);
  row->addWidget(list, 1);
  layout->insertLayout(0, row);
  QPageSetupDialog* shown = dialog.get();
  QObject::connect(list, &QComboBox::currentTextChanged, shown,
                   [shown, picked](const QString& name) {
                     *picked = name;
                     shown->reject();
                   });
  return dialog;
}

bool RunPageSetup(PrintInf* settings, QWidget* parent) {
  QString queue = PrinterToUse().printerName();
  bool repicked = false;
  for (;;) {
    QPrinter printer(QPrinter::HighResolution);
    if (!queue.isEmpty()) printer.setPrinterName(queue);
    QString picked;
    const auto dialog = MakePageSetup(*settings, &printer, &picked, parent);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!picked.isEmpty()) {
      // Opened anew on the picked printer's papers.
      queue = picked;
      repicked = true;
      continue;
    }
    if (!accepted) return false;
    if (repicked) ChoosePrinter(queue);
    *settings = WithPageLayout(*settings, printer.pageLayout());
    return true;
  }
}

}  // namespace matslip
