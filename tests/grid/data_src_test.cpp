#include "grid/data_src.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace matslip {
namespace {

// Records what the table tells its views.
class RecordingListener : public DataSrcListener {
 public:
  void CellsChanged(const CellRange& range) override {
    changed.push_back(range);
  }
  void StructureChanged() override { ++structure; }
  void CurrentRowChanged(int row) override { rows.push_back(row); }
  void EndCellEdit() override { ++edits_ended; }

  std::vector<CellRange> changed;
  int structure = 0;
  std::vector<int> rows;
  int edits_ended = 0;
};

class DataSrcTest : public ::testing::Test {
 protected:
  DataSrcTest() {
    table_.SetTableSize(4, 3);
    table_.AddListener(&views_);
  }
  RecordingListener views_;  // outlives the table, which calls it at its end
  DataSrc table_;
};

TEST_F(DataSrcTest, TextsOutsideTheTableAreEmptyAndWritesThereAreIgnored) {
  table_.SetCellText(4, 3, "末格");
  EXPECT_EQ(table_.GetCellText(4, 3), "末格");
  for (auto [row, col] : {std::pair{0, 1}, {5, 1}, {1, 0}, {1, 4}, {-1, -1}}) {
    table_.SetCellText(row, col, "x");
    EXPECT_EQ(table_.GetCellText(row, col), "") << row << "," << col;
  }
  EXPECT_EQ(views_.changed, (std::vector<CellRange>{CellRange{4, 3}}));
}

TEST_F(DataSrcTest, NeighbouringTextsStayApartWhenOneGrowsOrShrinks) {
  table_.SetCellText(2, 1, "a");
  table_.SetCellText(2, 2, "钢芯铝绞线");
  table_.SetCellText(2, 3, "c");
  table_.SetCellText(2, 2, "");
  table_.SetCellText(2, 1, "long text");
  EXPECT_EQ(table_.GetCellText(2, 1), "long text");
  EXPECT_EQ(table_.GetCellText(2, 2), "");
  EXPECT_EQ(table_.GetCellText(2, 3), "c");
}

TEST_F(DataSrcTest, TextViewsShowEachCellsOwnTextAndNothingOutside) {
  table_.SetCellText(3, 1, "钢芯");
  table_.SetCellText(3, 2, "LGJ-95/20");
  table_.SetCellText(3, 3, "米");
  EXPECT_EQ(table_.GetCellTextView(3, 1), "钢芯");
  EXPECT_EQ(table_.GetCellTextView(3, 2), "LGJ-95/20");
  EXPECT_EQ(table_.GetCellTextView(3, 3), "米");
  EXPECT_EQ(table_.GetCellTextView(2, 2), "");
  for (auto [row, col] : {std::pair{0, 1}, {5, 1}, {3, 0}, {3, 4}}) {
    EXPECT_EQ(table_.GetCellTextView(row, col), "") << row << "," << col;
  }
}

TEST_F(DataSrcTest, OmittedRangeCountsMeanOneCell) {
  table_.SetTextColour({2, 2}, 255);
  EXPECT_EQ(table_.GetCellFormat(2, 2).text_colour, 255u);
  EXPECT_EQ(table_.GetCellFormat(2, 3).text_colour, kBlack);
  EXPECT_EQ(table_.GetCellFormat(3, 2).text_colour, kBlack);
}

TEST_F(DataSrcTest, AttributeSettersChangeOnlyTheirAttributeAndNotifyOnce) {
  table_.SetFontStyle({1, 1, 4, 3}, kStyleBold);
  views_.changed.clear();
  table_.SetTextColour({1, 1, 2, 3}, 0x800080);
  ASSERT_EQ(views_.changed.size(), 1u);
  EXPECT_EQ(views_.changed[0], (CellRange{1, 1, 2, 3}));
  EXPECT_EQ(table_.GetCellFormat(2, 3).style, kStyleBold);
  EXPECT_EQ(table_.GetCellFormat(2, 3).text_colour, 0x800080u);
  EXPECT_EQ(table_.GetCellFormat(3, 3).text_colour, kBlack);
}

TEST_F(DataSrcTest, RangesReachingOutOfTheTableAreClipped) {
  table_.SetBackgroundColour({3, 2, 10, 10}, 0xFFFF);
  EXPECT_EQ(table_.GetCellFormat(4, 3).background, 0xFFFFu);
  EXPECT_EQ(table_.GetCellFormat(2, 2).background, kAutoColour);
  EXPECT_EQ(views_.changed.back(), (CellRange{3, 2, 2, 2}));
  views_.changed.clear();
  table_.SetFontSize({9, 9, 2, 2}, 60);
  table_.SetAlignment({1, 1, 0, 3}, 5);
  EXPECT_TRUE(views_.changed.empty());
}

TEST_F(DataSrcTest, FormatValuesAreBroughtIntoRange) {
  table_.SetAlignment({1, 1}, 14);
  table_.SetAlignment({1, 2}, 15);
  table_.SetAlignment({1, 3}, 0);
  EXPECT_EQ(table_.GetCellFormat(1, 1).alignment, 14);
  EXPECT_EQ(table_.GetCellFormat(1, 2).alignment, 1);
  EXPECT_EQ(table_.GetCellFormat(1, 3).alignment, 1);
  table_.SetFontStyle({2, 1}, 16 | kStyleItalic);
  EXPECT_EQ(table_.GetCellFormat(2, 1).style, kStyleItalic);
  table_.SetFontSize({2, 2});
  EXPECT_EQ(table_.GetFontSize(2, 2), 40);
  table_.SetFontSize({2, 2}, 0);
  EXPECT_EQ(table_.GetFontSize(2, 2), 1);
}

TEST_F(DataSrcTest, FontNamesAreCutToThirtyGbkBytesAtACharacterBoundary) {
  // 15 two-byte characters fit exactly; a sixteenth does not, nor does half.
  const std::string fifteen = "宋体宋体宋体宋体宋体宋体宋体宋";
  table_.SetFontName({1, 1}, fifteen + "体");
  EXPECT_EQ(table_.GetCellFormat(1, 1).font_name, fifteen);
  table_.SetFontName({1, 2}, "a" + fifteen);
  EXPECT_EQ(table_.GetCellFormat(1, 2).font_name,
            "a" + fifteen.substr(0, 14 * 3));
}

TEST_F(DataSrcTest, ClearRangeEmptiesTextsButKeepsFormats) {
  table_.SetCellText(1, 1, "a");
  table_.SetCellText(1, 2, "b");
  table_.SetTextColour({1, 1}, 255);
  table_.ClearRange({1, 1});
  EXPECT_EQ(table_.GetCellText(1, 1), "");
  EXPECT_EQ(table_.GetCellText(1, 2), "b");
  EXPECT_EQ(table_.GetCellFormat(1, 1).text_colour, 255u);
}

// A count means "this many, or to the end of the table": up to INT_MAX,
// from any first row or column.
class LongRangeTest : public DataSrcTest {
 protected:
  static constexpr int kMax = std::numeric_limits<int>::max();

  LongRangeTest() {
    for (int row = 1; row <= 4; ++row)
      for (int col = 1; col <= 3; ++col) table_.SetCellText(row, col, "x");
  }
  // The cells that still hold text, as a picture: "x" full, "." cleared.
  std::string Texts() const {
    std::string picture;
    for (int row = 1; row <= 4; ++row) {
      for (int col = 1; col <= 3; ++col)
        picture += table_.GetCellText(row, col).empty() ? "." : "x";
      picture += "/";
    }
    return picture;
  }
};

TEST_F(LongRangeTest, ClearRangeWithTheLargestCountsClearsToTheEnd) {
  table_.ClearRange({2, 2, kMax, kMax});
  EXPECT_EQ(Texts(), "xxx/x../x../x../");
  EXPECT_EQ(views_.changed.back(), (CellRange{2, 2, 3, 2}));
  table_.ClearRange({1, 3, kMax - 1, 1});
  EXPECT_EQ(Texts(), "xx./x../x../x../");
  table_.ClearRange({4, 1, kMax, kMax - 2});
  EXPECT_EQ(Texts(), "xx./x../x../.../");
  table_.ClearRange({kMax, 1, kMax, kMax});
  table_.ClearRange({-kMax, 1, kMax, 1});
  EXPECT_EQ(Texts(), "xx./x../x../.../");
  table_.ClearRange({-5, 1, kMax, 1});
  EXPECT_EQ(Texts(), ".x./.../.../.../");
}

TEST_F(LongRangeTest, RangesStartingPastTheEndChangeNothing) {
  views_.changed.clear();
  table_.ClearRange({5, 1, kMax, kMax});
  table_.ClearRange({1, 4, kMax, kMax});
  table_.SetTextColour({5, 1, kMax, kMax}, 255);
  table_.SetEdgeLines({1, 4, kMax, kMax});
  table_.MergeCells({5, 4, kMax, kMax});
  table_.SetRowHeights(5, kMax, 100);
  table_.SetColumnWidths(4, kMax, 100);
  EXPECT_EQ(Texts(), "xxx/xxx/xxx/xxx/");
  EXPECT_TRUE(views_.changed.empty());
  EXPECT_EQ(table_.GetRowHeight(4), kDefaultRowHeight);
  EXPECT_EQ(table_.GetColumnWidth(3), kDefaultColumnWidth);
}

TEST_F(LongRangeTest, EveryRangeOperationReachesTheLastCell) {
  table_.SetTextColour({3, 2, kMax, kMax}, 255);
  table_.SetBackgroundColour({3, 2, kMax, kMax}, 0xFF00);
  table_.SetFontSize({3, 2, kMax, kMax}, 60);
  table_.SetEdgeLines({3, 2, kMax, kMax}, kEdgeOutline, kLineThick);
  table_.SetRowHeights(3, kMax, 100);
  table_.SetColumnWidths(2, kMax, 300);
  const CellFormat& last = table_.GetCellFormat(4, 3);
  EXPECT_EQ(last.text_colour, 255u);
  EXPECT_EQ(last.background, 0xFF00u);
  EXPECT_EQ(last.font_size, 60);
  EXPECT_EQ(last.edges[kSideBottom], kLineThick);
  EXPECT_EQ(last.edges[kSideRight], kLineThick);
  EXPECT_EQ(table_.GetCellFormat(2, 1).text_colour, 0u);
  EXPECT_EQ(table_.GetRowHeight(2), kDefaultRowHeight);
  EXPECT_EQ(table_.GetRowHeight(4), 100);
  EXPECT_EQ(table_.GetColumnWidth(1), kDefaultColumnWidth);
  EXPECT_EQ(table_.GetColumnWidth(3), 300);
  table_.MergeCells({3, 2, kMax, kMax});
  EXPECT_EQ(table_.GetMergedBlock(4, 3), (CellRange{3, 2, 2, 2}));
}

TEST_F(DataSrcTest, SetTableSizeKeepsInsideCellsAndTurnsNegativeCountsToZero) {
  table_.SetCellText(1, 1, "keep");
  table_.SetCellText(1, 3, "drop");
  table_.SetTableSize(2, 2);
  EXPECT_EQ(table_.GetCellText(1, 1), "keep");
  table_.SetTableSize(2, 3);
  EXPECT_EQ(table_.GetCellText(1, 3), "");
  table_.SetTableSize(-5, 2);
  EXPECT_EQ(table_.GetRowCount(), 0);
  EXPECT_EQ(table_.GetColumnCount(), 2);
  table_.SetTableSize();
  EXPECT_EQ(table_.GetRowCount(), 1);
  EXPECT_EQ(table_.GetColumnCount(), 1);
}

TEST_F(DataSrcTest, NewCellsTakeTheDefaultFormat) {
  table_.SetDefaultFormat(kValueText, 255, 0xFFFF, "黑体", 50, kStyleBold, 10,
                          5, kLineThin);
  table_.AppendRows(1);
  CellFormat expected;
  expected.text_colour = 255;
  expected.background = 0xFFFF;
  expected.font_name = "黑体";
  expected.font_size = 50;
  expected.style = kStyleBold;
  expected.text_margin = 10;
  expected.alignment = 5;
  expected.edges = {1, 1, 1, 1};
  EXPECT_EQ(table_.GetCellFormat(5, 1), expected);
  EXPECT_EQ(table_.GetCellFormat(4, 1), CellFormat());
  EXPECT_EQ(table_.GetRowHeight(5), kDefaultRowHeight);
}

TEST_F(DataSrcTest, InsertColumnsShiftsCellsRight) {
  table_.SetCellText(1, 1, "a");
  table_.SetCellText(1, 2, "b");
  table_.SetColumnWidths(2, 1, 850);
  table_.InsertColumns(2, 2);
  EXPECT_EQ(table_.GetColumnCount(), 5);
  EXPECT_EQ(table_.GetCellText(1, 1), "a");
  EXPECT_EQ(table_.GetCellText(1, 2), "");
  EXPECT_EQ(table_.GetCellText(1, 4), "b");
  EXPECT_EQ(table_.GetColumnWidth(2), kDefaultColumnWidth);
  EXPECT_EQ(table_.GetColumnWidth(4), 850);
  table_.InsertColumns(7);  // beyond column count + 1: ignored
  EXPECT_EQ(table_.GetColumnCount(), 5);
  table_.InsertColumns(6);  // column count + 1 appends
  EXPECT_EQ(table_.GetColumnCount(), 6);
}

TEST_F(DataSrcTest, HeaderCountsDefaultToOneRowAndNoColumn) {
  table_.SetHeaderRows(3);
  table_.SetHeaderColumns(2);
  table_.SetHeaderRows();
  table_.SetHeaderColumns();
  EXPECT_EQ(table_.GetHeaderRows(), 1);
  EXPECT_EQ(table_.GetHeaderColumns(), 0);
  table_.SetHeaderRows(9);
  EXPECT_EQ(table_.GetHeaderRows(), 4);
}

TEST_F(DataSrcTest, LengthsOutsideTheTableAreZeroAndIgnored) {
  table_.SetRowHeights(3, 5, 80);
  EXPECT_EQ(table_.GetRowHeight(3), 80);
  EXPECT_EQ(table_.GetRowHeight(4), 80);
  EXPECT_EQ(table_.GetRowHeight(2), kDefaultRowHeight);
  EXPECT_EQ(table_.GetRowHeight(5), 0);
  table_.SetColumnWidths(1, 1, -4);
  EXPECT_EQ(table_.GetColumnWidth(1), 0);
  EXPECT_EQ(table_.GetColumnWidth(0), 0);
}

TEST_F(DataSrcTest, CurrentRowIsClampedAndSameRowIsNoChange) {
  table_.SetCurrentRow(9);
  EXPECT_EQ(table_.GetCurrentRow(), 4);
  table_.SetCurrentRow(4);
  table_.MoveRows(-2);
  EXPECT_EQ(table_.GetCurrentRow(), 2);
  table_.MoveRows();
  EXPECT_EQ(table_.GetCurrentRow(), 3);
  table_.SetCurrentRow(-1);
  EXPECT_EQ(table_.GetCurrentRow(), 0);
  table_.FirstRow();
  table_.SetTableSize(0, 3);
  EXPECT_EQ(table_.GetCurrentRow(), 0);
  EXPECT_EQ(views_.rows, (std::vector<int>{4, 2, 3, 0, 1, 0}));
}

TEST_F(DataSrcTest, RefreshAndEndCellEditReachEveryView) {
  RecordingListener second;
  table_.AddListener(&second);
  table_.Refresh();
  table_.EndCellEdit();
  EXPECT_EQ(views_.structure, 1);
  EXPECT_EQ(second.structure, 1);
  EXPECT_EQ(second.edits_ended, 1);
  table_.RemoveListener(&second);
  table_.Refresh();
  EXPECT_EQ(second.structure, 1);
}

TEST_F(DataSrcTest, ConnectProviderAppendsRowsAndWidensTheTable) {
  table_.SetCellText(1, 1, "品名");
  NProvider provider;
  provider.AddRow({"a", "b"});
  provider.AddRow({"c", "d", "e", "f"});
  ASSERT_TRUE(table_.ConnectProvider(provider));
  EXPECT_EQ(table_.GetRowCount(), 6);
  EXPECT_EQ(table_.GetColumnCount(), 4);
  EXPECT_EQ(table_.GetCellText(1, 1), "品名");
  EXPECT_EQ(table_.GetCellText(5, 2), "b");
  EXPECT_EQ(table_.GetCellText(5, 3), "");
  EXPECT_EQ(table_.GetCellText(6, 4), "f");
  EXPECT_EQ(views_.structure, 1);
  // The appended rows take later edits like any other.
  table_.SetCellText(6, 2, "长一些的文字");
  EXPECT_EQ(table_.GetCellText(6, 1), "c");
  EXPECT_EQ(table_.GetCellText(6, 2), "长一些的文字");
  EXPECT_EQ(table_.GetCellText(6, 3), "e");
  provider.Clear();
  ASSERT_TRUE(table_.ConnectProvider(provider));
  EXPECT_EQ(table_.GetRowCount(), 6);
}

TEST_F(DataSrcTest, PrintableSizeIsThePaperLessTheMargins) {
  PrintInf p;
  p.left_margin = 100;
  p.right_margin = 50;
  p.top_margin = 170;
  p.bottom_margin = -3;
  table_.SetPrintSettings(p);
  EXPECT_EQ(table_.GetPrintSettings().bottom_margin, 0);
  EXPECT_EQ(table_.GetPrintableWidth(), 2100 - 150);
  EXPECT_EQ(table_.GetPrintableHeight(), 2970 - 170);
  table_.SetPaperHook([](const PrintInf& s) {
    return s.orientation == 1 ? PaperSize{2970, 2100} : PaperSize{2100, 2970};
  });
  p.orientation = 1;
  table_.SetPrintSettings(p);
  EXPECT_EQ(table_.GetPrintableWidth(), 2970 - 150);
}

// Without a printer the table prints into a PDF file on A4 as the settings
// turn it, so a landscape table is centred on the long side.
TEST_F(DataSrcTest, PaperWithoutPrinterLiesAsTheOrientationSays) {
  PrintInf p;
  p.orientation = kLandscape;
  table_.SetPrintSettings(p);
  EXPECT_EQ(table_.GetPaperSize(), (PaperSize{2970, 2100}));
  p.orientation = kPortrait;
  table_.SetPrintSettings(p);
  EXPECT_EQ(table_.GetPaperSize(), (PaperSize{2100, 2970}));
}

TEST(DataSrcLifetimeTest, ViewsHearWhenTheTableGoesAway) {
  struct Watcher : RecordingListener {
    void DataSrcDestroyed() override { gone = true; }
    bool gone = false;
  } watcher;
  {
    DataSrc table;
    table.AddListener(&watcher);
  }
  EXPECT_TRUE(watcher.gone);
}

}  // namespace
}  // namespace matslip
