#include "workbook/export_progress_qt.h"

#include <QCoreApplication>

#include "base/files.h"

namespace matslip {
namespace {

// Short exports finish before the dialog would be worth showing.
constexpr int kShowAfterMs = 500;
constexpr char kResultTable[] = "qd.mzk";

}  // namespace

ExportProgressDialog::ExportProgressDialog(QWidget* parent)
    : dialog_(QString::fromUtf8(kExportProgressLabel),
              QString::fromUtf8(kExportProgressCancel), 0, 0, parent) {
  dialog_.setWindowModality(Qt::WindowModal);
  dialog_.setMinimumDuration(kShowAfterMs);
  dialog_.setAutoClose(false);
  dialog_.setAutoReset(false);
  dialog_.setAccessibleName(QString::fromUtf8(kExportProgressLabel));
}

ExportProgress ExportProgressDialog::Callback() {
  return [this](int done, int total) {
    if (dialog_.maximum() != total) dialog_.setMaximum(total);
    dialog_.setValue(done);
    // Gone before the message that follows the last block.
    if (done >= total) dialog_.hide();
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  };
}

ExportOutcome ExportReportSpreadsheet(const std::string& program_dir,
                                      Dialogs& dialogs, QWidget* parent) {
  ExportProgressDialog progress(parent);
  return RunSpreadsheetExport(program_dir,
                              ProgramFilePath(program_dir, kResultTable),
                              dialogs, progress.Callback());
}

}  // namespace matslip
