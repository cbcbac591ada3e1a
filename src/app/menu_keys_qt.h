#pragma once
// The keyboard's ways into a main window's menus, as desktop programs have
// them: F10, or Alt pressed and released with no other key, opens the menu
// bar's first menu (the arrow keys then walk the menus); Shift+F10 and the
// menu key open the window's context menu. The menu captions stay as they
// are: no mnemonics are added to them.
#include <QObject>
#include <functional>

class QMainWindow;

namespace matslip {

class MenuKeys : public QObject {
 public:
  // Watches the keys typed into `window` and its controls (not into its
  // open menus or other windows); `context_menu` pops up the context menu
  // of the control that has the focus. Goes with `window`.
  MenuKeys(QMainWindow* window, std::function<void()> context_menu);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool InWindow(QObject* watched) const;
  void OpenMenuBar();

  QMainWindow* window_;
  std::function<void()> context_menu_;
  bool lone_alt_ = false;  // Alt is down and nothing else happened since
};

}  // namespace matslip
