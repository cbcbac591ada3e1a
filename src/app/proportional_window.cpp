#include "app/proportional_window.h"

#include <QMoveEvent>
#include <QResizeEvent>
#include <cstdint>

#include "app/settings.h"

namespace matslip {
namespace {

std::uintptr_t HandleOf(const QWidget* widget) {
  return reinterpret_cast<std::uintptr_t>(widget);
}

LayoutRect ToLayout(const QRect& r) {
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

ProportionalWindow::ProportionalWindow(Session* session, int geometry_window,
                                       QSize design_size, QWidget* parent)
    : QDialog(parent), session_(session), geometry_window_(geometry_window) {
  resize(design_size);
}

void ProportionalWindow::Restore() {
  WindowLayout& layout = session_->layout;
  layout.window = HandleOf(this);
  layout.frame = ToLayout(geometry());
  layout.children.clear();
  // Direct children only: a control's inner widgets follow their control.
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    layout.children.push_back({HandleOf(child), ToLayout(child->geometry())});
  restored_ = true;

  const WindowGeometry g = ReadWindowGeometry(ConfigPath(), geometry_window_);
  move(g.left, g.top);
  resize(g.width, g.height);
}

bool ProportionalWindow::LaidOut() const {
  return restored_ && session_->layout.window == HandleOf(this);
}

std::string ProportionalWindow::ConfigPath() const {
  return session_->PathOf(kConfigFileName);
}

void ProportionalWindow::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  if (!LaidOut()) return;
  // Write failures leave the old geometry; nothing to tell the user.
  WriteWindowPosition(ConfigPath(), geometry_window_, x(), y());
}

void ProportionalWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (!LaidOut()) return;
  const WindowLayout& layout = session_->layout;
  const std::vector<LayoutRect> placed = Relayout(layout, width(), height());
  const QList<QWidget*> children =
      findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (std::size_t i = 0; i < placed.size(); ++i) {
    for (QWidget* child : children) {
      if (HandleOf(child) != layout.children[i].handle) continue;
      const LayoutRect& r = placed[i];
      child->setGeometry(r.left, r.top, r.width, r.height);
      child->update();
    }
  }
  WriteWindowGeometry(ConfigPath(), geometry_window_,
                      {x(), y(), width(), height()});
}

}  // namespace matslip
