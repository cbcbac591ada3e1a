#pragma once
// The ledger text window of "进出库簿": the movement ledger of one material
// in a read-only text box, closed with the close box. Modal, without a
// parent, with an empty caption.
#include <QDialog>
#include <QPlainTextEdit>
#include <string>

#include "material/material_table.h"

namespace matslip {

class LedgerWindow : public QDialog {
  Q_OBJECT

 public:
  // Fills the box with the ledger of `key` from the material table of
  // `program_dir`; the box stays empty when the material is not there.
  LedgerWindow(const std::string& program_dir, const MaterialKey& key);

  QPlainTextEdit* text_box() const { return text_; }

 private:
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace matslip
