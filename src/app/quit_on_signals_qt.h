#pragma once
// An orderly end on SIGTERM, SIGINT and SIGHUP (a session logging out,
// Ctrl+C in a terminal). The signal handler only writes the signal's number
// into a pipe; the event loop reads it and ends every running event loop, so
// the clean-up after QApplication::exec() runs as after closing the main
// window. exec() then returns 128 plus the signal's number.
#include <QObject>

class QSocketNotifier;

namespace matslip {

class QuitOnSignals : public QObject {
  Q_OBJECT

 public:
  QuitOnSignals() = default;
  // Puts back the default handlers and closes the pipe.
  ~QuitOnSignals() override;

  // Needs the application object. False, with nothing installed, when the
  // pipe or a handler cannot be set up (or another instance is installed).
  bool Install();

 private:
  void OnSignalReceived();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace matslip
