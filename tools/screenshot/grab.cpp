#include "grab.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace matslip::screenshot {
namespace {

constexpr int kFramingLimitMs = 20000;
// Time for what the activation starts (a rebuild, the editor's first record)
// to be painted.
constexpr int kSettleMs = 500;

bool FramedAndActive(const QWidget& window) {
  return window.isActiveWindow() && window.windowHandle() &&
         (window.windowHandle()->frameMargins().top() > 0 ||
          window.windowFlags().testFlag(Qt::FramelessWindowHint));
}

}  // namespace

bool Grab(QWidget* window, bool whole_screen, const char* out,
          const std::function<void()>& then) {
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
  if (then) then();
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

}  // namespace matslip::screenshot
