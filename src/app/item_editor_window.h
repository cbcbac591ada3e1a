#pragma once
// The item editor ("项目编辑(材料进库)"): creates materials, books receipts,
// steps through the material table and deletes. It opens the material table
// as "data" on the material selected in the main window and closes it when
// it goes.
#include <QLineEdit>
#include <QPushButton>

#include "app/proportional_window.h"

namespace matslip {

class Dialogs;

class ItemEditorWindow : public ProportionalWindow {
  Q_OBJECT

 public:
  ItemEditorWindow(Session* session, Dialogs* dialogs,
                   QWidget* parent = nullptr);
  ~ItemEditorWindow() override;

  QLineEdit* name_edit() const { return name_; }
  QLineEdit* model_edit() const { return model_; }
  QLineEdit* unit_edit() const { return unit_; }
  QLineEdit* price_edit() const { return price_; }
  QLineEdit* quantity_edit() const { return quantity_; }
  QLineEdit* alarm_edit() const { return alarm_; }
  QLineEdit* amount_edit() const { return amount_; }
  QPushButton* stock_in_button() const { return stock_in_; }
  QPushButton* delete_button() const { return delete_; }
  QPushButton* previous_button() const { return previous_; }
  QPushButton* next_button() const { return next_; }

 signals:
  // A record was written into the edits (also the delayed first one).
  void recordShown();

 private:
  // Fills the edits from the current record; the amount follows.
  void ShowRecord();
  // The amount after an edit of 单价 (`other` is 数量) or of 数量.
  void UpdateAmount(const QLineEdit* other);
  void Step(int direction);
  void Delete();
  void StockIn();

  Dialogs* dialogs_;
  QLineEdit* name_ = nullptr;
  QLineEdit* model_ = nullptr;
  QLineEdit* unit_ = nullptr;
  QLineEdit* price_ = nullptr;
  QLineEdit* quantity_ = nullptr;
  QLineEdit* alarm_ = nullptr;
  QLineEdit* amount_ = nullptr;
  QPushButton* stock_in_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
};

}  // namespace matslip
