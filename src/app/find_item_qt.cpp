#include "app/find_item_qt.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <string>

#include "grid/column_find.h"
#include "grid/grid.h"
#include "grid/grid_widget.h"

namespace matslip {

void UseFindItem(QAction* item, QMenu* edit_menu, Colour hit_colour,
                 FindState* state, DataSrc* table, GridWidget* view,
                 Dialogs& dialogs) {
  std::string caption = item->text().toStdString();
  Grid* grid = view->grid();
  const FindAnswer answer =
      RunFind(hit_colour, state, &caption, table, grid, dialogs);
  item->setText(QString::fromStdString(caption));
  view->ScrollToCell(grid->GetCursorRow(), grid->GetCursorColumn());
  if (answer != FindAnswer::kPopUpEditMenu) return;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize size = screen ? screen->geometry().size() : QSize();
  edit_menu->popup(QPoint(size.width() / 2, size.height() / 2));
}

void ResetFindItem(QAction* item) {
  std::string caption = item->text().toStdString();
  ResetFindCaption(&caption);
  item->setText(QString::fromStdString(caption));
}

}  // namespace matslip
