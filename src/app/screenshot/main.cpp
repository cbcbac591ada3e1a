// Renders the main window on a program directory as users meet it, frame
// and title bar included, into a PNG of the whole screen:
// matslip-screenshot DIR OUT.png. It needs an X display with a window
// manager (scripts/screenshot.sh starts Xvfb and openbox); it grabs the
// screen once the window manager has framed and activated the window.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "app/main_window.h"
#include "app/qt_dialogs.h"
#include "app/session.h"
#include "grid/font_map_qt.h"
#include "store/db.h"

namespace {

constexpr int kFramingLimitMs = 20000;
// Time for the rebuild that the activation starts to be painted.
constexpr int kSettleMs = 500;

bool FramedAndActive(const QWidget& window) {
  return window.isActiveWindow() && window.windowHandle() &&
         window.windowHandle()->frameMargins().top() > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: matslip-screenshot DIR OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  app.setStyle(QStyleFactory::create("Fusion"));
  matslip::InstallFontSubstitutes();
  matslip::Session session;
  session.program_dir = argv[1];
  matslip::QtDialogs dialogs;
  bool framed;
  bool saved = false;
  {
    matslip::MainWindow window(&session, &dialogs);
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!FramedAndActive(window) && waited.elapsed() < kFramingLimitMs)
      QApplication::processEvents(QEventLoop::AllEvents, 50);
    framed = FramedAndActive(window);
    if (framed) {
      QEventLoop settle;
      QTimer::singleShot(kSettleMs, &settle, &QEventLoop::quit);
      settle.exec();
      saved = window.screen()->grabWindow(0).save(
          QString::fromLocal8Bit(argv[2]), "PNG");
    }
  }
  matslip::DbCloseAll();
  if (!framed) {
    std::fprintf(stderr,
                 "matslip-screenshot: the window was never framed and "
                 "activated; is a window manager running?\n");
    return 1;
  }
  if (!saved)
    std::fprintf(stderr, "matslip-screenshot: cannot write %s\n", argv[2]);
  return saved ? 0 : 1;
}
