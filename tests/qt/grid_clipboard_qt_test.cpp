#include "grid/grid_clipboard_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <memory>

#include "grid/data_src.h"
#include "grid/grid.h"

namespace matslip {
namespace {

class GridClipboardTest : public ::testing::Test {
 protected:
  GridClipboardTest() {
    source_.SetTableSize(6, 4);
    target_.SetTableSize(6, 4);
    for (int r = 1; r <= 6; ++r) {
      for (int c = 1; c <= 4; ++c)
        source_.SetCellText(r, c, "格" + std::to_string(r * 10 + c));
    }
  }
  // Plain text only, as a spreadsheet puts it on the clipboard.
  static std::unique_ptr<QMimeData> Text(const char* utf8) {
    auto data = std::make_unique<QMimeData>();
    data->setText(QString::fromUtf8(utf8));
    return data;
  }

  DataSrc source_;
  DataSrc target_;
};

TEST_F(GridClipboardTest, CopyThenPasteKeepsTextsAndFormats) {
  source_.SetTextColour({2, 2}, 255);
  source_.SetBackgroundColour({2, 3}, 0x00FFFF);
  source_.SetFontName({3, 2}, "黑体");
  source_.SetFontSize({3, 2}, 55);
  source_.SetFontStyle({3, 3}, kStyleBold | kStyleStrikeOut);
  source_.SetAlignment({2, 2, 2, 2}, kAlignMiddleCentre);
  source_.SetEdgeLines({2, 2, 2, 2}, kEdgeAll, kLineDouble);
  const std::unique_ptr<QMimeData> data = CellsMimeData(source_, {2, 2, 2, 2});
  ASSERT_TRUE(data);
  EXPECT_TRUE(data->hasFormat(kCellsMimeType));
  ASSERT_TRUE(PasteMimeData(*data, &target_, 4, 1));
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 2; ++c) {
      SCOPED_TRACE(testing::Message() << "cell " << r << "," << c);
      EXPECT_EQ(target_.GetCellText(4 + r, 1 + c),
                source_.GetCellText(2 + r, 2 + c));
      EXPECT_EQ(target_.GetCellFormat(4 + r, 1 + c),
                source_.GetCellFormat(2 + r, 2 + c));
    }
  }
  EXPECT_EQ(target_.GetCellText(4, 3), "");
  EXPECT_EQ(target_.GetCellText(3, 1), "");
}

TEST_F(GridClipboardTest, APartOfAMergedBlockDoesNotJoinItsNewNeighbours) {
  source_.MergeCells({1, 1, 3, 3});
  target_.MergeCells({1, 1, 1, 2});  // would meet a leftward mark at (1, 3)
  const std::unique_ptr<QMimeData> data = CellsMimeData(source_, {1, 2, 2, 2});
  ASSERT_TRUE(PasteMimeData(*data, &target_, 1, 3));
  EXPECT_EQ(target_.GetMergedBlock(1, 3), (CellRange{1, 3, 2, 2}));
  EXPECT_EQ(target_.GetMergedBlock(1, 1), (CellRange{1, 1, 1, 2}));
}

TEST_F(GridClipboardTest, CopiedCellsAlsoGoAsTabSeparatedText) {
  source_.SetCellText(2, 3, "a\tb");
  const std::unique_ptr<QMimeData> data = CellsMimeData(source_, {1, 2, 2, 2});
  EXPECT_EQ(data->text(), QString::fromUtf8("格12\t格13\n格22\ta b\n"));
}

TEST_F(GridClipboardTest, TheCopiedRangeIsClippedToTheTable) {
  const std::unique_ptr<QMimeData> data = CellsMimeData(source_, {6, 4, 5, 5});
  EXPECT_EQ(data->text(), QString::fromUtf8("格64\n"));
  EXPECT_FALSE(CellsMimeData(source_, {7, 1}));
}

TEST_F(GridClipboardTest, PlainTextSplitsOnTabsAndNewlines) {
  ASSERT_TRUE(PasteMimeData(*Text("1\t2\t3\r\n4\t\t6\r\n"), &target_, 2, 2));
  EXPECT_EQ(target_.GetCellText(2, 2), "1");
  EXPECT_EQ(target_.GetCellText(2, 4), "3");
  EXPECT_EQ(target_.GetCellText(3, 2), "4");
  EXPECT_EQ(target_.GetCellText(3, 3), "");
  EXPECT_EQ(target_.GetCellText(3, 4), "6");
  EXPECT_EQ(target_.GetCellText(4, 2), "");
}

TEST_F(GridClipboardTest, PlainTextIsClippedToTheTable) {
  ASSERT_TRUE(PasteMimeData(*Text("a\tb\tc\nd\te\tf\ng\n"), &target_, 5, 3));
  EXPECT_EQ(target_.GetCellText(5, 3), "a");
  EXPECT_EQ(target_.GetCellText(5, 4), "b");
  EXPECT_EQ(target_.GetCellText(6, 4), "e");
  EXPECT_EQ(target_.GetRowCount(), 6);
  EXPECT_EQ(target_.GetColumnCount(), 4);
}

TEST_F(GridClipboardTest, DamagedCellDataFallsBackOnTheText) {
  auto data = Text("x\ty");
  data->setData(kCellsMimeType, QByteArray("SDTW\xff\xff\xff\xff"));
  ASSERT_TRUE(PasteMimeData(*data, &target_, 1, 1));
  EXPECT_EQ(target_.GetCellText(1, 2), "y");
}

TEST_F(GridClipboardTest, NothingToPasteChangesNothing) {
  QMimeData empty;
  EXPECT_FALSE(PasteMimeData(empty, &target_, 1, 1));
}

TEST_F(GridClipboardTest, TheSystemClipboardCarriesABlockToTheSelection) {
  source_.SetFontStyle({3, 3}, kStyleItalic);
  CopyRange(source_, {3, 3, 1, 2});
  Grid grid;
  grid.SetDataSource(&target_);
  grid.SelectRange({5, 2, 2, 2});
  ASSERT_TRUE(Paste(&grid));
  EXPECT_EQ(target_.GetCellText(5, 2), "格33");
  EXPECT_EQ(target_.GetCellText(5, 3), "格34");
  EXPECT_EQ(target_.GetCellFormat(5, 2).style, kStyleItalic);
  EXPECT_EQ(QApplication::clipboard()->text(),
            QString::fromUtf8("格33\t格34\n"));
}

}  // namespace
}  // namespace matslip
