// Renders the main window on a program directory into a PNG, off screen:
// matslip-screenshot DIR OUT.png. Used for the README's picture.
#include <QApplication>
#include <QPixmap>
#include <QStyleFactory>
#include <cstdio>

#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/session.h"
#include "grid/font_map_qt.h"
#include "store/db.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: matslip-screenshot DIR OUT.png\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setStyle(QStyleFactory::create("Fusion"));
  matslip::InstallFontSubstitutes();
  matslip::Session session;
  session.program_dir = argv[1];
  matslip::QtDialogs dialogs;
  bool saved;
  {
    matslip::MainWindow window(&session, &dialogs);
    window.show();
    QApplication::processEvents();  // the activation rebuilds the list
    window.setGeometry(0, 0, 1100, 700);
    QApplication::processEvents();
    saved = window.grab().save(QString::fromLocal8Bit(argv[2]), "PNG");
  }
  matslip::DbCloseAll();
  if (!saved) std::fprintf(stderr, "matslip-screenshot: cannot write %s\n", argv[2]);
  return saved ? 0 : 1;
}
