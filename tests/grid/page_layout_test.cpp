#include "grid/page_layout.h"

#include <gtest/gtest.h>

#include "grid/data_src.h"

namespace matslip {
namespace {

class PageLayoutTest : public ::testing::Test {
 protected:
  PageLayoutTest() {
    settings_.left_margin = settings_.right_margin = 100;
    settings_.top_margin = 170;
    settings_.bottom_margin = 180;
  }
  std::vector<Page> Pages() const {
    return LayOutPages(table_, table_.GetPaperSize(), settings_);
  }
  DataSrc table_;
  PrintInf settings_;
};

// A4 less margins leaves 2970 - 350 = 2620 down. With 3 header rows of 60
// (180), 2440 remain: 40 body rows of 60 per page.
TEST_F(PageLayoutTest, TwoHundredRowsSplitByHeightWithHeadersOnEveryPage) {
  table_.SetTableSize(200, 4);
  table_.SetHeaderRows(3);
  const std::vector<Page> pages = Pages();
  ASSERT_EQ(pages.size(), 5u);  // 197 body rows: 40, 40, 40, 40, 37
  int next_body_row = 4;
  for (const Page& page : pages) {
    ASSERT_GE(page.rows.size(), 4u);
    for (int h = 0; h < 3; ++h) {
      EXPECT_EQ(page.rows[h].index, h + 1);
      EXPECT_EQ(page.rows[h].start, 170 + 60 * h);
    }
    EXPECT_EQ(page.rows[3].index, next_body_row);
    EXPECT_EQ(page.rows[3].start, 350);
    next_body_row += static_cast<int>(page.rows.size()) - 3;
    const PageSpan& last = page.rows.back();
    EXPECT_LE(last.start + last.length, 2970 - 180);
  }
  EXPECT_EQ(pages[0].rows.size(), 43u);
  EXPECT_EQ(pages[4].rows.back().index, 200);
  EXPECT_EQ(next_body_row, 201);
}

TEST_F(PageLayoutTest, CellRectanglesFollowWidthsAndHeights) {
  table_.SetTableSize(3, 3);
  table_.SetHeaderRows(0);
  table_.SetColumnWidths(1, 1, 850);
  table_.SetRowHeights(2, 1, 160);
  const Page page = Pages().at(0);
  EXPECT_EQ(page.CellRect(0, 0), (PageRect{100, 170, 850, 60}));
  EXPECT_EQ(page.CellRect(1, 1), (PageRect{950, 230, 250, 160}));
  EXPECT_EQ(page.CellRect(2, 2), (PageRect{1200, 390, 250, 60}));
}

// 1900 across: columns of 700 go two to a page; header column 1 of 300
// repeats, leaving 1600 for 2 body columns of 700.
TEST_F(PageLayoutTest, WideTablesSplitColumnsAcrossPages) {
  table_.SetTableSize(2, 6);
  table_.SetHeaderRows(1);
  table_.SetHeaderColumns(1);
  table_.SetColumnWidths(1, 1, 300);
  table_.SetColumnWidths(2, 5, 700);
  const std::vector<Page> pages = Pages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0].cols.size(), 3u);
  EXPECT_EQ(pages[1].cols[0].index, 1);
  EXPECT_EQ(pages[1].cols[1].index, 4);
  EXPECT_EQ(pages[2].cols.size(), 2u);
  EXPECT_EQ(pages[2].cols[1].index, 6);
  // Each page centred between the margins: 1900 - 1700 on the first two,
  // 1900 - 1000 on the last, split on both sides.
  EXPECT_EQ(pages[0].cols[0].start, 100 + 100);
  EXPECT_EQ(pages[1].cols[1].start, 200 + 300);
  EXPECT_EQ(pages[2].cols[0].start, 100 + 450);
  EXPECT_EQ(pages[2].cols[1].start, 550 + 300);
}

TEST_F(PageLayoutTest, PagesRunDownBeforeAcross) {
  table_.SetTableSize(60, 4);
  table_.SetHeaderRows(0);
  table_.SetColumnWidths(1, 4, 900);  // two to a page
  const std::vector<Page> pages = Pages();
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_EQ(pages[1].cols[0].index, 1);
  EXPECT_EQ(pages[1].rows[0].index, 44);  // 2620 / 60 = 43 rows a page
  EXPECT_EQ(pages[2].cols[0].index, 3);
  EXPECT_EQ(pages[2].rows[0].index, 1);
}

TEST_F(PageLayoutTest, ScaleShrinksEveryLength) {
  table_.SetTableSize(100, 1);
  table_.SetHeaderRows(0);
  settings_.scale = 50;
  const std::vector<Page> pages = Pages();
  ASSERT_EQ(pages.size(), 2u);  // rows of 30: 87 on the first page
  EXPECT_EQ(pages[0].rows.size(), 87u);
  EXPECT_EQ(pages[0].CellRect(1, 0), (PageRect{100, 200, 125, 30}));
}

TEST_F(PageLayoutTest, OversizedRowGetsAPageOfItsOwn) {
  table_.SetTableSize(3, 1);
  table_.SetHeaderRows(0);
  table_.SetRowHeights(2, 1, 5000);
  const std::vector<Page> pages = Pages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[1].rows.size(), 1u);
  EXPECT_EQ(pages[1].rows[0].index, 2);
}

TEST_F(PageLayoutTest, PageNumbersSitInTheChosenMarginCorner) {
  table_.SetTableSize(100, 1);
  table_.SetHeaderRows(0);
  settings_.page_number_position = kPageNumberBottomCentre;
  std::vector<Page> pages = Pages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[1].number.text, "第 2 页 共 3 页");
  EXPECT_EQ(pages[1].number.box, (PageRect{100, 2790, 1900, 180}));
  EXPECT_EQ(pages[1].number.alignment, kAlignMiddleCentre);
  settings_.page_number_position = kPageNumberTopLeft;
  pages = Pages();
  EXPECT_EQ(pages[0].number.box, (PageRect{100, 0, 1900, 170}));
  EXPECT_EQ(pages[0].number.alignment, kAlignMiddleLeft);
  settings_.page_number_position = kPageNumberNone;
  EXPECT_EQ(Pages()[0].number.text, "");
}

TEST_F(PageLayoutTest, EmptyTableHasNoPages) { EXPECT_TRUE(Pages().empty()); }

// A table whose rows (columns) add up to exactly the printable height
// (width) fits one page; one tenth of a millimetre more needs a second.
// The paper is chosen so that the room for the body is exactly 2400 down and
// 2000 across, whatever the headers take.
class PageFitTest : public ::testing::Test {
 protected:
  PageFitTest() {
    settings_.left_margin = settings_.right_margin = 100;
    settings_.top_margin = settings_.bottom_margin = 100;
    settings_.page_number_position = kPageNumberBottomCentre;
  }

  std::vector<Page> Pages(int header_rows, int header_cols) {
    table_.SetHeaderRows(header_rows);
    table_.SetHeaderColumns(header_cols);
    // Header rows of 60, header columns of 250, margins of 100 all round.
    const PaperSize paper{200 + 250 * header_cols + 2000,
                          200 + 60 * header_rows + 2400};
    return LayOutPages(table_, paper, settings_);
  }

  DataSrc table_;
  PrintInf settings_;
};

TEST_F(PageFitTest, RowsFillingTheHeightExactlyTakeOnePage) {
  for (int header : {0, 1, 3}) {
    table_.SetTableSize(40 + header, 1);
    table_.SetRowHeights(1, 40 + header, 60);
    const std::vector<Page> pages = Pages(header, 0);
    ASSERT_EQ(pages.size(), 1u) << header;
    EXPECT_EQ(pages[0].rows.size(), 40u + header) << header;
    EXPECT_EQ(pages[0].number.text, "第 1 页 共 1 页") << header;
  }
}

TEST_F(PageFitTest, OneRowTooHighPushesTheLastRowOntoASecondPage) {
  for (int header : {0, 1, 3}) {
    table_.SetTableSize(40 + header, 1);
    table_.SetRowHeights(1, 40 + header, 60);
    table_.SetRowHeights(header + 1, 1, 61);
    const std::vector<Page> pages = Pages(header, 0);
    ASSERT_EQ(pages.size(), 2u) << header;
    EXPECT_EQ(pages[0].rows.size(), 39u + header) << header;
    ASSERT_EQ(pages[1].rows.size(), 1u + header) << header;
    EXPECT_EQ(pages[1].rows.back().index, 40 + header) << header;
    EXPECT_EQ(pages[1].number.text, "第 2 页 共 2 页") << header;
  }
}

TEST_F(PageFitTest, ColumnsFillingTheWidthExactlyTakeOnePage) {
  for (int header : {0, 1, 2}) {
    table_.SetTableSize(2, 8 + header);
    table_.SetColumnWidths(1, 8 + header, 250);
    const std::vector<Page> pages = Pages(1, header);
    ASSERT_EQ(pages.size(), 1u) << header;
    EXPECT_EQ(pages[0].cols.size(), 8u + header) << header;
  }
}

TEST_F(PageFitTest, OneColumnTooWidePushesTheLastColumnOntoASecondPage) {
  for (int header : {0, 1, 2}) {
    table_.SetTableSize(2, 8 + header);
    table_.SetColumnWidths(1, 8 + header, 250);
    table_.SetColumnWidths(8 + header, 1, 251);
    const std::vector<Page> pages = Pages(1, header);
    ASSERT_EQ(pages.size(), 2u) << header;
    EXPECT_EQ(pages[0].cols.size(), 7u + header) << header;
    ASSERT_EQ(pages[1].cols.size(), 1u + header) << header;
    EXPECT_EQ(pages[1].cols.back().index, 8 + header) << header;
  }
}

}  // namespace
}  // namespace matslip
