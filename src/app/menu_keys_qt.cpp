#include "app/menu_keys_qt.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>

namespace matslip {

MenuKeys::MenuKeys(QMainWindow* window, std::function<void()> context_menu)
    : QObject(window), window_(window), context_menu_(std::move(context_menu)) {
  // The keys go to whichever control has the focus: watch them all.
  QCoreApplication::instance()->installEventFilter(this);
}

bool MenuKeys::InWindow(QObject* watched) const {
  // Every key event reaches the native window first, then the control;
  // the control's delivery is the one taken.
  const auto* widget = qobject_cast<const QWidget*>(watched);
  return widget && widget->window() == window_;
}

void MenuKeys::OpenMenuBar() {
  QMenuBar* bar = window_->menuBar();
  const QList<QAction*> menus = bar->actions();
  if (!menus.isEmpty()) bar->setActiveAction(menus.first());
}

bool MenuKeys::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      if (!InWindow(watched)) return false;
      const auto* key = static_cast<const QKeyEvent*>(event);
      const Qt::KeyboardModifiers modifiers =
          key->modifiers() & ~Qt::KeypadModifier;
      if (key->key() == Qt::Key_Alt) {
        // Auto-repeat while Alt is held keeps it alone.
        if (!key->isAutoRepeat())
          lone_alt_ = (modifiers & ~Qt::AltModifier) == Qt::NoModifier;
        return false;
      }
      lone_alt_ = false;
      if (key->key() == Qt::Key_F10 && modifiers == Qt::NoModifier) {
        OpenMenuBar();
        return true;
      }
      if ((key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier) ||
          key->key() == Qt::Key_Menu) {
        context_menu_();
        return true;
      }
      return false;
    }
    case QEvent::KeyRelease: {
      if (!InWindow(watched)) return false;
      const auto* key = static_cast<const QKeyEvent*>(event);
      if (key->key() != Qt::Key_Alt || key->isAutoRepeat()) return false;
      if (!lone_alt_) return false;
      lone_alt_ = false;
      OpenMenuBar();
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::WindowDeactivate:
      lone_alt_ = false;
      return false;
    default:
      return false;
  }
}

}  // namespace matslip
