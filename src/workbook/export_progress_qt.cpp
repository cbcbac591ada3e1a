#include "workbook/export_progress_qt.h"

#include <QCoreApplication>
#include <memory>

#include "base/files.h"
#include "material/material_table.h"

namespace matslip {
namespace {

// Short exports finish before the dialog would be worth showing.
constexpr int kShowAfterMs = 500;

}  // namespace

ExportProgress ExportProgressDialog::Callback() {
  return [this](int done, int total) {
    // A progress dialog starts the timer that shows it as it is made: made
    // any earlier, it would come up over the box that asks for the name.
    if (!dialog_) {
      dialog_ = std::make_unique<QProgressDialog>(
          QString::fromUtf8(kExportProgressLabel),
          QString::fromUtf8(kExportProgressCancel), 0, total, parent_);
      dialog_->setWindowModality(Qt::WindowModal);
      dialog_->setMinimumDuration(kShowAfterMs);
      dialog_->setAutoClose(false);
      dialog_->setAutoReset(false);
      dialog_->setAccessibleName(QString::fromUtf8(kExportProgressLabel));
    }
    if (dialog_->maximum() != total) dialog_->setMaximum(total);
    dialog_->setValue(done);
    // Gone before the message that follows the last block.
    if (done >= total) dialog_->hide();
    QCoreApplication::processEvents();
    return !dialog_->wasCanceled();
  };
}

ExportOutcome ExportReportSpreadsheet(const std::string& program_dir,
                                      Dialogs& dialogs, QWidget* parent) {
  ExportProgressDialog progress(parent);
  return RunSpreadsheetExport(program_dir,
                              ProgramFilePath(program_dir, kResultFile),
                              dialogs, progress.Callback());
}

}  // namespace matslip
