// Merged blocks and border lines of ranges.
#include <gtest/gtest.h>

#include "grid/data_src.h"
#include "grid/range_marks.h"

namespace matslip {
namespace {

class MergeTest : public ::testing::Test {
 protected:
  MergeTest() { table_.SetTableSize(5, 5); }
  int Marks(int row, int col) const {
    return table_.GetCellFormat(row, col).merge;
  }
  DataSrc table_;
};

TEST_F(MergeTest, MarksEachCellWithTheDirectionsTheBlockContinues) {
  table_.MergeCells({2, 2, 3, 3});
  EXPECT_EQ(Marks(2, 2), kMergeRight | kMergeDown);
  EXPECT_EQ(Marks(2, 3), kMergeLeft | kMergeRight | kMergeDown);
  EXPECT_EQ(Marks(3, 3), kMergeMask);
  EXPECT_EQ(Marks(4, 4), kMergeLeft | kMergeUp);
  EXPECT_EQ(Marks(4, 2), kMergeRight | kMergeUp);
  EXPECT_EQ(Marks(1, 2), 0);
  EXPECT_EQ(Marks(2, 5), 0);
}

TEST_F(MergeTest, OneRowBlockContinuesOnlySideways) {
  table_.MergeCells({1, 1, 1, 5});
  EXPECT_EQ(Marks(1, 1), kMergeRight);
  EXPECT_EQ(Marks(1, 3), kMergeLeft | kMergeRight);
  EXPECT_EQ(Marks(1, 5), kMergeLeft);
}

TEST_F(MergeTest, BlockOfAnyCellIsFoundFromItsMarks) {
  table_.MergeCells({2, 2, 3, 3});
  EXPECT_EQ(table_.GetMergedBlock(3, 4), (CellRange{2, 2, 3, 3}));
  EXPECT_EQ(table_.GetMergedBlock(2, 2), (CellRange{2, 2, 3, 3}));
  EXPECT_EQ(table_.GetMergedBlock(1, 1), (CellRange{1, 1}));
  EXPECT_EQ(table_.GetMergedBlock(5, 5), (CellRange{5, 5}));
}

TEST_F(MergeTest, AdjacentBlocksStaySeparate) {
  table_.MergeCells({1, 1, 1, 2});
  table_.MergeCells({1, 3, 1, 3});
  EXPECT_EQ(table_.GetMergedBlock(1, 2), (CellRange{1, 1, 1, 2}));
  EXPECT_EQ(table_.GetMergedBlock(1, 3), (CellRange{1, 3, 1, 3}));
}

TEST_F(MergeTest, MergingAgainClearsTheOldMarksInTheRange) {
  table_.MergeCells({1, 1, 3, 3});
  table_.MergeCells({1, 1, 3, 1});
  EXPECT_EQ(Marks(1, 1), kMergeDown);
  EXPECT_EQ(Marks(2, 1), kMergeUp | kMergeDown);
  EXPECT_EQ(table_.GetMergedBlock(1, 1), (CellRange{1, 1, 3, 1}));
  // (1, 2) still points left, but (1, 1) no longer points back.
  EXPECT_EQ(table_.GetMergedBlock(1, 2), (CellRange{1, 2, 3, 2}));
}

TEST_F(MergeTest, SingleCellRangeChangesNothing) {
  table_.MergeCells({1, 1, 2, 2});
  table_.MergeCells({1, 1});
  EXPECT_EQ(Marks(1, 1), kMergeRight | kMergeDown);
}

TEST_F(MergeTest, RangePartlyOutsideMergesThePartInside) {
  table_.MergeCells({4, 4, 5, 5});
  EXPECT_EQ(table_.GetMergedBlock(5, 5), (CellRange{4, 4, 2, 2}));
}

class EdgeLinesTest : public ::testing::Test {
 protected:
  EdgeLinesTest() { table_.SetTableSize(4, 4); }
  std::array<int, 4> Edges(int row, int col) const {
    return table_.GetCellFormat(row, col).edges;
  }
  DataSrc table_;
};

// Sides as {left, top, right, bottom}.
TEST_F(EdgeLinesTest, OutlineMaskDrawsOnlyTheRangesOuterEdges) {
  table_.SetEdgeLines({2, 2, 2, 2});
  EXPECT_EQ(Edges(2, 2), (std::array<int, 4>{1, 1, 0, 0}));
  EXPECT_EQ(Edges(2, 3), (std::array<int, 4>{0, 1, 1, 0}));
  EXPECT_EQ(Edges(3, 3), (std::array<int, 4>{0, 0, 1, 1}));
  // The neighbours' facing sides carry the same lines.
  EXPECT_EQ(Edges(2, 1), (std::array<int, 4>{0, 0, 1, 0}));
  EXPECT_EQ(Edges(1, 3), (std::array<int, 4>{0, 0, 0, 1}));
  EXPECT_EQ(Edges(1, 1), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST_F(EdgeLinesTest, AllLinesMaskDrawsInnerLinesToo) {
  table_.SetEdgeLines({1, 1, 3, 3}, kEdgeAll, kLineThick);
  EXPECT_EQ(Edges(2, 2), (std::array<int, 4>{3, 3, 3, 3}));
  EXPECT_EQ(Edges(1, 1), (std::array<int, 4>{3, 3, 3, 3}));
  EXPECT_EQ(Edges(4, 4), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST_F(EdgeLinesTest, SingleBitsChooseSingleLines) {
  table_.SetEdgeLines({1, 1, 3, 3}, kEdgeInnerVertical);
  EXPECT_EQ(Edges(2, 1), (std::array<int, 4>{0, 0, 1, 0}));
  EXPECT_EQ(Edges(2, 2), (std::array<int, 4>{1, 0, 1, 0}));
  EXPECT_EQ(Edges(2, 3), (std::array<int, 4>{1, 0, 0, 0}));
  table_.SetEdgeLines({1, 1, 3, 3}, kEdgeBottom, kLineDouble);
  EXPECT_EQ(Edges(3, 2), (std::array<int, 4>{1, 0, 1, 7}));
  EXPECT_EQ(Edges(4, 2), (std::array<int, 4>{0, 7, 0, 0}));
}

TEST_F(EdgeLinesTest, LineKindZeroRemovesLinesOnBothSides) {
  table_.SetEdgeLines({1, 1, 4, 4}, kEdgeAll);
  table_.SetEdgeLines({2, 2}, kEdgeOutline, kLineNone);
  EXPECT_EQ(Edges(2, 2), (std::array<int, 4>{0, 0, 0, 0}));
  EXPECT_EQ(Edges(2, 1)[kSideRight], 0);
  EXPECT_EQ(Edges(3, 2)[kSideTop], 0);
  EXPECT_EQ(Edges(3, 2)[kSideBottom], 1);
}

TEST(SidesOnRangeLinesTest, CellsAwayFromTheRangeHaveNoLines) {
  const CellRange range{3, 3, 2, 2};
  EXPECT_EQ(SidesOnRangeLines(range, kEdgeAll, 1, 1), 0);
  EXPECT_EQ(SidesOnRangeLines(range, kEdgeAll, 3, 1), 0);
  EXPECT_EQ(SidesOnRangeLines(range, kEdgeAll, 2, 2), 0);  // diagonal
  EXPECT_EQ(SidesOnRangeLines(range, kEdgeAll, 3, 2), 1 << kSideRight);
}

}  // namespace
}  // namespace matslip
