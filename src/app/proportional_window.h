#pragma once
// The base of the dialogs whose controls scale with the window (item editor,
// stock-out, slip parameters): a subclass places its controls at their
// design geometry as direct children, then calls Restore(), which notes the
// layout in the session's one layout record and applies the stored geometry
// of config.ini. Every resize then places the controls in proportion and
// writes all four geometry keys; every move writes left and top.
//
// Geometry is the frame's: its position (what move() takes) and its outer
// size, title bar and borders included, as the settings mean it, so that a
// config.ini moved between installations opens the window as large as it
// was. Until the window manager has framed the window, the frame is taken
// to be as thick as the owner's.
#include <QDialog>

#include "app/session.h"

namespace matslip {

// The caption of the program's windows other than the main window.
inline constexpr char kWindowTitle[] = "四川澜栖供电有限责任公司材料出库单系统";

class ProportionalWindow : public QDialog {
  Q_OBJECT

 public:
  // `geometry_window` is kItemEditorWindow, kStockOutWindow or
  // kSlipParametersWindow (app/settings.h).
  ProportionalWindow(Session* session, int geometry_window, QSize design_size,
                     QWidget* parent);

 protected:
  // Notes the design layout, then moves and resizes the window to the
  // stored geometry. Call once, after the controls are in place.
  void Restore();

  Session& session() const { return *session_; }

  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool LaidOut() const;
  std::string ConfigPath() const;
  // The frame around the client area: the window's own once it is framed,
  // else the owner's.
  QMargins FrameMargins() const;
  // Once the window is framed, the stored outer size is given to the frame
  // (the size restored was a guess at the frame's thickness).
  void FitStoredSizeToFrame();

  Session* session_;
  int geometry_window_;
  bool restored_ = false;
  QSize stored_size_;    // outer, as restored
  bool framed_ = false;  // FitStoredSizeToFrame done
};

}  // namespace matslip
