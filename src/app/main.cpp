// Start-up: the program directory, the material table, the session and the
// main window; the message loop runs until the main window closes.
#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <memory>

#include "app/display.h"
#include "app/folder_file_system.h"
#include "app/main_window.h"
#include "app/program_dir.h"
#include "app/qt_dialogs.h"
#include "app/quit_on_signals_qt.h"
#include "app/session.h"
#include "app/translations_qt.h"
#include "grid/font_map_qt.h"
#include "material/material_table.h"
#include "store/db.h"

namespace {

constexpr char kNoTranslations[] =
    "matslip: 找不到 Qt 的中文翻译，标准对话框将显示英文。\n"
    "matslip: Qt's Chinese translations are missing; standard dialogs stay "
    "in English.\n";
constexpr char kNoSignalHandlers[] =
    "matslip: 无法接管终止信号，被终止时工作文件不会删除。\n"
    "matslip: cannot handle termination signals; working files stay behind "
    "when the program is terminated.\n";

}  // namespace

int main(int argc, char** argv) {
  if (const std::string problem = matslip::DisplayProblem(); !problem.empty()) {
    std::fputs(problem.c_str(), stderr);
    return 1;
  }
  matslip::UseChineseLocaleForQt();
  QApplication app(argc, argv);
  app.setStyle(QStyleFactory::create("Fusion"));
  matslip::InstallFontSubstitutes();
  const auto translations = matslip::LoadQtChineseTranslations();
  if (!translations || !app.installTranslator(translations.get()))
    std::fputs(kNoTranslations, stderr);
  matslip::QuitOnSignals quit_on_signals;
  if (!quit_on_signals.Install()) std::fputs(kNoSignalHandlers, stderr);

  auto session = std::make_unique<matslip::Session>();
  session->program_dir = matslip::ProgramDirectory(
      argc, argv, QCoreApplication::applicationDirPath().toStdString());
  matslip::QtDialogs dialogs;
  const std::string problem =
      matslip::ProgramDirectoryProblem(session->program_dir);
  if (!problem.empty()) {
    dialogs.Message(problem, matslip::kInfoCaption,
                    matslip::MessageIcon::kWarning);
    return 1;
  }
  // Said, not refused: one PC alone on such a folder is safe.
  const std::string warning =
      matslip::FolderFileSystemWarning(session->program_dir);
  if (!warning.empty())
    dialogs.Message(warning, matslip::kInfoCaption,
                    matslip::MessageIcon::kWarning);
  // A first start finds no material table: begin with an empty one.
  matslip::material::EnsureTable(session->PathOf(matslip::kMaterialFile));

  int result;
  {
    matslip::MainWindow window(session.get(), &dialogs);
    dialogs.set_parent(&window);
    window.show();
    result = app.exec();
  }
  matslip::DbCloseAll();
  return result;
}
