// Renders a window of the program on a program directory as users meet it,
// frame and title bar included, into a PNG:
// matslip-screenshot DIR OUT.png [main|editor|slip]. "main" (the default) is
// the main window, grabbed with the whole screen; "editor" the item editor on
// the table's first material and "slip" the slip parameters window, each
// grabbed with its frame. It needs an X display with a window manager
// (scripts/screenshot.sh starts Xvfb and openbox); it grabs once the window
// manager has framed and activated the window.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/item_editor_window.h"
#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/session.h"
#include "app/slip_parameters_window.h"
#include "grid/font_map_qt.h"
#include "store/db.h"
#include "store/material_table.h"

namespace {

constexpr int kFramingLimitMs = 20000;
// Time for what the activation starts (a rebuild, the editor's first record)
// to be painted.
constexpr int kSettleMs = 500;

bool FramedAndActive(const QWidget& window) {
  return window.isActiveWindow() && window.windowHandle() &&
         window.windowHandle()->frameMargins().top() > 0;
}

// The first material of the table, as if its row had been clicked.
matslip::MaterialKey FirstMaterial(const matslip::Session& session) {
  matslip::MaterialKey key;
  if (matslip::DbOpen(session.PathOf(matslip::kMaterialFile), "first") &&
      matslip::DbFirst()) {
    key = {matslip::DbRead(matslip::material::kName).ToText(),
           matslip::DbRead(matslip::material::kSpec).ToText()};
  }
  matslip::DbClose("first");
  return key;
}

// Shows `window`, waits until it is framed and active, and saves the screen
// (whole, or only the window's frame). False with a message on failure.
bool Grab(QWidget* window, bool whole_screen, const char* out) {
  window->show();
  QElapsedTimer waited;
  waited.start();
  while (!FramedAndActive(*window) && waited.elapsed() < kFramingLimitMs)
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  if (!FramedAndActive(*window)) {
    std::fprintf(stderr,
                 "matslip-screenshot: the window was never framed and "
                 "activated; is a window manager running?\n");
    return false;
  }
  QEventLoop settle;
  QTimer::singleShot(kSettleMs, &settle, &QEventLoop::quit);
  settle.exec();
  const QRect frame = window->frameGeometry();
  const QPixmap shot = whole_screen ? window->screen()->grabWindow(0)
                                    : window->screen()->grabWindow(
                                          0, frame.x(), frame.y(),
                                          frame.width(), frame.height());
  if (!shot.save(QString::fromLocal8Bit(out), "PNG")) {
    std::fprintf(stderr, "matslip-screenshot: cannot write %s\n", out);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* which = argc == 4 ? argv[3] : "main";
  const bool known = !std::strcmp(which, "main") ||
                     !std::strcmp(which, "editor") ||
                     !std::strcmp(which, "slip");
  if ((argc != 3 && argc != 4) || !known) {
    std::fprintf(stderr,
                 "usage: matslip-screenshot DIR OUT.png [main|editor|slip]\n");
    return 2;
  }
  QApplication app(argc, argv);
  app.setStyle(QStyleFactory::create("Fusion"));
  matslip::InstallFontSubstitutes();
  matslip::Session session;
  session.program_dir = argv[1];
  matslip::QtDialogs dialogs;
  bool saved;
  {
    std::unique_ptr<QWidget> window;
    if (!std::strcmp(which, "editor")) {
      session.selected = FirstMaterial(session);
      window = std::make_unique<matslip::ItemEditorWindow>(&session, &dialogs);
    } else if (!std::strcmp(which, "slip")) {
      window =
          std::make_unique<matslip::SlipParametersWindow>(&session, &dialogs);
    } else {
      window = std::make_unique<matslip::MainWindow>(&session, &dialogs);
    }
    saved = Grab(window.get(), !std::strcmp(which, "main"), argv[2]);
  }
  matslip::DbCloseAll();
  return saved ? 0 : 1;
}
