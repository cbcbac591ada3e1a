#pragma once
// The progress of a spreadsheet export as the user sees it: a window-modal
// progress dialog counting the records written of the total, with a cancel
// button. Every call of the callback processes pending events, so the
// window stays responsive between two blocks of rows.
#include <QProgressDialog>
#include <memory>
#include <string>

#include "workbook/spreadsheet_export.h"

namespace matslip {

inline constexpr char kExportProgressLabel[] = "正在转换电子表格……";
inline constexpr char kExportProgressCancel[] = "取消";

class ExportProgressDialog {
 public:
  explicit ExportProgressDialog(QWidget* parent) : parent_(parent) {}

  // Shows `done` of `total`; false once the user has cancelled. The dialog
  // is made at the first call, when the export begins.
  ExportProgress Callback();
  // Null until the export has begun.
  QProgressDialog* dialog() const { return dialog_.get(); }

 private:
  QWidget* parent_;
  std::unique_ptr<QProgressDialog> dialog_;
};

// "&W.转为电子表格" of the window `parent`: the result table qd.mzk of
// `program_dir` exported (not the cells shown, which may be sorted or
// edited) with the progress dialog over `parent`.
ExportOutcome ExportReportSpreadsheet(const std::string& program_dir,
                                      Dialogs& dialogs, QWidget* parent);

}  // namespace matslip
