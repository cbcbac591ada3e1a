#include "app/pdf_file_dialogs.h"

#include "base/dialogs.h"

namespace matslip {
namespace {

constexpr char kPdfFilter[] = "PDF 文件(*.pdf)|*.pdf";

}  // namespace

PdfFileDialog::PdfFileDialog(Dialogs* dialogs, std::string directory,
                             std::string title, std::string file_name,
                             std::function<void()> before_asking)
    : dialogs_(dialogs),
      directory_(std::move(directory)),
      title_(std::move(title)),
      file_name_(std::move(file_name)),
      before_asking_(std::move(before_asking)) {}

std::string PdfFileDialog::PdfPathWithoutPrinter() {
  if (before_asking_) before_asking_();
  FileDialogRequest request;
  request.save = true;
  request.title = title_;
  request.filter = kPdfFilter;
  request.directory = directory_;
  request.file_name = file_name_;
  request.default_suffix = "pdf";
  std::string path;
  return dialogs_->ChooseFile(request, &path) ? path : "";
}

}  // namespace matslip
