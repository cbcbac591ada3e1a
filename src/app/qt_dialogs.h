#pragma once
// The Dialogs of the running program: Qt message boxes, input boxes, file and
// font dialogs, modal to a parent window.
#include <QPointer>
#include <QWidget>

#include "base/dialogs.h"

namespace matslip {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }

  void Message(const std::string& text, const std::string& caption,
               MessageIcon icon) override;
  bool Ask(const std::string& text, const std::string& caption) override;
  bool InputText(const std::string& prompt, const std::string& caption,
                 std::string* value) override;
  bool InputInteger(const std::string& prompt, const std::string& caption,
                    int* value) override;
  bool ChooseFile(const FileDialogRequest& request, std::string* path) override;
  bool ChooseFont(FontChoice* font) override;

  // "表格文件(*.grd)|*.grd|全部|*" -> "表格文件(*.grd) (*.grd);;全部 (*)".
  static QString QtFilter(const std::string& filter);

 private:
  QPointer<QWidget> parent_;
};

}  // namespace matslip
