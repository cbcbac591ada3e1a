#pragma once
// The PDF file a print goes into when no printer is installed: a save
// dialog in the program directory proposing a name of the window's own.
#include <functional>
#include <string>

#include "grid/grid_printer.h"

namespace matslip {

class Dialogs;

class PdfFileDialog : public PrintPrompts {
 public:
  // `before_asking`, when given, runs just before the dialog opens (a
  // window kept on top of others steps back there).
  PdfFileDialog(Dialogs* dialogs, std::string directory, std::string title,
                std::string file_name,
                std::function<void()> before_asking = nullptr);
  std::string PdfPathWithoutPrinter() override;

 private:
  Dialogs* dialogs_;
  std::string directory_;
  std::string title_;
  std::string file_name_;
  std::function<void()> before_asking_;
};

}  // namespace matslip
