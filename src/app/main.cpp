// Start-up: the program directory, the material table, the session and the
// main window; the message loop runs until the main window closes.
#include <QApplication>
#include <QStyleFactory>
#include <cstdio>
#include <memory>

#include "app/main_window.h"
#include "app/program_dir.h"
#include "app/qt_dialogs.h"
#include "app/session.h"
#include "grid/font_map_qt.h"
#include "store/db.h"
#include "store/material_table.h"

int main(int argc, char** argv) {
  if (!matslip::HasDisplay()) {
    std::fprintf(stderr,
                 "matslip: no display server found (DISPLAY and "
                 "WAYLAND_DISPLAY are not set). Start it from a desktop "
                 "session.\n");
    return 1;
  }
  QApplication app(argc, argv);
  app.setStyle(QStyleFactory::create("Fusion"));
  matslip::InstallFontSubstitutes();

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
