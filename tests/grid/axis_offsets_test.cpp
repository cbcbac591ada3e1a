#include "grid/axis_offsets.h"

#include <gtest/gtest.h>

#include <vector>

namespace matslip {
namespace {

class AxisOffsetsTest : public ::testing::Test {
 protected:
  void Assign(std::vector<int> lengths) {
    lengths_ = std::move(lengths);
    offsets_.Assign(static_cast<int>(lengths_.size()),
                    [this](int i) { return lengths_[i - 1]; });
  }
  std::vector<int> lengths_;
  AxisOffsets offsets_;
};

TEST_F(AxisOffsetsTest, StartsAreRunningSums) {
  Assign({60, 40, 0, 100});
  EXPECT_EQ(offsets_.count(), 4);
  EXPECT_EQ(offsets_.Start(1), 0);
  EXPECT_EQ(offsets_.Start(2), 60);
  EXPECT_EQ(offsets_.Start(3), 100);
  EXPECT_EQ(offsets_.Start(4), 100);
  EXPECT_EQ(offsets_.Start(5), 200);
  EXPECT_EQ(offsets_.total(), 200);
  EXPECT_EQ(offsets_.Length(4), 100);
}

TEST_F(AxisOffsetsTest, StartClampsItsIndex) {
  Assign({60, 40});
  EXPECT_EQ(offsets_.Start(0), 0);
  EXPECT_EQ(offsets_.Start(-7), 0);
  EXPECT_EQ(offsets_.Start(99), 100);
}

TEST_F(AxisOffsetsTest, IndexAtFindsTheItemHoldingAnOffset) {
  Assign({60, 40, 0, 100});
  EXPECT_EQ(offsets_.IndexAt(-5), 1);
  EXPECT_EQ(offsets_.IndexAt(0), 1);
  EXPECT_EQ(offsets_.IndexAt(59), 1);
  EXPECT_EQ(offsets_.IndexAt(60), 2);
  EXPECT_EQ(offsets_.IndexAt(99), 2);
  // The empty item 3 holds nothing: offset 100 lies in item 4.
  EXPECT_EQ(offsets_.IndexAt(100), 4);
  EXPECT_EQ(offsets_.IndexAt(199), 4);
  EXPECT_EQ(offsets_.IndexAt(200), 5);
}

TEST_F(AxisOffsetsTest, NegativeLengthsCountAsZero) {
  Assign({50, -30, 50});
  EXPECT_EQ(offsets_.total(), 100);
  EXPECT_EQ(offsets_.IndexAt(50), 3);
}

TEST_F(AxisOffsetsTest, EmptyAxisAnswersPastTheEnd) {
  Assign({});
  EXPECT_EQ(offsets_.count(), 0);
  EXPECT_EQ(offsets_.total(), 0);
  EXPECT_EQ(offsets_.IndexAt(0), 1);
}

TEST_F(AxisOffsetsTest, SumsOfManyLongItemsDoNotOverflow) {
  Assign(std::vector<int>(100000, 2000000000));
  EXPECT_EQ(offsets_.total(), 200000000000000LL);
  EXPECT_EQ(offsets_.IndexAt(199999999999999LL), 100000);
  EXPECT_EQ(offsets_.IndexAt(100000000000000LL), 50001);
}

}  // namespace
}  // namespace matslip
