#include "app/ledger_window.h"

#include "reports/ledger.h"

namespace matslip {
namespace {

constexpr QSize kClientSize(693, 616);
constexpr QRect kTextRect(8, 8, 672, 568);
constexpr char kTextName[] = "进出库簿";

}  // namespace

LedgerWindow::LedgerWindow(const std::string& program_dir,
                           const MaterialKey& key)
    : QDialog(nullptr) {
  setWindowTitle(QString());
  setModal(true);
  resize(kClientSize);
  text_ = new QPlainTextEdit(this);
  text_->setGeometry(kTextRect);
  text_->setAccessibleName(QString::fromUtf8(kTextName));
  text_->setReadOnly(true);
  // Read-only, yet the keys still move through the text and select.
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                 Qt::TextSelectableByKeyboard);
  // One movement per line: a log line read across a wrap is easily misread.
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setPlainText(QString::fromStdString(MaterialLedger(program_dir, key)));
}

}  // namespace matslip
