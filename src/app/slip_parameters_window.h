#pragma once
// The slip parameters window ("参数配置"): the ten header and footer texts of
// the outbound slip, read from config.ini when the window opens and written
// back by "确定". The window stays open after saving.
#include <QLineEdit>
#include <QPushButton>
#include <array>

#include "app/proportional_window.h"

namespace matslip {

class Dialogs;

class SlipParametersWindow : public ProportionalWindow {
  Q_OBJECT

 public:
  SlipParametersWindow(Session* session, Dialogs* dialogs,
                       QWidget* parent = nullptr);

  // The edits in the order of the slip's texts (仓库名称 ... 领料).
  const std::array<QLineEdit*, 10>& edits() const { return edits_; }
  QPushButton* save_button() const { return save_; }

 private:
  void Load();
  void Save();

  Dialogs* dialogs_;
  std::array<QLineEdit*, 10> edits_{};
  QPushButton* save_ = nullptr;
};

}  // namespace matslip
