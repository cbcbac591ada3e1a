#include "app/proportional_window.h"

#include <QMoveEvent>
#include <QResizeEvent>
#include <QShowEvent>
#include <QWindow>
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
  stored_size_ = QSize(g.width, g.height);
  framed_ = false;
  move(g.left, g.top);
  resize(stored_size_.shrunkBy(FrameMargins()));
}

QMargins ProportionalWindow::FrameMargins() const {
  if (const QWindow* own = windowHandle(); own && isVisible()) {
    if (const QMargins m = own->frameMargins(); !m.isNull()) return m;
  }
  const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  if (owner && owner->windowHandle())
    return owner->windowHandle()->frameMargins();
  return {};
}

void ProportionalWindow::FitStoredSizeToFrame() {
  if (!restored_ || framed_ || !windowHandle()) return;
  const QMargins m = windowHandle()->frameMargins();
  if (m.isNull()) return;  // not framed yet
  framed_ = true;
  const QSize client = stored_size_.shrunkBy(m);
  if (client != size()) resize(client);
}

void ProportionalWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FitStoredSizeToFrame();
}

bool ProportionalWindow::LaidOut() const {
  return restored_ && session_->layout.window == HandleOf(this);
}

std::string ProportionalWindow::ConfigPath() const {
  return session_->PathOf(kConfigFileName);
}

void ProportionalWindow::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  // Framing moves the client area within the frame.
  FitStoredSizeToFrame();
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
  const QSize outer = size().grownBy(FrameMargins());
  WriteWindowGeometry(ConfigPath(), geometry_window_,
                      {x(), y(), outer.width(), outer.height()});
}

}  // namespace matslip
