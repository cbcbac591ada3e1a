#include "grid/print_range.h"

#include <gtest/gtest.h>

#include <vector>

namespace matslip {
namespace {

// Pages of a table with one header row and ten body rows per page, down
// the rows first; `bands` bands of columns side by side.
std::vector<Page> Pages(int body_rows, int bands) {
  std::vector<Page> pages;
  for (int band = 0; band < bands; ++band) {
    for (int first = 2; first <= body_rows + 1; first += 10) {
      Page page;
      page.rows.push_back({1, 0, 60});
      for (int row = first; row < first + 10 && row <= body_rows + 1; ++row)
        page.rows.push_back({row, 0, 60});
      pages.push_back(page);
    }
  }
  return pages;
}

class PagesToPrintTest : public ::testing::Test {
 protected:
  std::vector<int> Chosen(int kind, int start, int end) {
    PrintInf settings;
    settings.range_kind = kind;
    settings.range_start = start;
    settings.range_end = end;
    return PagesToPrint(pages_, 1, settings);
  }
  std::vector<Page> pages_ = Pages(35, 1);  // 4 pages
};

TEST_F(PagesToPrintTest, AllPages) {
  EXPECT_EQ(Chosen(kPrintAllPages, 3, 3), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(PagesToPrintTest, PageRangeIsOneBasedAndInclusive) {
  EXPECT_EQ(Chosen(kPrintPageRange, 2, 3), (std::vector<int>{1, 2}));
}

TEST_F(PagesToPrintTest, PageRangeEndOfZeroOrPastTheLastMeansTheLast) {
  EXPECT_EQ(Chosen(kPrintPageRange, 3, 0), (std::vector<int>{2, 3}));
  EXPECT_EQ(Chosen(kPrintPageRange, 3, 99), (std::vector<int>{2, 3}));
}

TEST_F(PagesToPrintTest, PageRangeStartingPastTheEndPrintsNothing) {
  EXPECT_TRUE(Chosen(kPrintPageRange, 5, 9).empty());
}

TEST_F(PagesToPrintTest, RowRangeTakesThePagesHoldingThoseBodyRows) {
  // Page 2 holds rows 12..21, page 3 rows 22..31.
  EXPECT_EQ(Chosen(kPrintRowRange, 21, 22), (std::vector<int>{1, 2}));
  EXPECT_EQ(Chosen(kPrintRowRange, 30, 0), (std::vector<int>{2, 3}));
}

TEST_F(PagesToPrintTest, RowRangeIgnoresTheRepeatedHeaderRow) {
  EXPECT_TRUE(Chosen(kPrintRowRange, 1, 1).empty());
}

TEST_F(PagesToPrintTest, RowRangeTakesEveryBandOfColumns) {
  pages_ = Pages(35, 2);
  EXPECT_EQ(Chosen(kPrintRowRange, 2, 2), (std::vector<int>{0, 4}));
}

}  // namespace
}  // namespace matslip
