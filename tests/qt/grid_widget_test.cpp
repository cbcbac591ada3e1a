#include "grid/grid_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <memory>
#include <string>
#include <vector>

#include "grid/data_src.h"
#include "grid/grid.h"

namespace matslip {
namespace {

struct Edit {
  int row;
  int col;
  std::string text;
  bool operator==(const Edit&) const = default;
};

class GridWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override { Build(50, 5); }

  // A table of `rows` x `cols` (one header row) shown in a 600 x 400 widget.
  void Build(int rows, int cols) {
    widget_.reset();
    grid_ = std::make_unique<Grid>();
    table_ = std::make_unique<DataSrc>();
    table_->SetTableSize(rows, cols);
    for (int c = 1; c <= cols; ++c)
      table_->SetCellText(1, c, "列" + std::to_string(c));
    GridEvents& events = grid_->events();
    events.cell_edited = [this](int row, int col, const std::string& text) {
      edits_.push_back({row, col, text});
    };
    events.left_pressed = [this](const MouseEvent& e) {
      presses_.push_back(e);
    };
    events.left_released = [this](const MouseEvent& e) {
      releases_.push_back(e);
    };
    events.right_pressed = [this](const MouseEvent& e) {
      right_presses_.push_back(e);
    };
    events.key_pressed = [this](int key, int modifiers) {
      keys_.push_back({key, modifiers});
    };
    events.column_layout_changed = [this] { ++layout_changes_; };
    grid_->SetDataSource(table_.get());
    widget_ = std::make_unique<GridWidget>(grid_.get());
    widget_->resize(600, 400);
    widget_->show();
    QApplication::processEvents();
  }

  QWidget* viewport() { return widget_->viewport(); }
  QPoint Centre(int row, int col) {
    return widget_->CellRect(row, col).center();
  }
  void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button,
             Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent event(type, pos, viewport()->mapToGlobal(pos), button, buttons,
                      modifiers);
    QApplication::sendEvent(viewport(), &event);
  }
  void Press(QPoint pos, Qt::KeyboardModifiers modifiers = {}) {
    Mouse(QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton,
          modifiers);
  }
  void MoveHeld(QPoint pos) {
    Mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
  }
  void Release(QPoint pos) {
    Mouse(QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = {},
           const QString& text = {}) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget_.get(), &event);
  }
  QLineEdit* Editor() { return widget_->findChild<QLineEdit*>(); }
  void EditorKey(int key, const QString& text = {}) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(Editor(), &event);
  }
  QImage Render() {
    QImage image(viewport()->size(), QImage::Format_ARGB32);
    viewport()->render(&image);
    return image;
  }
  void CtrlWheel(int notches) {
    const QPoint pos(100, 100);
    QWheelEvent event(pos, viewport()->mapToGlobal(pos), QPoint(),
                      QPoint(0, notches * QWheelEvent::DefaultDeltasPerStep),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(viewport(), &event);
  }

  std::unique_ptr<DataSrc> table_;
  std::unique_ptr<Grid> grid_;
  std::unique_ptr<GridWidget> widget_;
  std::vector<Edit> edits_;
  std::vector<MouseEvent> presses_, releases_, right_presses_;
  std::vector<std::pair<int, int>> keys_;
  int layout_changes_ = 0;
};

// --- Mouse.

TEST_F(GridWidgetTest, ClickSetsTheCursorAndReportsThePress) {
  const QPoint at = Centre(4, 3);
  Press(at);
  Release(at);
  EXPECT_EQ(grid_->Selection(), (CellRange{4, 3, 1, 1}));
  ASSERT_EQ(presses_.size(), 1u);
  EXPECT_EQ(presses_[0].x, at.x());
  EXPECT_EQ(presses_[0].y, at.y());
  EXPECT_EQ(presses_[0].modifiers, 0);
  ASSERT_EQ(releases_.size(), 1u);
}

TEST_F(GridWidgetTest, DragSelectsTheRangeBetweenPressAndRelease) {
  Press(Centre(6, 4));
  MoveHeld(Centre(5, 4));
  MoveHeld(Centre(3, 2));
  Release(Centre(3, 2));
  EXPECT_EQ(grid_->Selection(), (CellRange{3, 2, 4, 3}));
  EXPECT_EQ(grid_->anchor(), (CellPos{6, 4}));
}

TEST_F(GridWidgetTest, ShiftClickExtendsFromTheCursor) {
  Press(Centre(2, 2));
  Release(Centre(2, 2));
  Press(Centre(5, 3), Qt::ShiftModifier);
  EXPECT_EQ(grid_->Selection(), (CellRange{2, 2, 4, 2}));
  EXPECT_EQ(presses_.back().modifiers, kModShift);
}

TEST_F(GridWidgetTest, ModifierBitsReachThePressEvents) {
  Press(Centre(3, 1), Qt::ControlModifier);
  EXPECT_EQ(presses_.back().modifiers, kModCtrl);
  Mouse(QEvent::MouseButtonPress, Centre(3, 1), Qt::RightButton,
        Qt::RightButton, Qt::ControlModifier | Qt::AltModifier);
  ASSERT_EQ(right_presses_.size(), 1u);
  EXPECT_EQ(right_presses_[0].modifiers, kModCtrl | kModAlt);
}

TEST_F(GridWidgetTest, DraggingPastTheBottomScrollsAndExtends) {
  Press(Centre(3, 1));
  MoveHeld(QPoint(Centre(3, 1).x(), viewport()->height() + 20));
  QTest::qWait(400);  // a few auto-scroll steps
  Release(QPoint(Centre(3, 1).x(), viewport()->height() + 20));
  EXPECT_GT(widget_->verticalScrollBar()->value(), 0);
  EXPECT_EQ(grid_->GetCursorRow(), 3);
  EXPECT_GT(grid_->Selection().last_row(), 3);
  EXPECT_FALSE(widget_->CellRect(grid_->end().row, 1).isEmpty());
}

TEST_F(GridWidgetTest, ClickOnAHeaderCellSelectsTheBodyOfItsColumn) {
  Press(Centre(1, 2));
  EXPECT_EQ(grid_->Selection(), (CellRange{2, 2, 49, 1}));
}

TEST_F(GridWidgetTest, DraggingAHeaderEdgeResizesTheColumn) {
  const QRect header = widget_->CellRect(1, 2);
  const QPoint edge(header.right() + 1, header.center().y());
  const double pixels_per_tenth = widget_->logicalDpiY() / 254.0;
  Press(edge);
  MoveHeld(edge + QPoint(38, 0));
  Release(edge + QPoint(38, 0));
  EXPECT_NEAR(table_->GetColumnWidth(2), 250 + 38 / pixels_per_tenth, 1);
  EXPECT_EQ(table_->GetColumnWidth(1), 250);
  EXPECT_EQ(layout_changes_, 1);
  EXPECT_EQ(grid_->Selection(), (CellRange{2, 1, 1, 1}));
}

// --- Keyboard and editing.

TEST_F(GridWidgetTest, KeysReachTheKeyEventAsVirtualKeys) {
  Key(Qt::Key_C, Qt::ControlModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(keys_.size(), 2u);
  EXPECT_EQ(keys_[0], (std::pair<int, int>{67, kModCtrl}));
  EXPECT_EQ(keys_[1], (std::pair<int, int>{kKeyDown, kModShift}));
  EXPECT_FALSE(widget_->editing());
}

TEST_F(GridWidgetTest, ArrowsAndPagesMoveTheCursorAndKeepItInView) {
  Key(Qt::Key_Right);
  EXPECT_EQ(grid_->anchor(), (CellPos{2, 2}));
  Key(Qt::Key_PageDown);
  const int page = grid_->anchor().row - 2;
  EXPECT_GT(page, 5);
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid_->anchor(), (CellPos{50, 5}));
  EXPECT_GT(widget_->verticalScrollBar()->value(), 0);
  const QRect last = widget_->CellRect(50, 5);
  ASSERT_FALSE(last.isEmpty());
  EXPECT_LE(last.bottom(), viewport()->height());
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(grid_->anchor(), (CellPos{2, 1}));
  EXPECT_EQ(widget_->verticalScrollBar()->value(), 0);
}

TEST_F(GridWidgetTest, TypingThenEnterEditsTheCellAndMovesDown) {
  Press(Centre(3, 2));
  Release(Centre(3, 2));
  Key(Qt::Key_A, {}, "a");
  ASSERT_TRUE(widget_->editing());
  EditorKey(Qt::Key_B, "b");
  EditorKey(Qt::Key_Return);
  EXPECT_FALSE(widget_->editing());
  EXPECT_EQ(edits_, (std::vector<Edit>{{3, 2, "ab"}}));
  EXPECT_EQ(table_->GetCellText(3, 2), "ab");
  EXPECT_EQ(grid_->anchor(), (CellPos{4, 2}));
}

TEST_F(GridWidgetTest, TabEndsTheEditAndMovesRight) {
  Key(Qt::Key_9, {}, "9");
  EditorKey(Qt::Key_Tab);
  EXPECT_EQ(edits_, (std::vector<Edit>{{2, 1, "9"}}));
  EXPECT_EQ(grid_->anchor(), (CellPos{2, 2}));
}

TEST_F(GridWidgetTest, EscapeDropsTheEdit) {
  table_->SetCellText(2, 1, "旧");
  Key(Qt::Key_X, {}, "x");
  EditorKey(Qt::Key_Escape);
  EXPECT_FALSE(widget_->editing());
  EXPECT_TRUE(edits_.empty());
  EXPECT_EQ(table_->GetCellText(2, 1), "旧");
}

TEST_F(GridWidgetTest, DoubleClickEditsTheCurrentText) {
  table_->SetCellText(3, 3, "钢芯");
  Press(Centre(3, 3));
  Release(Centre(3, 3));
  Mouse(QEvent::MouseButtonDblClick, Centre(3, 3), Qt::LeftButton,
        Qt::LeftButton);
  ASSERT_TRUE(widget_->editing());
  EXPECT_EQ(Editor()->text(), QString::fromUtf8("钢芯"));
  EXPECT_TRUE(Editor()->geometry().intersects(widget_->CellRect(3, 3)));
}

TEST_F(GridWidgetTest, AClickElsewhereKeepsTheEdit) {
  Key(Qt::Key_Z, {}, "z");
  Press(Centre(5, 5));
  EXPECT_EQ(edits_, (std::vector<Edit>{{2, 1, "z"}}));
  EXPECT_EQ(grid_->anchor(), (CellPos{5, 5}));
}

TEST_F(GridWidgetTest, EndCellEditOfTheTableKeepsTheEdit) {
  Key(Qt::Key_Q, {}, "q");
  table_->EndCellEdit();
  EXPECT_FALSE(widget_->editing());
  EXPECT_EQ(edits_, (std::vector<Edit>{{2, 1, "q"}}));
}

TEST_F(GridWidgetTest, UnchangedTextIsNoEdit) {
  table_->SetCellText(2, 1, "a");
  Key(Qt::Key_A, {}, "a");
  EditorKey(Qt::Key_Return);
  EXPECT_TRUE(edits_.empty());
}

TEST_F(GridWidgetTest, TheEditorRefusesCharactersWithoutGbkForm) {
  Key(Qt::Key_A, {}, "a");
  EditorKey(Qt::Key_unknown, QString::fromUtf8("钢"));
  EditorKey(Qt::Key_unknown, QString::fromUtf8("😀"));
  EXPECT_EQ(Editor()->text(), QString::fromUtf8("a钢"));
}

// --- Zoom and painting.

TEST_F(GridWidgetTest, CtrlWheelZoomsWithinItsLimits) {
  CtrlWheel(1);
  EXPECT_EQ(grid_->scale(), 110);
  for (int i = 0; i < 200; ++i) CtrlWheel(1);
  EXPECT_EQ(grid_->scale(), kMaxScale);
  for (int i = 0; i < 200; ++i) CtrlWheel(-1);
  EXPECT_EQ(grid_->scale(), kMinScale);
}

TEST_F(GridWidgetTest, ZoomScalesTheCells) {
  const int width = widget_->CellRect(2, 1).width();
  grid_->SetScale(200);
  EXPECT_NEAR(widget_->CellRect(2, 1).width(), 2 * width, 1);
}

TEST_F(GridWidgetTest, ColoursAreBlueGreenRedAndHeadersUseTheButtonFace) {
  table_->SetTableSize(5, 2);                // leaves room outside the cells
  table_->SetBackgroundColour({3, 2}, 255);  // red
  table_->SetBackgroundColour({4, 2}, 0xFF0000);  // blue
  grid_->set_background(0x00FF00);                // green
  grid_->SetCursor(5, 1);  // the selection tint elsewhere
  const QImage image = Render();
  const QRect red = widget_->CellRect(3, 2);
  const QRect blue = widget_->CellRect(4, 2);
  const QRect header = widget_->CellRect(1, 2);
  EXPECT_EQ(image.pixelColor(red.center()), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(blue.center()), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(header.left() + 2, header.bottom() - 3),
            widget_->palette().color(QPalette::Button));
  EXPECT_EQ(image.pixelColor(viewport()->width() - 2, viewport()->height() - 2),
            QColor(0, 255, 0));
}

TEST_F(GridWidgetTest, HeaderRowsStayWhileTheBodyScrolls) {
  widget_->verticalScrollBar()->setValue(20);
  EXPECT_EQ(widget_->CellRect(1, 1).top(), 0);
  EXPECT_TRUE(widget_->CellRect(2, 1).isEmpty());
  EXPECT_EQ(widget_->CellRect(22, 1).top(),
            widget_->CellRect(1, 1).bottom() + 1);
}

TEST_F(GridWidgetTest, AMergedBlockIsPaintedOnce) {
  Render();
  const int unmerged = widget_->last_painted_cells();
  table_->MergeCells({3, 2, 2, 3});
  Render();
  EXPECT_EQ(widget_->last_painted_cells(), unmerged - 5);
  EXPECT_EQ(widget_->CellRect(4, 3), widget_->CellRect(3, 2));
}

TEST_F(GridWidgetTest, OnlyTheRowsInViewArePainted) {
  Build(100, 5);
  Render();
  const int small_frame = widget_->last_painted_cells();
  // A 600 x 400 view of rows 6 mm high shows some 20 rows of 5 cells.
  EXPECT_GT(small_frame, 5 * 10);
  EXPECT_LT(small_frame, 5 * 30);

  Build(100000, 5);
  widget_->verticalScrollBar()->setValue(50000);
  Render();
  EXPECT_EQ(widget_->last_painted_cells(), small_frame);
  EXPECT_FALSE(widget_->CellRect(50002, 1).isEmpty());
  EXPECT_TRUE(widget_->CellRect(50001, 1).isEmpty());
}

TEST_F(GridWidgetTest, TheHoverTipShowsTheGridsTip) {
  grid_->set_tip("库存不足");
  QHelpEvent event(QEvent::ToolTip, QPoint(50, 50),
                   viewport()->mapToGlobal(QPoint(50, 50)));
  QApplication::sendEvent(viewport(), &event);
  EXPECT_EQ(QToolTip::text(), QString::fromUtf8("库存不足"));
}

TEST_F(GridWidgetTest, TheHoverTipOfACellCutShortShowsItsWholeText) {
  table_->SetCellText(3, 2, "123456789.12");
  table_->SetColumnWidths(2, 1, 150);
  const QPoint at = Centre(3, 2);
  QHelpEvent event(QEvent::ToolTip, at, viewport()->mapToGlobal(at));
  QApplication::sendEvent(viewport(), &event);
  EXPECT_EQ(QToolTip::text(), QString("123456789.12"));
}

TEST_F(GridWidgetTest, TheGridsOwnTipWinsOverACellCutShort) {
  table_->SetCellText(3, 2, "123456789.12");
  table_->SetColumnWidths(2, 1, 150);
  grid_->set_tip("单价");
  const QPoint at = Centre(3, 2);
  QHelpEvent event(QEvent::ToolTip, at, viewport()->mapToGlobal(at));
  QApplication::sendEvent(viewport(), &event);
  EXPECT_EQ(QToolTip::text(), QString::fromUtf8("单价"));
}

TEST_F(GridWidgetTest, TheHoverTipUsesTheGridsTipFontOnlyForThatGrid) {
  grid_->set_tip("合计 = 3");
  grid_->set_tip_font("宋体", 18);
  QHelpEvent event(QEvent::ToolTip, QPoint(50, 50),
                   viewport()->mapToGlobal(QPoint(50, 50)));
  QApplication::sendEvent(viewport(), &event);
  EXPECT_EQ(QToolTip::font().pixelSize(), 18);
  EXPECT_EQ(QToolTip::font().family(), QString::fromUtf8("宋体"));

  grid_->set_tip_font("", 0);
  QApplication::sendEvent(viewport(), &event);
  EXPECT_NE(QToolTip::font().pixelSize(), 18);
}

}  // namespace
}  // namespace matslip
