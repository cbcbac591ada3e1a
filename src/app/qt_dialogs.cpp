#include "app/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <cmath>

namespace matslip {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A box belongs over the modal window the user works in, if any.
QWidget* Over(QWidget* parent) {
  QWidget* modal = QApplication::activeModalWidget();
  return modal ? modal : parent;
}

// Font sizes are kept in tenths of a millimetre; dialogs speak points.
constexpr double kTenthsPerPoint = 25.4 / 72.0 * 10.0;

}  // namespace

void QtDialogs::Message(const std::string& text, const std::string& caption,
                        MessageIcon icon) {
  QMessageBox box(Over(parent_));
  box.setWindowTitle(Q(caption));
  box.setText(Q(text));
  switch (icon) {
    case MessageIcon::kNone:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case MessageIcon::kInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageIcon::kWarning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MessageIcon::kError:
      box.setIcon(QMessageBox::Critical);
      break;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

bool QtDialogs::Ask(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, Q(caption), Q(text),
                  QMessageBox::Yes | QMessageBox::No, Over(parent_));
  box.setDefaultButton(QMessageBox::No);
  box.setWindowModality(Qt::ApplicationModal);
  return box.exec() == QMessageBox::Yes;
}

bool QtDialogs::InputText(const std::string& prompt, const std::string& caption,
                          std::string* value) {
  bool ok = false;
  QString answer = QInputDialog::getText(Over(parent_), Q(caption), Q(prompt),
                                         QLineEdit::Normal, Q(*value), &ok);
  if (ok) *value = answer.toStdString();
  return ok;
}

bool QtDialogs::InputInteger(const std::string& prompt,
                             const std::string& caption, int* value) {
  bool ok = false;
  int answer = QInputDialog::getInt(Over(parent_), Q(caption), Q(prompt),
                                    *value, INT_MIN, INT_MAX, 1, &ok);
  if (ok) *value = answer;
  return ok;
}

QString QtDialogs::QtFilter(const std::string& filter) {
  QStringList parts = Q(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    out << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
  return out.join(";;");
}

bool QtDialogs::ChooseFile(const FileDialogRequest& request,
                           std::string* path) {
  QFileDialog dialog(Over(parent_), Q(request.title), Q(request.directory),
                     QtFilter(request.filter));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave
                                    : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile
                                  : QFileDialog::ExistingFile);
  if (!request.default_suffix.empty())
    dialog.setDefaultSuffix(Q(request.default_suffix));
  if (!request.file_name.empty()) dialog.selectFile(Q(request.file_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return false;
  *path = dialog.selectedFiles().first().toStdString();
  return true;
}

bool QtDialogs::ChooseFont(FontChoice* font) {
  QFont initial(Q(font->name));
  initial.setPointSizeF(std::max(1.0, font->size / kTenthsPerPoint));
  initial.setBold(font->style & 1);
  initial.setItalic(font->style & 2);
  initial.setUnderline(font->style & 4);
  initial.setStrikeOut(font->style & 8);
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, initial, Over(parent_));
  if (!ok) return false;
  font->name = chosen.family().toStdString();
  font->size =
      static_cast<int>(std::lround(chosen.pointSizeF() * kTenthsPerPoint));
  font->style = (chosen.bold() ? 1 : 0) | (chosen.italic() ? 2 : 0) |
                (chosen.underline() ? 4 : 0) | (chosen.strikeOut() ? 8 : 0);
  return true;
}

}  // namespace matslip
