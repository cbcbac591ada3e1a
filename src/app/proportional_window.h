#pragma once
// The base of the dialogs whose controls scale with the window (item editor,
// stock-out, slip parameters): a subclass places its controls at their
// design geometry as direct children, then calls Restore(), which notes the
// layout in the session's one layout record and applies the stored geometry
// of config.ini. Every resize then places the controls in proportion and
// writes all four geometry keys; every move writes left and top.
//
// Geometry is the frame's position (what move() takes) and the client size
// (what resize() takes), so that a stored geometry opens the window exactly
// where and as large as it was.
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

 private:
  bool LaidOut() const;
  std::string ConfigPath() const;

  Session* session_;
  int geometry_window_;
  bool restored_ = false;
};

}  // namespace matslip
